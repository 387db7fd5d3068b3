// A stream provider of the tests: its settings page is a line of text and an
// edit field with the sample rate, placed inside the window it is given;
// reading the settings back answers what the field holds and fixed values
// for the rest. What the page was last shown with can be asked.
#include "sound/audio_stream_provider.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

using namespace Quorvane;

namespace {

constexpr int kRateField = 100;

ASPSETTINGS lastShown;
int shown = 0;

class TestProvider final : public IAudioStreamProvider {
public:
    int Open(ASPOPENPARAMS *, const char *) override { return 0; }
    void Release() override
    {
        CloseSettings();
        delete this;
    }
    int Start() override { return 0; }
    int BufferDone(int) override { return 0; }
    int ShowSettings(ASPSETTINGS *settings) override
    {
        std::memcpy(&lastShown, settings, sizeof lastShown);
        ++shown;
        const HWND parent = AspParentWindow(*settings);
        RECT area;
        GetClientRect(parent, &area);
        page = CreateWindowExA(0, "STATIC", "Test provider page", WS_CHILD | WS_VISIBLE, 0, 0, area.right,
                               area.bottom, parent, nullptr, nullptr, nullptr);
        char rate[16];
        wsprintfA(rate, "%d", settings->sampleRate);
        field = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", rate, WS_CHILD | WS_VISIBLE, 8, 24, 120, 22, parent,
                                reinterpret_cast<HMENU>(kRateField), nullptr, nullptr);
        return page && field;
    }
    int GetSettings(ASPSETTINGS *settings) override
    {
        if (!field)
            return 0;
        char rate[16] = {};
        GetWindowTextA(field, rate, sizeof rate);
        settings->channel = 7;
        settings->sampleRate = std::atoi(rate);
        settings->sampleFormat = 24;
        settings->bufferFrames = 1024;
        return 1;
    }
    int CloseSettings() override
    {
        if (field)
            DestroyWindow(field);
        if (page)
            DestroyWindow(page);
        field = page = nullptr;
        return 1;
    }
    void SetCallback(ASPNotifyProc, ULONG_PTR) override {}

private:
    HWND page = nullptr;
    HWND field = nullptr;
};

} // namespace

extern "C" __declspec(dllexport) IAudioStreamProvider *GetASPInterface()
{
    return new TestProvider;
}

// How often the page was shown, and with what (for the tests).
extern "C" __declspec(dllexport) int TestProviderLastShown(ASPSETTINGS *settings)
{
    std::memcpy(settings, &lastShown, sizeof lastShown);
    return shown;
}
