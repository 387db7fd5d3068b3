// A host for the drummer's tests: the shared fake MFX host (the context the
// drummer connects to and event queues) and the stand-alone program's change
// sink. The fakes count the references they hand out, so tests see leaks;
// they live on the test's stack.
#pragma once

#include "plugin/fill/engine/tests/window_marker.h"
#include "plugin/framework/plugin/drummer_sink.h"
#include "plugin/framework/mfx/testing/mfx_test_host.h"

#include <string>
#include <tuple>
#include <vector>

namespace grindel_test {

// The shared fake host: event queues and the host song (a fixed
// resolution, 120 beats per minute, 4/4 throughout).
using mfx_testing::Counted;
using Queue = mfx_testing::EventQueue;
using Host = mfx_testing::HostContext;

// The stand-alone program's sink: records what the drummer tells it and,
// like the program, reads each changed value back.
class Sink : public Counted<IDrummerSink> {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override;
    HRESULT STDMETHODCALLTYPE ParamChanged(DWORD cookie, LONG id, LONG sub) override;
    HRESULT STDMETHODCALLTYPE Detach(DWORD cookie) override;

    // (cookie, id, sub) per report.
    std::vector<std::tuple<DWORD, LONG, LONG>> changes;
    std::vector<DWORD> detached;
    std::vector<LONG> ids() const;
};

using engine_test::isMarker;
using engine_test::withoutMarkers;
using mfx_testing::controllerEvent;
using mfx_testing::noteEvent;

using EventKey = std::tuple<int32_t, int, int, int, int, int, int, int>;
EventKey keyOf(const MfxEvent &e);

// The folder of the running test program (no trailing backslash).
std::string programFolder();
// The build's dist folder and the module in it.
std::string distFolder();
std::string modulePath();

} // namespace grindel_test
