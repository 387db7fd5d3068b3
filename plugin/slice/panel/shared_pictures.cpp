#include "plugin/slice/panel/shared_pictures.h"

#include "plugin/slice/panel/panel_ids.h"

#include <map>
#include <memory>

namespace Quorvane::LoopSlice {

COLORREF panelBackground()
{
    static const COLORREF colour = GetSysColor(COLOR_3DFACE);
    return colour;
}

Bitmap *SharedPicture::acquire()
{
    if (users_++ == 0 || !bitmap_) {
        const COLORREF back = panelBackground();
        const auto entry = [back](COLORREF grey) {
            return ColourMapEntry{grey, GetRValue(back), GetGValue(back), GetBValue(back), 0};
        };
        const ColourMapEntry greys[6] = {entry(RGB(212, 208, 200)), entry(RGB(212, 208, 199)),
                                         entry(RGB(213, 208, 200)), entry(RGB(213, 209, 200)),
                                         entry(RGB(213, 209, 201)), entry(RGB(213, 210, 201))};
        bitmap_ = RefPtr<OpaqueBitmap>::adopt(
            OpaqueBitmap::loadMapped(MAKEINTRESOURCEA(resourceId_), greys, greys_ == Greys::Six ? 6 : 1));
    }
    return bitmap_.get();
}

void SharedPicture::release()
{
    if (users_ > 0 && --users_ == 0)
        bitmap_.reset();
}

SharedPicture &sharedPicture(WORD resourceId)
{
    static std::map<WORD, std::unique_ptr<SharedPicture>> pictures;
    std::unique_ptr<SharedPicture> &picture = pictures[resourceId];
    if (!picture)
        picture = std::make_unique<SharedPicture>(
            resourceId, resourceId == IDB_PARTS ? SharedPicture::Greys::Six : SharedPicture::Greys::One);
    return *picture;
}

} // namespace Quorvane::LoopSlice
