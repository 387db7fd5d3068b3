#include "data/undo.h"

namespace Quorvane {

int CUndo::StoreTempUndo(char *, long)
{
    return 1;
}

void CUndo::RestoreTempUndo() {}

void CUndo::RestoreUndo() {}

int CUndo::CanUndo(char **caption)
{
    if (caption)
        *caption = nullptr;
    return 0;
}

int CUndo::StoreUndoNow(char *caption, long what)
{
    if (!StoreTempUndo(caption, what))
        return 0;
    CommitTempUndo();
    return 1;
}

CUndoAccount::CUndoAccount(CUndo *undo, char *caption, long what)
    : target(undo && undo->StoreTempUndo(caption, what) ? undo : nullptr)
{
}

CUndoAccount::~CUndoAccount()
{
    if (target)
        target->RestoreTempUndo();
}

void CUndoAccount::Commit()
{
    if (target)
        target->CommitTempUndo();
    target = nullptr;
}

} // namespace Quorvane
