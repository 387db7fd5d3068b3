// A drummer's loop or fill handed to the outside world: copied to and pasted
// from the clipboard, and dragged out as a file. The clipboard carries it
// twice: as the drummer's own snapshot in a format of its own, which another
// instance pastes back exactly, and rendered as a Standard MIDI File for any
// sequencer. Both run on the window thread with OLE initialised.
#pragma once

#include "base/stream.h"

#include <windows.h>
#include <objidl.h>

#include <functional>
#include <string>
#include <vector>

namespace Quorvane::DrummerTransfer {

constexpr const char *kSmfFormatName = "Standard MIDI File";

// The registered clipboard format "Standard MIDI File".
UINT smfFormat();

// A shareable global memory block holding bytes; null when out of memory.
HGLOBAL globalFromBytes(const std::string &bytes);
// The bytes of a global memory block; false when it cannot be locked.
bool bytesFromGlobal(HGLOBAL global, std::string &bytes);

// The bytes the clipboard holds in a format; false when it holds none.
bool readClipboard(UINT format, std::string &bytes);

// A data object offering global memory blocks, one per format.
struct GlobalFormat {
    UINT format;
    std::string bytes;
};
// A new data object holding one reference; null when out of memory.
IDataObject *createDataObject(const std::vector<GlobalFormat> &formats);

// A data object that makes each of its formats only when a receiver asks
// for it: render returns a new global memory block, or null when it
// cannot. One reference; null when out of memory.
using RenderFormat = std::function<HGLOBAL(UINT format)>;
IDataObject *createRenderingDataObject(std::vector<UINT> formats, RenderFormat render);

// Runs a drag of the data (copy only) that drops when the left button
// comes up and gives up on Escape: DRAGDROP_S_DROP, DRAGDROP_S_CANCEL or a
// failure.
HRESULT dragCopy(IDataObject *data, DWORD *effect = nullptr);

// What a drummer hands out and takes back.
class Source {
public:
    virtual bool saveSnapshot(OutputStream &out) = 0;
    // All or nothing: false leaves the drummer as it was.
    virtual bool loadSnapshot(InputStream &in, bool notify) = 0;
    // The drummer's content rendered as a Standard MIDI File.
    virtual bool renderSmf(OutputStream &out) = 0;

protected:
    ~Source() = default;
};

// Puts the snapshot (in snapshotFormat) and the rendered file on the
// clipboard and flushes it, so the data stays after the plug-in is gone.
HRESULT copyToClipboard(Source &source, UINT snapshotFormat);
// Reads a snapshot of snapshotFormat from the clipboard into the drummer;
// false (the drummer unchanged) when there is none or it is damaged.
bool pasteFromClipboard(Source &source, UINT snapshotFormat);

// The system's temporary folder followed by fileName.
std::string dragOutPath(const std::string &fileName);
// A file list (CF_HDROP) naming one file: the 20-byte header with the list
// at offset 20, the ANSI path and two terminating zeros.
std::string fileDropList(const std::string &path);
// Renders into the drag-out file and returns a data object whose only
// format is the file list naming it; null when the file could not be
// written.
IDataObject *prepareDragOut(Source &source, const std::string &fileName, std::string *path = nullptr);
// Runs the drag (copy only). DRAGDROP_S_DROP, DRAGDROP_S_CANCEL or a failure.
HRESULT dragOut(Source &source, const std::string &fileName, DWORD *effect = nullptr);
// The drag itself goes through one function a test can answer in the
// user's place: the hook gets the data object instead of DoDragDrop (an
// empty hook restores the real drag); returns the old hook.
using DragHook = std::function<HRESULT(IDataObject *data, DWORD *effect)>;
DragHook setDragHook(DragHook hook);

// One drummer's transfer. Traits gives the Engine type, the Source class
// over it (constructed from the engine), kFormatName, the name of the
// snapshot's clipboard format, and kDragOutFileName. Instantiated once per
// drummer, where its Source is defined (drummer_transfer_of.h).
template <class Traits> struct TransferOf {
    using Engine = typename Traits::Engine;

    // The registered clipboard format of the drummer's snapshot.
    static UINT format();
    // Puts the drummer's content on the clipboard (snapshot and rendered
    // file).
    static HRESULT copyToClipboard(Engine &engine);
    // Reads a snapshot of the drummer's format from the clipboard into the
    // engine; false (the engine unchanged) when there is none or it is
    // damaged.
    static bool pasteFromClipboard(Engine &engine);
    // The system's temporary folder followed by the drag-out file's name.
    static std::string dragOutPath();
    // Renders into the drag-out file and returns a data object whose only
    // format is the file list naming it; null when the file could not be
    // written.
    static IDataObject *prepareDragOut(Engine &engine, std::string *path = nullptr);
    // Runs the drag (copy only). DRAGDROP_S_DROP, DRAGDROP_S_CANCEL or a
    // failure.
    static HRESULT dragOut(Engine &engine, DWORD *effect = nullptr);
};

} // namespace Quorvane::DrummerTransfer
