#include "sound/equipment/vst_scan_host.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using Quorvane::AnswerHostOpcode;

TEST(VstScanHost, AnswersEveryOpcodeAsAVersion2HostAt44100)
{
    struct Case {
        int32_t opcode;
        const char *question; // for can-do
        intptr_t withoutEvents;
        intptr_t withEvents;
    };
    const Case cases[] = {
        {1, nullptr, 2, 2},
        {8, nullptr, 0, 1},
        {10, nullptr, 100000, 100000},
        {16, nullptr, 44100, 44100},
        {17, nullptr, 512, 512},
        {37, "sendVstEvents", 0, 1},
        {37, "sendVstMidiEvent", 0, 1},
        {37, "sendVstTimeInfo", 1, 1},
        {37, "sizeWindow", 1, 1},
        {37, "supplyIdle", 1, 1},
        {37, "supplyIdl", 0, 0},
        {37, "receiveVstEvents", 0, 0},
        {37, nullptr, 0, 0},
        {0, nullptr, 0, 0},
        {6, nullptr, 0, 0},
        {42, nullptr, 0, 0},
    };
    for (const Case &c : cases) {
        char question[32] = {};
        if (c.question)
            std::strcpy(question, c.question);
        void *ptr = c.question ? question : nullptr;
        EXPECT_EQ(AnswerHostOpcode(false, c.opcode, ptr), c.withoutEvents) << c.opcode << " " << question;
        EXPECT_EQ(AnswerHostOpcode(true, c.opcode, ptr), c.withEvents) << c.opcode << " " << question;
    }
}

TEST(VstScanHost, NamesItselfAndGivesTimeOnlyWhileEventsAreAllowed)
{
    for (int32_t opcode : {32, 33}) {
        char name[65];
        std::memset(name, 'x', sizeof name);
        EXPECT_EQ(AnswerHostOpcode(false, opcode, name), 1);
        EXPECT_STREQ(name, "Quorvane Tembri");
        EXPECT_EQ(AnswerHostOpcode(false, opcode, nullptr), 0);
    }
    EXPECT_EQ(AnswerHostOpcode(false, 7, nullptr), 0);
    auto *time = reinterpret_cast<vst2::TimeInfo *>(AnswerHostOpcode(true, 7, nullptr));
    ASSERT_NE(time, nullptr);
    EXPECT_EQ(time->sampleRate, 44100.0);
    EXPECT_EQ(time->samplePos, 0.0);
    EXPECT_EQ(time->tempo, 0.0);
    EXPECT_EQ(time->flags, 0);
    time->tempo = 120.0;
    time = reinterpret_cast<vst2::TimeInfo *>(AnswerHostOpcode(true, 7, nullptr));
    EXPECT_EQ(time->tempo, 0.0) << "cleared at every request";
}

} // namespace
