// A small plug-in derived from the base the way a drummer is: state it
// persists, a live list it joins at connect, a requester chain, an editor
// view made from a dialog template, and records of what the base called.
#pragma once

#include "plugin/framework/plugin/mfx_plugin.h"
#include "plugin/framework/plugin/plugin_view.h"
#include "plugin/framework/plugin/requester_chain.h"

#include <string>
#include <utility>
#include <vector>

namespace plugin_test {

extern const GUID CLSID_TestPlugin;
extern const GUID CLSID_TestPage;

// Resources of the test program.
constexpr UINT kTestViewTemplate = 7000;
constexpr UINT kTestViewLabel = 7001;
constexpr UINT kTestWarningText = 6000;

// Stands in for the stand-alone program's change sink.
struct TestSink {
    std::vector<uint32_t> detached; // cookies told at disconnect
};

class TestView : public Quorvane::PluginView {
public:
    void getViewSize(SIZE *size) override;
    bool createView(HWND parent, const RECT &rect) override;
    void destroyView() override;
    void showView() override;
    void hideView() override;
    void moveView(const RECT &rect) override;

    HWND window = nullptr;
    int shows = 0;
    int hides = 0;
    bool closed = false;

    static constexpr SIZE kSize = {320, 180};
};

class TestPlugin : public Quorvane::MfxPlugin, public Quorvane::RequesterLink<TestPlugin, TestSink> {
public:
    TestPlugin();
    // A new plug-in holding one reference, as a factory hands it out.
    static TestPlugin *create();

    // The persisted state.
    std::string name = "default";
    int32_t tempo = 120;
    std::vector<int32_t> pads{1, 2, 3};

    // What the base called.
    std::vector<std::pair<int32_t, int32_t>> ranges;
    std::vector<std::pair<int32_t, int32_t>> trackInfos;
    std::vector<MfxEvent> triggers;
    Quorvane::PluginView *helpView = nullptr;
    TestView *view = nullptr;
    int viewsDeleted = 0;

    // Module-wide lists a drummer keeps: the connected engines and the
    // objects a requester attached to.
    static std::vector<TestPlugin *> &liveList();
    static Quorvane::RequesterChain<TestPlugin, TestSink> &chain();
    void attachRequester(TestSink *sink, uint32_t cookie) { chain().attach(this, sink, cookie); }

    Quorvane::PluginView *getView() override;
    void showHelp(Quorvane::PluginView *view) override;
    void destroyView(Quorvane::PluginView *view) override;
    bool queryHostInterfaces() override;
    void releaseHostInterfaces() override;
    void processRange(int32_t from, int32_t end, IMfxEventQueue *input, IMfxEventQueue *output) override;
    bool filterEvent(const MfxEvent &event) override;
    bool filterInputEvent(const MfxEvent &event) override;
    bool loadState(Quorvane::InputStream &in) override;
    bool saveState(Quorvane::OutputStream &out) override;
    void onHostTrackInfo(int32_t channel, int32_t port) override;

    static constexpr uint8_t kConsumedNote = 99;
};

} // namespace plugin_test
