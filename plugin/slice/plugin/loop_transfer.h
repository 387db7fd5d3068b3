// The live loop handed to the outside world through the drummers' transfer
// functions: its loop record as "Vostrapellin Loop" beside the rendered
// cycle as a Standard MIDI File on the clipboard, and the rendered cycle
// dragged out as "Vostrapellin.mid". Window thread, OLE initialised.
#pragma once

#include "plugin/framework/plugin/drummer_transfer.h"
#include "plugin/slice/engine/vostrapellin.h"

namespace Quorvane::LoopSlice {

struct LoopTransferTraits {
    using Engine = Vostrapellin;
    class Source;
    static constexpr const char *kFormatName = "Vostrapellin Loop";
    static constexpr const char *kDragOutFileName = "Vostrapellin.mid";
};

} // namespace Quorvane::LoopSlice

namespace Quorvane {
extern template struct DrummerTransfer::TransferOf<LoopSlice::LoopTransferTraits>;
}

namespace Quorvane::LoopSlice {

// format() is the registered clipboard format "Vostrapellin Loop";
// pasteFromClipboard is false (the engine unchanged) when the clipboard
// holds no sound loop.
struct LoopTransfer : DrummerTransfer::TransferOf<LoopTransferTraits> {};

} // namespace Quorvane::LoopSlice
