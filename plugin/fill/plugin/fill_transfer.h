// The fill handed to the outside world through the drummers' transfer
// functions: its snapshot as "Grindelvosket Fill" beside the rendered
// Standard MIDI File on the clipboard, and the rendered file dragged out as
// "Grindelvosket.mid". Both run on the window thread with OLE initialised.
#pragma once

#include "plugin/fill/engine/grindelvosket.h"
#include "plugin/framework/plugin/drummer_transfer.h"

namespace Quorvane {

struct FillTransferTraits {
    using Engine = Grindelvosket;
    class Source;
    static constexpr const char *kFormatName = "Grindelvosket Fill";
    static constexpr const char *kDragOutFileName = "Grindelvosket.mid";
};

extern template struct DrummerTransfer::TransferOf<FillTransferTraits>;

// format() is the registered clipboard format "Grindelvosket Fill";
// dragOutPath() the temporary folder followed by "Grindelvosket.mid".
struct FillTransfer : DrummerTransfer::TransferOf<FillTransferTraits> {};

} // namespace Quorvane
