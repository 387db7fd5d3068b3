#include "synth/preview/preview_synth.h"

#include "data/music_text.h"
#include "data/seekable_stream.h"
#include "data/tembri_song.h"
#include "synth/preview/preview_editor.h"

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstring>

namespace Quorvane {

namespace {

std::atomic<int> clickLevel{100};

constexpr int kDrumChannel = 9;

} // namespace

int CPreviewSynth::ClickLevel()
{
    return clickLevel.load();
}

CPreviewSynth::CPreviewSynth()
{
    for (int c = 0; c < kPreviewChannels; ++c)
        channels[c].Setup(c == kDrumChannel    ? CHANNEL_DRUMS
                          : c == kClickChannel ? CHANNEL_CLICKS
                                               : CHANNEL_MELODIC,
                          &pool);
    SetSampleRate(sampleRate);
    SetBlockSize(blockSize);
}

CPreviewSynth::~CPreviewSynth()
{
    CloseEditor();
    _aligned_free(mix);
}

void CPreviewSynth::Reset()
{
    for (PreviewChannel &channel : channels)
        channel.Stop();
}

void CPreviewSynth::Destroy()
{
    Reset();
    delete this;
}

void CPreviewSynth::SetSampleRate(float rate)
{
    sampleRate = rate;
    const CWaveTableSet *set = CWaveTableSet::ForRate(static_cast<long>(rate));
    for (PreviewChannel &channel : channels) {
        channel.Stop();
        channel.SetTables(set);
    }
}

void CPreviewSynth::SetBlockSize(int frames)
{
    blockSize = std::max(frames, 0);
    _aligned_free(mix);
    mix = static_cast<float *>(_aligned_malloc(sizeof(float) * 2 * (blockSize ? blockSize : 1), 16));
    if (!mix)
        blockSize = 0;
}

void CPreviewSynth::playChord(int root, int type, int offset)
{
    PreviewChannel &chord = channels[kChordChannel];
    chord.AllNotesOff(offset);
    if (root >= 128)
        return;
    chord.NoteOn(root + 60, 100, offset);
    for (const signed char *step = GetChordSteps(type); *step; ++step)
        chord.NoteOn(*step + root + 60, 100, offset);
}

void CPreviewSynth::channelMessage(int c, const uint8_t *message, int offset)
{
    PreviewChannel &channel = channels[c];
    const int data1 = message[1] & 0x7F;
    const int data2 = message[2] & 0x7F;
    switch (message[0] & 0xF0) {
    case 0x80:
        channel.NoteOff(data1, offset);
        break;
    case 0x90:
        channel.NoteOn(data1, data2, offset);
        break;
    case 0xB0:
        if (data1 == 7) {
            channel.QueueVolume(data2, offset);
        } else if (data1 == 10) {
            channel.QueuePan(data2, offset);
        } else if (data1 == 121 && data2 >= 64) {
            channel.QueueWheel(0, offset);
            channel.QueueVolume(100, offset);
            channel.QueuePan(64, offset);
        } else if (data1 == 123 && data2 >= 64) {
            channel.AllNotesOff(offset);
        }
        break;
    case 0xC0:
        channel.SetProgram(data1);
        break;
    case 0xE0:
        channel.QueueWheel((data2 << 7 | data1) - 8192, offset);
        break;
    default:
        break;
    }
}

void CPreviewSynth::MidiIn(const uint8_t *message, int offset)
{
    if (!message || message[0] < 0x80)
        return;
    switch (message[0]) {
    case 0xF4:
        playChord(message[1], message[2], offset);
        return;
    case 0xF5:
        if (message[1] >= 0x80 && message[1] < 0xF0)
            channelMessage(kChordChannel, message + 1, offset);
        return;
    case 0xFD:
        channels[kClickChannel].NoteOn(message[1] ? 1 : 0, std::clamp(clickLevel.load() * 4, 0, 127 * 4),
                                       offset);
        return;
    default:
        if (message[0] < 0xF0)
            channelMessage(message[0] & 0x0F, message, offset);
        return;
    }
}

bool CPreviewSynth::render(float *out, int frames, bool replace)
{
    frames = std::min(frames, blockSize);
    uint32_t sounded = 0;
    for (int c = 0; c < kPreviewChannels && frames > 0; ++c) {
        std::memset(mix, 0, sizeof(float) * 2 * frames);
        if (!channels[c].Render(mix, frames))
            continue;
        if (replace && !sounded)
            std::memset(out, 0, sizeof(float) * 2 * frames);
        for (int i = 0; i < 2 * frames; ++i)
            out[i] += mix[i];
        sounded |= 1u << c;
    }
    activity.store(sounded);
    if (sounded != reported) {
        reported = sounded;
        postToEditor(kEditorActivityMessage, sounded);
    }
    return sounded != 0;
}

void CPreviewSynth::postToEditor(UINT message, WPARAM wParam)
{
    if (HWND window = editorWindow.load())
        PostMessageA(window, message, wParam, 0);
}

bool CPreviewSynth::RenderAdding(float **buffer, int frames)
{
    noteOutput(buffer, frames);
    return lastBuffer && render(lastBuffer, frames, false);
}

bool CPreviewSynth::RenderReplacing(float **buffer, int frames)
{
    noteOutput(buffer, frames);
    return lastBuffer && render(lastBuffer, frames, true);
}

void CPreviewSynth::SaveState(Seekable::OutputStream *out)
{
    for (int i = 0; i < GetNumParams(); ++i)
        out->writeFloat(GetParam(i));
}

void CPreviewSynth::LoadState(Seekable::InputStream *in)
{
    for (int i = 0; i < GetNumParams(); ++i) {
        float value = 0.0f;
        if (!in->read(value))
            return;
        callHost(static_cast<unsigned long>(i), 0);
        SetParam(i, value);
        callHost(static_cast<unsigned long>(i), 2);
    }
}

void CPreviewSynth::GetEditorSize(int *width, int *height)
{
    if (width)
        *width = kEditorWidth;
    if (height)
        *height = kEditorHeight;
}

bool CPreviewSynth::OpenEditor(HWND parent)
{
    if (editor && editor->Window())
        return true;
    CloseEditor(); // one whose window went with its parent
    editor = CPreviewEditor::Create(this, parent, &editorWindow);
    if (!editor)
        return false;
    editorWindow.store(editor->Window());
    // Read after publishing: a render that missed the handle stored its
    // bits before, so they are seen here.
    editor->Show(activity.load());
    return true;
}

bool CPreviewSynth::CloseEditor()
{
    if (!editor)
        return false;
    editorWindow.store(nullptr);
    editor->Destroy();
    editor = nullptr;
    return true;
}

float CPreviewSynth::GetParam(int index)
{
    return index == 0 ? static_cast<float>(clickLevel.load()) : 0.0f;
}

void CPreviewSynth::SetParam(int index, float value)
{
    if (index != 0 || !(value == value))
        return;
    // The level the editor offers; damaged state stays inside it.
    const int level = static_cast<int>(std::clamp(value, 0.0f, 127.0f));
    if (clickLevel.exchange(level) == level)
        return;
    if (host.song)
        host.song->SongSetModified();
    postToEditor(kEditorLevelMessage, 0);
}

void *CPreviewSynth::GetSubInterface(int id)
{
    if (id == SSEX_ENUM)
        return static_cast<IZQSSExEnum *>(&names);
    if (id == SSEX_TEMBRI)
        return static_cast<IZQSSExTembri *>(&host);
    return nullptr;
}

} // namespace Quorvane
