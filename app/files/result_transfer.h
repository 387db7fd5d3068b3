// The result and the current part handed to other programs: a data source
// that offers its formats and renders one only when a receiver asks for it
// (the clipboard, when it is flushed, or a drop target), the clipboard
// copy and the drag out.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <string>
#include <vector>

namespace Quorvane {

class CMemStorage;
class CStorage;

// The registered formats "Standard MIDI File" and "QNOV Style".
UINT MidiClipboardFormat();
UINT PartClipboardFormat();

// What the source offers: the MIDI file, or the wave as CF_WAVE and
// CF_RIFF; a drag also offers the file list (CF_HDROP).
std::vector<UINT> ResultFormats(bool midi, bool drag);

// Makes one format's data when a receiver asks for it.
class FormatRenderer {
public:
    // A new global memory block, or null (the renderer has told the user).
    virtual HGLOBAL render(UINT format) = 0;

protected:
    ~FormatRenderer() = default;
};

// A new data source holding one reference. The renderer must outlive it
// (the clipboard renders at once when flushed; a drag ends before its
// command returns). Null when out of memory.
IDataObject *CreateDelayedDataSource(FormatRenderer &renderer, std::vector<UINT> formats);

// Empties the clipboard, offers the formats and flushes them at once, so the
// data is rendered now and stays when the program goes.
HRESULT CopyToClipboard(FormatRenderer &renderer, std::vector<UINT> formats);

// Runs the drag (copy only): DRAGDROP_S_DROP, DRAGDROP_S_CANCEL or a
// failure.
HRESULT DragOut(FormatRenderer &renderer, std::vector<UINT> formats);

// The storage's bytes in a moveable, shareable global block; the storage
// is left empty. Null when out of memory.
HGLOBAL GlobalFromStorage(CMemStorage &storage);

// What the program's data source renders, from what the program knows.
class ResultSource {
public:
    // The window the messages belong to.
    virtual HWND owner() = 0;
    virtual void stopPlayback() = 0;
    // Copy and drag carry MIDI (option "OLEMidi" = 1) or WAVE.
    virtual bool midiChosen() = 0;
    virtual bool exportMidi(CStorage &storage) = 0;
    virtual bool exportWave(CStorage &storage) = 0;
    // The current part as the clipboard carries it.
    virtual bool saveCurrentPart(CStorage &storage) = 0;
    // A file list has been handed out: the drag is over.
    virtual void dragRendered() = 0;

protected:
    ~ResultSource() = default;
};

// Renders each format with playback stopped, and tells the user what
// failed: the MIDI file (506), the wave (507), the temporary file of a drag
// (512) and its contents, or memory (511).
class ResultRenderer final : public FormatRenderer {
public:
    explicit ResultRenderer(ResultSource &source) : source_(source) {}
    HGLOBAL render(UINT format) override;

private:
    HGLOBAL renderFileList();
    ResultSource &source_;
};

} // namespace Quorvane
