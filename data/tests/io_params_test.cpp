#include "data/io_params.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace Quorvane;

namespace {

const GUID kGuid = {0x12345678, 0x9ABC, 0xDEF0, {1, 2, 3, 4, 5, 6, 7, 8}};

PORTDESCR byGuid(const char *name, const char *params)
{
    PORTDESCR d(PORT_BY_GUID);
    EXPECT_EQ(d.SetName(name), 1);
    EXPECT_EQ(d.SetData(&kGuid), 1);
    EXPECT_EQ(d.SetParams(params, static_cast<long>(std::strlen(params))), 1);
    return d;
}

TEST(PortDescr, EqualityLooksAtKindAndDataOnly)
{
    const PORTDESCR a = byGuid("Synth A", "state one");
    const PORTDESCR b = byGuid("Synth B", "state two");
    EXPECT_TRUE(a.IsEqual(b));
    EXPECT_FALSE(a.IsEqualParams(b));
    EXPECT_TRUE(a.IsEqualParams(byGuid("other", "state one")));

    PORTDESCR named(PORT_BY_NAME);
    ASSERT_EQ(named.SetData("Default Preview"), 1);
    EXPECT_EQ(named.dataSize, 16);
    EXPECT_FALSE(named.IsEqual(a));
    PORTDESCR sameName(PORT_BY_NAME);
    sameName.SetData("Default Preview");
    EXPECT_TRUE(named.IsEqual(sameName));
    EXPECT_TRUE(PORTDESCR().IsEqualParams(PORTDESCR()));
}

TEST(PortDescr, CopiesAreDeepAndPumpLeavesTheOtherEmpty)
{
    PORTDESCR a = byGuid("Synth", "abc");
    PORTDESCR copy;
    copy = a;
    EXPECT_NE(copy.name, a.name);
    EXPECT_NE(copy.data, a.data);
    EXPECT_NE(copy.params, a.params);
    EXPECT_STREQ(copy.name, "Synth");
    EXPECT_TRUE(copy.IsEqualParams(a));

    void *data = a.data;
    PORTDESCR moved;
    moved.Pump(a);
    EXPECT_EQ(moved.data, data);
    EXPECT_EQ(a.kind, PORT_NONE);
    EXPECT_EQ(a.name, nullptr);
    EXPECT_EQ(a.data, nullptr);
    EXPECT_EQ(a.params, nullptr);
    EXPECT_EQ(a.dataSize, 0);
}

TEST(PortDescr, EmptyTexts)
{
    PORTDESCR d;
    EXPECT_EQ(d.kind, PORT_NONE);
    EXPECT_EQ(d.SetName(""), 0);
    EXPECT_EQ(d.name, nullptr);
    EXPECT_EQ(d.SetData(""), 1);
    EXPECT_EQ(d.data, nullptr);
    EXPECT_EQ(d.dataSize, 0);
    d.SetData("x");
    d.Clear(0);
    EXPECT_EQ(d.data, nullptr);
    EXPECT_EQ(d.kind, PORT_NONE);
}

TEST(IoParams, FreshRecordHoldsTheDefaults)
{
    IOPARAMS p;
    EXPECT_EQ(p.timeBase, 960);
    EXPECT_EQ(p.sampleRate, 44100);
    EXPECT_EQ(p.bitsPerSample, 16);
    EXPECT_EQ(p.bufferFrames, 512);
    EXPECT_EQ(p.asp, 0);
    EXPECT_EQ(p.aspPort, 0);
    EXPECT_EQ(p.port1.kind, PORT_NONE);
    EXPECT_EQ(p.port2.kind, PORT_NONE);
    for (char *s : p.strings)
        EXPECT_EQ(s, nullptr);
}

TEST(IoParams, CopyIsDeepPumpMovesAndClearRestores)
{
    IOPARAMS p;
    p.timeBase = 480;
    p.sampleRate = 48000;
    p.bitsPerSample = kFloatSamples;
    p.bufferFrames = 256;
    p.asp = 2;
    p.aspPort = 1;
    p.port1 = byGuid("Synth", "x");
    ASSERT_EQ(p.SetString(IOSTR_WAVEDIR, "C:\\Waves"), 1);
    ASSERT_EQ(p.SetString(IOSTR_VSTDIR2, "D:\\VST"), 1);

    IOPARAMS copy(p);
    EXPECT_EQ(copy.timeBase, 480);
    EXPECT_EQ(copy.bitsPerSample, kFloatSamples);
    EXPECT_EQ(copy.aspPort, 1);
    EXPECT_TRUE(copy.port1.IsEqualParams(p.port1));
    EXPECT_NE(copy.strings[IOSTR_WAVEDIR], p.strings[IOSTR_WAVEDIR]);
    EXPECT_STREQ(copy.strings[IOSTR_VSTDIR2], "D:\\VST");
    EXPECT_EQ(copy.strings[IOSTR_VSTDIR1], nullptr);

    char *waveDir = p.strings[IOSTR_WAVEDIR];
    IOPARAMS moved;
    moved.Pump(p);
    EXPECT_EQ(moved.strings[IOSTR_WAVEDIR], waveDir);
    EXPECT_EQ(moved.sampleRate, 48000);
    EXPECT_EQ(p.strings[IOSTR_WAVEDIR], nullptr);
    EXPECT_EQ(p.sampleRate, 44100);
    EXPECT_EQ(p.port1.kind, PORT_NONE);

    moved.Clear(0);
    EXPECT_EQ(moved.timeBase, 960);
    EXPECT_EQ(moved.strings[IOSTR_WAVEDIR], nullptr);
    EXPECT_EQ(moved.port1.kind, PORT_NONE);
}

} // namespace
