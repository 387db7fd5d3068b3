// What the bridge filter's tests share: the filter made as its class
// factory makes it, over the recording provider, with message boxes the
// test answers.
#pragma once

#include "bridge/common/tests/recorder_fixture.h"
#include "bridge/dxi/bridge_filter.h"
#include "bridge/dxi/tests/dxi_test_host.h"
#include "dshow/tests/test_filters.h"

#include <gtest/gtest.h>

#include <control.h>

#include <string>
#include <vector>

namespace dxi_test {

class FilterTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // A new bridge filter held by one reference; null when it could not be
    // made.
    Halvorin::CBridgeFilter *makeFilter();
    // The filter connected to the test host.
    void connectHost();

    ds_test::ComScope com;
    halvorin_test::Recorder recorder;
    TestHost host;
    Halvorin::CBridgeFilter *filter = nullptr;
    std::vector<std::string> boxes;
};

// The filter in the platform's filter graph between a test source and a
// test sink, all three pins on float stereo at 44.1 kHz.
class GraphTest : public FilterTest {
protected:
    void SetUp() override;
    void TearDown() override;
    // One block of the source: frames of stereo float, value on every
    // sample, stamped from the start time in samples.
    HRESULT deliver(int frames, int64_t start, float value, bool discontinuity = true);
    // Every sample the sink received, as floats.
    std::vector<float> heard();

    ds_test::FilterRef source{new ds_test::TestFilter(ds_test::kSourceClass, 1, 0)};
    ds_test::FilterRef sink{new ds_test::TestFilter(ds_test::kSinkClass, 0, 1)};
    ds_test::ComRef<IGraphBuilder> graph;
    ds_test::ComRef<IMediaControl> control;
    CDsMediaType stereo = ds_test::floatAudio(2, 44100);
};

} // namespace dxi_test
