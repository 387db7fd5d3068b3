#include "plugin/slice/plugin/loop_transfer.h"

namespace Quorvane::LoopSlice::LoopTransfer {

namespace {

class LoopSource : public DrummerTransfer::Source {
public:
    explicit LoopSource(Vostrapellin &engine) : engine_(engine) {}

    bool saveSnapshot(OutputStream &out) override { return engine_.SaveLoop(out, false); }
    bool loadSnapshot(InputStream &in, bool notify) override { return engine_.LoadLoop(in, notify); }
    bool renderSmf(OutputStream &out) override { return engine_.renderLoop(out); }

private:
    Vostrapellin &engine_;
};

} // namespace

UINT loopFormat()
{
    static const UINT format = RegisterClipboardFormatA(kLoopFormatName);
    return format;
}

HRESULT copyLoopToClipboard(Vostrapellin &engine)
{
    LoopSource source(engine);
    return DrummerTransfer::copyToClipboard(source, loopFormat());
}

bool pasteLoopFromClipboard(Vostrapellin &engine)
{
    LoopSource source(engine);
    return DrummerTransfer::pasteFromClipboard(source, loopFormat());
}

std::string dragOutPath()
{
    return DrummerTransfer::dragOutPath(kDragOutFileName);
}

IDataObject *prepareDragOut(Vostrapellin &engine, std::string *path)
{
    LoopSource source(engine);
    return DrummerTransfer::prepareDragOut(source, kDragOutFileName, path);
}

HRESULT dragOutLoop(Vostrapellin &engine, DWORD *effect)
{
    LoopSource source(engine);
    return DrummerTransfer::dragOut(source, kDragOutFileName, effect);
}

} // namespace Quorvane::LoopSlice::LoopTransfer
