#include "plugin/framework/mfx/host_tempo.h"
#include "plugin/framework/mfx/testing/mfx_test_host.h"

#include <gtest/gtest.h>

using namespace Quorvane;

TEST(HostTempo, TheHostsValuesAtTheSongStart)
{
    mfx_testing::HostContext host(960);
    host.tempo = 9050;
    host.numerator = 7;
    host.denominatorPower = 3;
    const HostTempoAndMeter read = readHostTempoAndMeter(host.tempoMap(), host.meterMap());
    EXPECT_EQ(read.tempo, 9050);
    EXPECT_EQ(read.ticksPerQuarter, 960);
    EXPECT_EQ(read.numerator, 7);
    EXPECT_EQ(read.denominatorPower, 3);
}

TEST(HostTempo, WhatTheHostCannotGiveKeepsItsDefault)
{
    const HostTempoAndMeter none = readHostTempoAndMeter(nullptr, nullptr);
    EXPECT_EQ(none.tempo, 12000);
    EXPECT_EQ(none.ticksPerQuarter, 480);
    EXPECT_EQ(none.numerator, 4);
    EXPECT_EQ(none.denominatorPower, 2);

    mfx_testing::HostContext host(0);
    host.tempo = 0;
    const HostTempoAndMeter zero = readHostTempoAndMeter(host.tempoMap(), nullptr);
    EXPECT_EQ(zero.tempo, 12000);
    EXPECT_EQ(zero.ticksPerQuarter, 480);
}
