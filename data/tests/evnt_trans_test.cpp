#include "data/event.h"
#include "data/evnt_trans.h"

#include <gtest/gtest.h>

#include <vector>

using namespace Quorvane;

namespace {

int chainsDeleted = 0;

struct CountedChain : CEvntTransChain {
    ~CountedChain() override { ++chainsDeleted; }
};

std::vector<uint32_t> messages(const CEvntTransChain &chain)
{
    std::vector<uint32_t> out;
    for (CChainElem *e = chain.GetFirst(); e; e = e->next)
        out.push_back(static_cast<CEvntTransElem *>(e)->message);
    return out;
}

EVENT noteAt(int32_t time, long channel, long pitch, long velocity, int32_t duration)
{
    EVENT e;
    e.setNote(channel, pitch, velocity);
    e.time = time;
    e.value = duration;
    return e;
}

TEST(EvntTrans, NotesAreTransposedWithinTheMidiRange)
{
    const EVENT e = noteAt(960, 2, 120, 90, 480);
    CEvntTransElem on, off;
    on.SetNoteOn(&e, 100, 22050, 20, -1);
    off.SetNoteOff(&e, 100, 20, -1);
    EXPECT_EQ(on.message, 0x005A7F92u);
    EXPECT_EQ(on.tick, 1060);
    EXPECT_EQ(on.duration, 480);
    EXPECT_EQ(on.length, 22050);
    EXPECT_EQ(on.GetWeight(), 31);
    EXPECT_EQ(off.message, 0x00007F92u);
    EXPECT_EQ(off.tick, 1540);
    EXPECT_EQ(off.GetWeight(), 26);

    on.SetNoteOn(&e, 0, 0, -125, 9); // down to 0, on channel 9
    EXPECT_EQ(on.message, 0x005A0099u);
    CEvntTransElem preview;
    preview.SetNote(60, 5, 0, 3);
    EXPECT_EQ(preview.message, 0x00004193u);
    EXPECT_EQ(preview.tick, -1);
    EXPECT_EQ(preview.GetWeight(), 26);
}

TEST(EvntTrans, ChordRootsWrapIntoTheOctave)
{
    CEvntTransElem m;
    m.SetChord(11, 36, 3);
    EXPECT_EQ(m.message, 0x002402F4u);
    m.SetChord(11, 36, -13);
    EXPECT_EQ(m.Byte(1), 10);
    EVENT pause;
    pause.setChord(0L);
    pause.time = 480;
    m.SetChord(&pause, 10, 5);
    EXPECT_EQ(m.Byte(1), kNoChord);
    EXPECT_EQ(m.tick, 490);
    EXPECT_EQ(m.GetWeight(), 24);
    EVENT chord;
    chord.setChord(4, 7);
    m.SetChord(&chord, 0, 0);
    EXPECT_EQ(m.message, 0x000704F4u);
    EXPECT_EQ(m.GetWeight(), 29);
}

TEST(EvntTrans, ChannelMessagesAndWrappedOnes)
{
    EVENT program;
    program.setProg(4, 17);
    program.time = 30;
    CEvntTransElem m;
    m.SetMMsg(&program, 5, 1);
    EXPECT_EQ(m.message, 0x000011C1u);
    EXPECT_EQ(m.tick, 35);
    EXPECT_EQ(m.GetWeight(), 21);
    m.SetMMsg(0x00407FB3ul, 0);
    EXPECT_EQ(m.message, 0x00407FB0u);
    m.SetMMsg(0x000000F8ul, 5); // system messages keep their status
    EXPECT_EQ(m.message, 0x000000F8u);
    EXPECT_EQ(m.GetWeight(), 12);
    m.SetChordMMSg(&program, 0);
    EXPECT_EQ(m.message, 0x0011C4F5u);
    EXPECT_EQ(m.GetWeight(), 21);
    m.SetChordMMsg(0x00007FB0ul);
    EXPECT_EQ(m.message, 0x007FB0F5u);
    EXPECT_EQ(m.GetWeight(), 23);
}

TEST(EvntTrans, TempoMessagesHoldQuartersPerMinuteIn24Bits)
{
    EVENT tempo;
    ASSERT_TRUE(tempo.setTempo(120.0f));
    tempo.time = 3840;
    CEvntTransElem m;
    m.SetTempo(&tempo, 1.0f);
    EXPECT_EQ(m.message, 0x000078F9u);
    EXPECT_EQ(m.tick, 3840);
    EXPECT_EQ(m.GetWeight(), 3);
    m.SetTempo(&tempo, 1.5f);
    EXPECT_EQ(m.message, 0x0000B4F9u);
    m.SetTempo(&tempo, 2e6f); // far beyond 24 bits
    EXPECT_EQ(m.message, 0xFFFFFFF9u);
    m.SetTempo(&tempo, -1.0f);
    EXPECT_EQ(m.message, 0x000000F9u);
    EVENT zero;
    zero.setLong(0x51, "\0\0\0", 3);
    m.SetTempo(&zero, 1.0f); // read as 120
    EXPECT_EQ(m.message, 0x000078F9u);
    m.SetMetro(1, 960);
    EXPECT_EQ(m.message, 0x000001FDu);
    EXPECT_EQ(m.GetWeight(), 4);
}

TEST(EvntTrans, NewElementsGoToTheHead)
{
    CEvntTransChain *chain = nullptr;
    CEvntTransElem *a = CEvntTransChain::AddNewEvntTransElem(10, &chain);
    ASSERT_NE(chain, nullptr);
    CEvntTransElem *b = CEvntTransChain::AddNewEvntTransElem(5, &chain);
    EXPECT_EQ(chain->GetFirst(), b);
    EXPECT_EQ(b->next, a);
    EXPECT_EQ(a->weight, -1);
    EXPECT_EQ(CEvntTransChain::AddNewEvntTransElem(1, nullptr), nullptr);

    CEvntTransElem *following = b->DisconnectEvntTrans();
    EXPECT_EQ(following, a);
    EXPECT_EQ(b->next, nullptr);
    EXPECT_EQ(chain->GetFirst(), b); // the neighbours keep their links
    delete a;
    delete b;
    chain->Dispel(); // forgets, destroys nothing more
}

TEST(EvntTrans, MergingOrdersByPositionAndWeightKeepingArrivals)
{
    CEvntTransChain queue;
    CEvntTransChain *first = nullptr;
    CEvntTransChain::AddNewEvntTransElem(100, &first)->SetNote(60, 0, 90, 0);
    queue.EatOther(first, 0);

    auto *other = new CountedChain;
    CEvntTransChain *chain = other;
    // Added at the head, so the chain holds them in reverse.
    CEvntTransChain::AddNewEvntTransElem(100 - 512, &chain)->SetNote(62, 0, 90, 0);
    CEvntTransChain::AddNewEvntTransElem(100 - 512, &chain)->SetNote(64, 0, 90, 0);
    CEvntTransChain::AddNewEvntTransElem(100 - 512, &chain)->SetMMsg(0x000005C0ul, -1);
    CEvntTransChain::AddNewEvntTransElem(100 - 512, &chain)->SetMMsg(0x000100B0ul, -1);
    CEvntTransChain::AddNewEvntTransElem(100 - 512, &chain)->SetMetro(1, 0);
    CEvntTransChain::AddNewEvntTransElem(100 - 512, &chain)->SetTempo(100.0f, 1.0f, 0);
    CEvntTransChain::AddNewEvntTransElem(0, &chain)->SetMMsg(0x000020B0ul, -1);
    chainsDeleted = 0;
    queue.EatOther(other, 512);
    EXPECT_EQ(chainsDeleted, 1);

    const std::vector<uint32_t> expected = {
        0x000020B0, // 512: the only one there
        0x000064F9, // 100: tempo, click, bank, program, then the notes
        0x000001FD, 0x000100B0, 0x000005C0,
        0x005A3C90, // the note that was queued first stays first
        0x005A4090, 0x005A3E90,
    };
    // Positions: the lone controller moved from 0 to 512, behind the rest.
    std::vector<uint32_t> got = messages(queue);
    ASSERT_EQ(got.size(), expected.size());
    EXPECT_EQ(got.back(), 0x000020B0u);
    got.pop_back();
    EXPECT_EQ(got, std::vector<uint32_t>(expected.begin() + 1, expected.end()));
    const CEvntTransElem *last = static_cast<CEvntTransElem *>(queue.GetLast());
    EXPECT_EQ(last->sample, 512);
}

} // namespace
