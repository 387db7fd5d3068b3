#include "synth/dxi/dxi_adapter.h"

#include "data/seekable_stream.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

namespace Quorvane {

namespace {

constexpr char kBaseName[] = "Tembri DXi";

// COM on the calling thread, for the objects made there; a thread that had
// it keeps its own count.
void ensureCom()
{
    if (CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED) == S_FALSE)
        CoUninitialize();
}

} // namespace

CDXiAdapter::~CDXiAdapter()
{
    closeClient();
}

void CDXiAdapter::Destroy()
{
    delete this;
}

// The client leaves under the lock; it closes (its page's window among
// it) without the lock, so a render call never waits for a window.
void CDXiAdapter::closeClient()
{
    CDXiClient *leaving;
    {
        CriticalSectionGuard guard(lock);
        leaving = client;
        client = nullptr;
    }
    if (!leaving)
        return;
    leaving->Close();
    leaving->Release();
}

CDXiClient *CDXiAdapter::heldClient()
{
    CriticalSectionGuard guard(lock);
    if (client)
        client->AddRef();
    return client;
}

bool CDXiAdapter::select(const CLSID &classId)
{
    CriticalSectionGuard guard(lock);
    if (client || !host.song || !host.song->SongActivate())
        return false;
    ensureCom();
    client = new (std::nothrow) CDXiClient(host.song);
    if (client && !client->Open(classId, static_cast<int>(sampleRate), blockSize)) {
        client->Release();
        client = nullptr;
    }
    return client != nullptr;
}

void CDXiAdapter::reopen()
{
    CriticalSectionGuard guard(lock);
    if (client) {
        ensureCom();
        client->Reopen(static_cast<int>(sampleRate), blockSize);
    }
}

void CDXiAdapter::SetSampleRate(float rate)
{
    // NaN fails the test as well.
    if (!(rate >= 1.0f) || rate == sampleRate)
        return;
    sampleRate = rate;
    reopen();
}

void CDXiAdapter::SetBlockSize(int frames)
{
    if (frames <= 0 || frames > kMaxBlockFrames || frames == blockSize)
        return;
    blockSize = frames;
    reopen();
}

void CDXiAdapter::MidiIn(const uint8_t *message, int offset)
{
    if (!message)
        return;
    Handed handed;
    std::memcpy(handed.message, message, sizeof handed.message);
    handed.offset = offset;
    hand(handed);
}

void CDXiAdapter::hand(const Handed &handed)
{
    if (!onRenderThread()) {
        CriticalSectionGuard guard(lock);
        handWaiting();
        apply(handed);
        return;
    }
    if (lock.tryLock()) {
        handWaiting();
        apply(handed);
        lock.unlock();
        return;
    }
    {
        CriticalSectionGuard guard(waitingLock);
        if (waitingCount < kMaxWaiting) {
            waiting[static_cast<size_t>(waitingCount++)] = handed;
            return;
        }
    }
    CriticalSectionGuard guard(lock);
    handWaiting();
    apply(handed);
}

void CDXiAdapter::apply(const Handed &handed)
{
    if (!client)
        return;
    if (handed.transport)
        client->Transport(handed.code, handed.tick, handed.position);
    else
        client->MidiIn(handed.message, handed.offset);
}

void CDXiAdapter::handWaiting()
{
    int count = 0;
    int64_t skipped = 0;
    {
        CriticalSectionGuard guard(waitingLock);
        count = waitingCount;
        std::copy(waiting.begin(), waiting.begin() + count, handing.begin());
        waitingCount = 0;
        skipped = framesSkipped;
        framesSkipped = 0;
    }
    // The song went on through the blocks not rendered: the synthesizer's
    // stream goes with it, and what came for them sounds at its start.
    if (client && skipped > 0)
        client->Skip(skipped);
    for (int i = 0; i < count; ++i)
        apply(handing[static_cast<size_t>(i)]);
}

bool CDXiAdapter::render(float *out, int frames, bool adding)
{
    renderThread = GetCurrentThreadId();
    if (!lock.tryLock()) {
        // The window thread has the synthesizer: this block is silent, and
        // what came for it sounds at the start of the next one.
        CriticalSectionGuard guard(waitingLock);
        for (int i = 0; i < waitingCount; ++i)
            waiting[static_cast<size_t>(i)].offset = 0;
        framesSkipped += std::max(frames, 0);
        return false;
    }
    handWaiting();
    const bool sound = renderLocked(out, frames, adding);
    lock.unlock();
    return sound;
}

bool CDXiAdapter::renderLocked(float *out, int frames, bool adding)
{
    const float *data = nullptr;
    int channels = 0;
    int rendered = 0;
    if (!out || frames <= 0 || !client || !client->Render(frames, &data, &channels, &rendered))
        return false;
    // Only the frames the synthesizer delivered; a mono frame feeds both sides.
    rendered = std::min(rendered, frames);
    const int values = rendered * channels;
    auto sample = [&](int frame, int side) { return data[frame * channels + (channels == 2 ? side : 0)]; };
    if (adding) {
        for (int i = 0; i < rendered; ++i) {
            out[2 * i] += sample(i, 0);
            out[2 * i + 1] += sample(i, 1);
        }
        return true;
    }
    bool sound = false;
    for (int i = 0; i < values && !sound; ++i) {
        uint32_t bits;
        std::memcpy(&bits, data + i, 4);
        sound = bits != 0;
    }
    if (!sound)
        return false;
    for (int i = 0; i < rendered; ++i) {
        out[2 * i] = sample(i, 0);
        out[2 * i + 1] = sample(i, 1);
    }
    std::memset(out + 2 * rendered, 0, sizeof(float) * 2 * static_cast<size_t>(frames - rendered));
    return true;
}

bool CDXiAdapter::RenderAdding(float **buffer, int frames)
{
    noteOutput(buffer, frames);
    return render(lastBuffer, frames, true);
}

bool CDXiAdapter::RenderReplacing(float **buffer, int frames)
{
    noteOutput(buffer, frames);
    return render(lastBuffer, frames, false);
}

void CDXiAdapter::SaveState(Seekable::OutputStream *out)
{
    void *bytes = nullptr;
    uint32_t size = 0;
    {
        CriticalSectionGuard guard(lock);
        if (!out || !client || !client->SaveState(&bytes, &size))
            return;
    }
    out->writeBytes(bytes, size);
    std::free(bytes);
}

void CDXiAdapter::LoadState(Seekable::InputStream *in)
{
    if (!in)
        return;
    const uint32_t size = in->length() - in->tell();
    void *bytes = std::malloc(size ? size : 1);
    if (!bytes)
        return;
    if (in->readBytes(bytes, size) == size) {
        CriticalSectionGuard guard(lock);
        if (client)
            client->LoadState(bytes, size);
    }
    std::free(bytes);
}

int CDXiAdapter::GetStateSize()
{
    CriticalSectionGuard guard(lock);
    return client ? client->StateSize() : 0;
}

void CDXiAdapter::GetEditorSize(int *width, int *height)
{
    CriticalSectionGuard guard(lock);
    if (client) {
        client->GetEditorSize(width, height);
        return;
    }
    if (width)
        *width = 0;
    if (height)
        *height = 0;
}

// The page's window opens and closes without the render lock: the page
// belongs to the window thread, which alone opens, closes and drops it,
// and the client is kept alive by a reference of its own meanwhile.
bool CDXiAdapter::OpenEditor(HWND parent)
{
    CDXiClient *held = heldClient();
    const bool open = held && held->OpenEditor(parent);
    if (held)
        held->Release();
    return open;
}

bool CDXiAdapter::CloseEditor()
{
    CDXiClient *held = heldClient();
    const bool closed = held && held->CloseEditor();
    if (held)
        held->Release();
    return closed;
}

const char *CDXiAdapter::GetName()
{
    CriticalSectionGuard guard(lock);
    const char *description = client ? client->Description() : nullptr;
    return description ? description : kBaseName;
}

void *CDXiAdapter::GetSubInterface(int id)
{
    if (id == SSEX_ENUM)
        return static_cast<IZQSSExEnum *>(&names);
    if (id == SSEX_TEMBRI)
        return static_cast<IZQSSExTembri *>(&host);
    return nullptr;
}

long CDXiAdapter::Names::Banks(tagENUMITEM **list)
{
    CriticalSectionGuard guard(adapter.lock);
    return adapter.client ? adapter.client->Banks(list) : (*list = nullptr, 0);
}

long CDXiAdapter::Names::Programs(long bank, tagENUMITEM **list)
{
    CriticalSectionGuard guard(adapter.lock);
    return adapter.client ? adapter.client->Programs(bank, list) : (*list = nullptr, 0);
}

long CDXiAdapter::Names::Notes(long bank, long program, long, tagENUMITEM **list)
{
    CriticalSectionGuard guard(adapter.lock);
    return adapter.client ? adapter.client->Notes(bank, program, list) : (*list = nullptr, 0);
}

long CDXiAdapter::Names::Controllers(tagENUMITEM **list)
{
    CriticalSectionGuard guard(adapter.lock);
    return adapter.client ? adapter.client->Controllers(list) : (*list = nullptr, 0);
}

void CDXiAdapter::Host::Transport(long code, long tick, long position, float)
{
    Handed handed;
    handed.transport = true;
    handed.code = code;
    handed.tick = tick;
    handed.position = position;
    adapter.hand(handed);
}

bool CDXiAdapter::Host::GetInstrument(long flag, void *out)
{
    CriticalSectionGuard guard(adapter.lock);
    if (flag != 0 || !out || !adapter.client || !adapter.client->IsOpen())
        return false;
    std::memcpy(out, &adapter.client->ClassId(), sizeof(CLSID));
    return true;
}

bool CDXiAdapter::Host::SelectInstrument(long flag, const void *data)
{
    if (flag != 0 || !data)
        return false;
    CLSID classId;
    std::memcpy(&classId, data, sizeof(classId));
    return adapter.select(classId);
}

} // namespace Quorvane
