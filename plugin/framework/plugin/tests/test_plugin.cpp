#include "plugin/framework/plugin/tests/test_plugin.h"

#include "plugin/framework/plugin/com_object.h"

#include <algorithm>

namespace plugin_test {

// {4D1C9B0E-7A51-4F3B-9C5D-2B8E6A1F0C31}
const GUID CLSID_TestPlugin = {0x4D1C9B0E, 0x7A51, 0x4F3B, {0x9C, 0x5D, 0x2B, 0x8E, 0x6A, 0x1F, 0x0C, 0x31}};
// {93E0A6C2-18F4-4B77-A2D9-5C0E7B3F8A14}
const GUID CLSID_TestPage = {0x93E0A6C2, 0x18F4, 0x4B77, {0xA2, 0xD9, 0x5C, 0x0E, 0x7B, 0x3F, 0x8A, 0x14}};

void TestView::getViewSize(SIZE *size)
{
    *size = kSize;
}

bool TestView::createView(HWND parent, const RECT &rect)
{
    window = CreateDialogParamA(
        Quorvane::com::thisModule(), MAKEINTRESOURCEA(kTestViewTemplate), parent,
        [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
    if (!window)
        return false;
    MoveWindow(window, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
    return true;
}

void TestView::destroyView()
{
    if (window)
        DestroyWindow(window);
    window = nullptr;
    closed = true;
}

void TestView::showView()
{
    ++shows;
    ShowWindow(window, SW_SHOW);
}

void TestView::hideView()
{
    ++hides;
    ShowWindow(window, SW_HIDE);
}

void TestView::moveView(const RECT &rect)
{
    MoveWindow(window, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
}

TestPlugin::TestPlugin() : MfxPlugin(&CLSID_TestPlugin, &CLSID_TestPage) {}

TestPlugin *TestPlugin::create()
{
    auto *plugin = new TestPlugin();
    plugin->AddRef();
    return plugin;
}

std::vector<TestPlugin *> &TestPlugin::liveList()
{
    static std::vector<TestPlugin *> list;
    return list;
}

Quorvane::RequesterChain<TestPlugin, TestSink> &TestPlugin::chain()
{
    static Quorvane::RequesterChain<TestPlugin, TestSink> instance;
    return instance;
}

Quorvane::PluginView *TestPlugin::getView()
{
    view = new TestView();
    return view;
}

void TestPlugin::showHelp(Quorvane::PluginView *shown)
{
    helpView = shown;
}

void TestPlugin::destroyView(Quorvane::PluginView *gone)
{
    if (gone == view)
        view = nullptr;
    delete gone;
    ++viewsDeleted;
}

bool TestPlugin::queryHostInterfaces()
{
    if (!MfxPlugin::queryHostInterfaces())
        return false;
    liveList().push_back(this);
    return true;
}

void TestPlugin::releaseHostInterfaces()
{
    const uint32_t cookie = requesterCookie();
    if (TestSink *sink = chain().detach(this))
        sink->detached.push_back(cookie);
    auto &live = liveList();
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
    MfxPlugin::releaseHostInterfaces();
}

void TestPlugin::processRange(int32_t from, int32_t end, IMfxEventQueue *input, IMfxEventQueue *output)
{
    ranges.emplace_back(from, end);
    MfxPlugin::processRange(from, end, input, output);
}

bool TestPlugin::filterEvent(const MfxEvent &event)
{
    return event.kind == MfxNote && event.note == kConsumedNote;
}

bool TestPlugin::filterInputEvent(const MfxEvent &event)
{
    if (event.kind != MfxNote || event.velocity == 0)
        return false;
    triggers.push_back(event);
    return true;
}

// Reads straight into the members, as it goes: the base keeps a damaged
// stream from leaving half a state behind.
bool TestPlugin::loadState(Quorvane::InputStream &in)
{
    char magic[4] = {};
    if (in.readBytes(magic, 4) != 4 || memcmp(magic, "TPLG", 4) != 0)
        return false;
    uint32_t version = 0;
    if (!in.read(version) || version != 1)
        return false;
    if (!in.read(name) || !in.read(tempo))
        return false;
    uint32_t count = 0;
    if (!in.read(count) || count > 64)
        return false;
    pads.clear();
    for (uint32_t i = 0; i < count; ++i) {
        int32_t pad = 0;
        if (!in.read(pad))
            return false;
        pads.push_back(pad);
    }
    return true;
}

bool TestPlugin::saveState(Quorvane::OutputStream &out)
{
    bool ok = out.writeBytes("TPLG", 4) == 4 && out.write(uint32_t{1}) && out.write(name) &&
              out.write(tempo) && out.write(static_cast<uint32_t>(pads.size()));
    for (int32_t pad : pads)
        ok = ok && out.write(pad);
    return ok;
}

void TestPlugin::onHostTrackInfo(int32_t channel, int32_t port)
{
    trackInfos.emplace_back(channel, port);
}

} // namespace plugin_test
