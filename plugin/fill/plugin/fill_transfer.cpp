#include "plugin/fill/plugin/fill_transfer.h"

#include "plugin/framework/plugin/drummer_transfer_of.h"
#include "plugin/fill/plugin/fill_export.h"

namespace Quorvane {

// The fill engine as the transfer functions see it.
class FillTransferTraits::Source : public DrummerTransfer::Source {
public:
    explicit Source(Grindelvosket &engine) : engine_(engine) {}

    bool saveSnapshot(OutputStream &out) override { return engine_.saveLoop(out); }
    bool loadSnapshot(InputStream &in, bool notify) override { return engine_.loadLoop(in, notify); }
    bool renderSmf(OutputStream &out) override { return FillExport::renderFill(engine_, out); }

private:
    Grindelvosket &engine_;
};

template struct DrummerTransfer::TransferOf<FillTransferTraits>;

} // namespace Quorvane
