#include "plugin/slice/plugin/loop_transfer.h"

#include "plugin/framework/plugin/drummer_transfer_of.h"

namespace Quorvane::LoopSlice {

class LoopTransferTraits::Source : public DrummerTransfer::Source {
public:
    explicit Source(Vostrapellin &engine) : engine_(engine) {}

    bool saveSnapshot(OutputStream &out) override { return engine_.SaveLoop(out, false); }
    bool loadSnapshot(InputStream &in, bool notify) override { return engine_.LoadLoop(in, notify); }
    bool renderSmf(OutputStream &out) override { return engine_.renderLoop(out); }

private:
    Vostrapellin &engine_;
};

} // namespace Quorvane::LoopSlice

namespace Quorvane {
template struct DrummerTransfer::TransferOf<LoopSlice::LoopTransferTraits>;
}
