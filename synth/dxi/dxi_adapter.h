// Sorvik ("Tembri DXi"): the sound engine's soft synthesizer that hosts any
// installed DXi synthesizer, chosen by class id through the host extension.
// Without one it is silent and named "Tembri DXi".
#pragma once

#include "base/critical_section.h"
#include "sound/soft_synth_base.h"
#include "synth/dxi/dxi_client.h"

#include <array>
#include <atomic>
#include <cstdint>

namespace Quorvane {

class CDXiAdapter final : public SoftSynthBase {
public:
    // Blocks longer than this are refused: the graph's buffers hold no more.
    static constexpr int kMaxBlockFrames = 16384;

    CDXiAdapter() = default;
    CDXiAdapter(const CDXiAdapter &) = delete;
    CDXiAdapter &operator=(const CDXiAdapter &) = delete;

    void Destroy() override;
    // A rate or block of 0 or less, or a block above kMaxBlockFrames, keeps
    // the old value.
    void SetSampleRate(float rate) override;
    void SetBlockSize(int frames) override;
    void MidiIn(const uint8_t *message, int offset) override;
    bool RenderAdding(float **buffer, int frames) override;
    bool RenderReplacing(float **buffer, int frames) override;
    void SaveState(Seekable::OutputStream *out) override;
    void LoadState(Seekable::InputStream *in) override;
    void GetEditorSize(int *width, int *height) override;
    bool OpenEditor(HWND parent) override;
    bool CloseEditor() override;
    const char *GetName() override;
    int GetStateSize() override;
    void *GetSubInterface(int id) override;

    // The client of the hosted synthesizer, or null (tests).
    CDXiClient *Client() const { return client; }

private:
    ~CDXiAdapter();
    // What the render thread hands the client: a song message, or transport
    // news.
    struct Handed {
        bool transport = false;
        uint8_t message[12] = {};
        int offset = 0;
        long code = 0, tick = 0, position = 0;
    };
    static constexpr int kMaxWaiting = 1024;
    bool onRenderThread() const { return GetCurrentThreadId() == renderThread.load(); }
    // Handed over now when the lock is free, else kept for the next render
    // (the render thread never waits for the window thread; it waits only
    // when kMaxWaiting are kept already, rather than lose one).
    void hand(const Handed &handed);
    void apply(const Handed &handed);
    // What was kept, and the frames not rendered meanwhile, to the client;
    // the lock is held.
    void handWaiting();
    bool render(float *out, int frames, bool adding);
    bool renderLocked(float *out, int frames, bool adding);
    void reopen();
    bool select(const CLSID &classId);
    void closeClient();
    // The client with a reference for the caller, or null.
    CDXiClient *heldClient();

    class Names : public IZQSSExEnum {
    public:
        explicit Names(CDXiAdapter &a) : adapter(a) {}
        void Nothing() override {}
        long Banks(tagENUMITEM **list) override;
        long Programs(long bank, tagENUMITEM **list) override;
        long Notes(long bank, long program, long channel, tagENUMITEM **list) override;
        long Controllers(tagENUMITEM **list) override;
        void GiveBack(tagENUMITEM *list) override { CDXiClient::GiveBack(list); }
        CDXiAdapter &adapter;
    };

    class Host : public IZQSSExTembri {
    public:
        explicit Host(CDXiAdapter &a) : adapter(a) {}
        void Nothing() override {}
        void SetSong(ITembriSong *tembriSong) override { song = tembriSong; }
        void Transport(long code, long tick, long position, float factor) override;
        int AudioBlock(long, const float *, long) override { return 0; }
        bool GetInstrument(long flag, void *out) override;
        bool SelectInstrument(long flag, const void *data) override;
        CDXiAdapter &adapter;
        ITembriSong *song = nullptr;
    };

    // Serialises the hosted synthesizer between the render thread and the
    // user-interface thread; taken after the song's and the tract's locks.
    // No window opens or closes under it. The render thread only tries it:
    // while the window thread has the synthesizer (its state, names, page
    // size) a block is silent.
    CriticalSection lock;
    // Guards what waits for the next render; taken after lock, held only
    // to copy.
    CriticalSection waitingLock;
    std::array<Handed, kMaxWaiting> waiting;
    std::array<Handed, kMaxWaiting> handing;
    int waitingCount = 0;
    int64_t framesSkipped = 0;
    // The thread that renders, once it has.
    std::atomic<DWORD> renderThread{0};
    CDXiClient *client = nullptr; // one reference held
    Names names{*this};
    Host host{*this};
};

} // namespace Quorvane
