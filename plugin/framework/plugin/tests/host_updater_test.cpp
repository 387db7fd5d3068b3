#include "plugin/framework/plugin/host_updater.h"

#include "plugin/framework/plugin/com_object.h"
#include "plugin/framework/plugin/mfx_plugin.h"
#include "plugin/framework/plugin/tests/test_host.h"
#include "plugin/framework/plugin/tests/test_plugin.h"

#include <gtest/gtest.h>

#include <thread>

using Quorvane::HostUpdater;

namespace {

class CountingUpdater : public HostUpdater {
public:
    using HostUpdater::HostUpdater;
    void tick() override { ++ticks; }
    int ticks = 0;
};

void pumpFor(DWORD milliseconds)
{
    const DWORD end = GetTickCount() + milliseconds;
    while (static_cast<LONG>(end - GetTickCount()) > 0) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
        Sleep(5);
    }
}

TEST(HostUpdater, AHiddenWindowOfTheModulesOwnClassTicks)
{
    const std::string name = HostUpdater::windowClassName(Quorvane::com::thisModule());
    char expected[64];
    snprintf(expected, sizeof(expected), "quorvane_HostUpdater%08llX",
             static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(Quorvane::com::thisModule())));
    EXPECT_EQ(name, expected);
    EXPECT_NE(HostUpdater::windowClassName(reinterpret_cast<HMODULE>(0x10000000)),
              HostUpdater::windowClassName(reinterpret_cast<HMODULE>(0x20000000)));

    WNDCLASSEXA info{};
    info.cbSize = sizeof(info);
    {
        CountingUpdater updater(30);
        ASSERT_TRUE(updater.window()) << "windows need a display";
        char className[64] = {};
        GetClassNameA(updater.window(), className, sizeof(className));
        EXPECT_EQ(std::string(className), name);
        EXPECT_FALSE(IsWindowVisible(updater.window()));
        EXPECT_EQ(GetParent(updater.window()), nullptr);
        pumpFor(200);
        EXPECT_GE(updater.ticks, 2);
    }
    // With no plug-in alive the class is gone too.
    if (Quorvane::MfxPlugin::instanceCount() == 0) {
        EXPECT_FALSE(GetClassInfoExA(Quorvane::com::thisModule(), name.c_str(), &info));
    }
}

TEST(HostUpdater, DestroyedOnAnotherThreadItsWindowGoesWithoutTicking)
{
    auto *updater = new CountingUpdater(5);
    HWND window = updater->window();
    ASSERT_TRUE(window);
    std::thread other([&] { delete updater; });
    other.join();
    pumpFor(100); // timer messages after the delete find no updater
    EXPECT_FALSE(IsWindow(window));
}

TEST(HostUpdater, PluginUpdaterHasWorkOnlyWithConnectedPlugins)
{
    plugin_test::TestPlugin *plugin = plugin_test::TestPlugin::create();
    Quorvane::MfxPlugin::PluginUpdater *updater = Quorvane::MfxPlugin::updater();
    ASSERT_TRUE(updater);
    EXPECT_FALSE(updater->hasWork());
    plugin_test::TestHost host;
    plugin->Connect(host.context());
    EXPECT_TRUE(updater->hasWork());
    updater->tick(); // no host recognised: nothing to tell
    EXPECT_TRUE(plugin->trackInfos.empty());
    plugin->Release();
}

} // namespace
