#include "gui/windows/erase_stroke.h"

#include "data/song.h"
#include "gui/windows/gui_client.h"

namespace Quorvane {

void EraseStroke::Begin(CSong *song, const char *caption, long scope)
{
    pending_ = song->StoreTempUndo(const_cast<char *>(caption), scope);
    erased_ = 0;
}

int EraseStroke::End(CSong *song, CGUIClient *client)
{
    const int erased = erased_;
    if (erased) {
        client->GUICLSetModified(1);
        if (pending_)
            song->CommitTempUndo();
    } else if (pending_) {
        song->DiscardTempUndo();
    }
    pending_ = 0;
    erased_ = 0;
    return erased;
}

} // namespace Quorvane
