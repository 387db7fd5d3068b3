#include "plugin/slice/plugin/com_server.h"

#include "plugin/slice/plugin/vostrapellin_ids.h"
#include "plugin/slice/plugin/vostrapellin_mfx.h"

namespace Quorvane::LoopSlice {

const DrummerClasses &VostrapellinServerTraits::classes()
{
    static const DrummerClasses served{&CLSID_VostrapellinMFX, kDrummerDescription,
                                       &CLSID_VostrapellinPropertyPage, kPageDescription, L"Vostrapellin"};
    return served;
}

com::ObjectFactory *VostrapellinServerTraits::makeDrummerFactory()
{
    return new VostrapellinMFX::Factory();
}

} // namespace Quorvane::LoopSlice
