// The rules of one drummer's transfer; included by the file that defines the
// drummer's Source and instantiates its transfer.
#pragma once

#include "plugin/framework/plugin/drummer_transfer.h"

namespace Quorvane::DrummerTransfer {

template <class Traits> UINT TransferOf<Traits>::format()
{
    static const UINT registered = RegisterClipboardFormatA(Traits::kFormatName);
    return registered;
}

template <class Traits> HRESULT TransferOf<Traits>::copyToClipboard(Engine &engine)
{
    typename Traits::Source source(engine);
    return DrummerTransfer::copyToClipboard(source, format());
}

template <class Traits> bool TransferOf<Traits>::pasteFromClipboard(Engine &engine)
{
    typename Traits::Source source(engine);
    return DrummerTransfer::pasteFromClipboard(source, format());
}

template <class Traits> std::string TransferOf<Traits>::dragOutPath()
{
    return DrummerTransfer::dragOutPath(Traits::kDragOutFileName);
}

template <class Traits> IDataObject *TransferOf<Traits>::prepareDragOut(Engine &engine, std::string *path)
{
    typename Traits::Source source(engine);
    return DrummerTransfer::prepareDragOut(source, Traits::kDragOutFileName, path);
}

template <class Traits> HRESULT TransferOf<Traits>::dragOut(Engine &engine, DWORD *effect)
{
    typename Traits::Source source(engine);
    return DrummerTransfer::dragOut(source, Traits::kDragOutFileName, effect);
}

} // namespace Quorvane::DrummerTransfer
