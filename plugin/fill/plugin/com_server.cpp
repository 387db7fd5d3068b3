#include "plugin/fill/plugin/com_server.h"

#include "plugin/fill/plugin/grindelvosket_ids.h"
#include "plugin/fill/plugin/grindelvosket_mfx.h"

namespace Quorvane {

const DrummerClasses &GrindelvosketServerTraits::classes()
{
    static const DrummerClasses served{&CLSID_GrindelvosketMFX, kDrummerDescription,
                                       &CLSID_GrindelvosketPropertyPage, kPageDescription, L"Grindelvosket"};
    return served;
}

com::ObjectFactory *GrindelvosketServerTraits::makeDrummerFactory()
{
    return new GrindelvosketMFX::Factory();
}

} // namespace Quorvane
