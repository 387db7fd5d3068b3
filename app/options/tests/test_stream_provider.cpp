// A stream provider module for the tests: its settings page is one edit
// field holding the port, inside the parent it is given; the page's other
// values come back fixed. "OpenPages" tells how many pages are open.
#include "sound/audio_stream_provider.h"

#include <cstdio>
#include <cstdlib>

using namespace Quorvane;

namespace {

long openPages = 0;

class TestProvider final : public IAudioStreamProvider {
public:
    int Open(ASPOPENPARAMS *, const char *) override { return 0; }
    void Release() override { delete this; }
    int Start() override { return 0; }
    int BufferDone(int) override { return 0; }
    int ShowSettings(ASPSETTINGS *settings) override
    {
        if (!settings || page_)
            return 0;
        char text[16];
        std::snprintf(text, sizeof(text), "%d", settings->channel);
        page_ = CreateWindowExA(0, "EDIT", text, WS_CHILD | WS_VISIBLE | WS_BORDER, 4, 4, 80, 20,
                                AspParentWindow(*settings), nullptr, nullptr, nullptr);
        ++openPages;
        return page_ != nullptr;
    }
    int GetSettings(ASPSETTINGS *settings) override
    {
        if (!settings || !page_)
            return 0;
        char text[16] = {};
        GetWindowTextA(page_, text, sizeof(text));
        *settings = {};
        settings->channel = std::atoi(text);
        settings->sampleRate = 48000;
        settings->sampleFormat = 24;
        settings->bufferFrames = 256;
        return 1;
    }
    int CloseSettings() override
    {
        if (!page_)
            return 0;
        DestroyWindow(page_);
        page_ = nullptr;
        --openPages;
        return 1;
    }
    void SetCallback(ASPNotifyProc, ULONG_PTR) override {}

private:
    ~TestProvider() = default;
    HWND page_ = nullptr;
};

} // namespace

extern "C" __declspec(dllexport) IAudioStreamProvider *GetASPInterface()
{
    return new TestProvider();
}

extern "C" __declspec(dllexport) long OpenPages()
{
    return openPages;
}
