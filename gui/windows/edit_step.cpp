#include "gui/windows/edit_step.h"

#include "data/song.h"
#include "gui/windows/gui_client.h"

namespace Quorvane {

EditStep::EditStep(CSong *song, CGUIClient *client, const char *caption, long scope)
    : song_(song), client_(client), pending_(song->StoreTempUndo(const_cast<char *>(caption), scope)),
      lock_(song->GetSyncObj())
{
}

EditStep::~EditStep()
{
    if (finished_)
        return;
    lock_.Unlock();
    if (pending_) {
        song_->RestoreTempUndo();
        song_->DiscardTempUndo();
    }
}

void EditStep::Done()
{
    if (finished_)
        return;
    finished_ = 1;
    if (client_)
        client_->GUICLSetModified(1);
    if (pending_)
        song_->CommitTempUndo();
}

void EditStep::Discard()
{
    if (finished_)
        return;
    finished_ = 1;
    lock_.Unlock();
    if (pending_)
        song_->DiscardTempUndo();
}

void MarkModified(CSong *song, CGUIClient *client)
{
    if (client)
        client->GUICLSetModified(1);
    if (song)
        song->SetModified(1);
}

} // namespace Quorvane
