#include "plugin/fill/plugin/fill_transfer.h"

#include "plugin/fill/plugin/fill_export.h"

namespace Quorvane::FillTransfer {

namespace {

// The fill engine as the transfer functions see it.
class FillSource : public DrummerTransfer::Source {
public:
    explicit FillSource(Grindelvosket &engine) : engine_(engine) {}

    bool saveSnapshot(OutputStream &out) override { return engine_.saveLoop(out); }
    bool loadSnapshot(InputStream &in, bool notify) override { return engine_.loadLoop(in, notify); }
    bool renderSmf(OutputStream &out) override { return FillExport::renderFill(engine_, out); }

private:
    Grindelvosket &engine_;
};

} // namespace

UINT fillFormat()
{
    static const UINT format = RegisterClipboardFormatA(kFillFormatName);
    return format;
}

HRESULT copyFillToClipboard(Grindelvosket &engine)
{
    FillSource source(engine);
    return DrummerTransfer::copyToClipboard(source, fillFormat());
}

bool pasteFillFromClipboard(Grindelvosket &engine)
{
    FillSource source(engine);
    return DrummerTransfer::pasteFromClipboard(source, fillFormat());
}

std::string dragOutPath()
{
    return DrummerTransfer::dragOutPath(kDragOutFileName);
}

IDataObject *prepareDragOut(Grindelvosket &engine, std::string *path)
{
    FillSource source(engine);
    return DrummerTransfer::prepareDragOut(source, kDragOutFileName, path);
}

HRESULT dragOutFill(Grindelvosket &engine, DWORD *effect)
{
    FillSource source(engine);
    return DrummerTransfer::dragOut(source, kDragOutFileName, effect);
}

} // namespace Quorvane::FillTransfer
