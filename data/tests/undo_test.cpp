#include "data/undo.h"

#include <gtest/gtest.h>

using namespace Quorvane;

namespace {

struct Recorder : CUndo {
    int StoreTempUndo(char *, long what) override
    {
        ++stored;
        lastWhat = what;
        return allow;
    }
    void RestoreTempUndo() override { ++restored; }
    int stored = 0, restored = 0, allow = 1;
    long lastWhat = 0;
};

TEST(Undo, BaseKeepsOnlyTheModifiedFlag)
{
    Recorder undo;
    EXPECT_EQ(undo.IsModified(), 0);
    char *caption = reinterpret_cast<char *>(&undo);
    EXPECT_EQ(undo.CanUndo(&caption), 0);
    EXPECT_EQ(caption, nullptr);
    undo.CommitTempUndo();
    EXPECT_EQ(undo.IsModified(), 1);
    undo.Clear();
    EXPECT_EQ(undo.IsModified(), 0);
    undo.allow = 0;
    EXPECT_EQ(undo.StoreUndoNow(nullptr, 4), 0);
    EXPECT_EQ(undo.IsModified(), 0);
    undo.allow = 1;
    EXPECT_EQ(undo.StoreUndoNow(nullptr, 4), 1);
    EXPECT_EQ(undo.IsModified(), 1);
}

TEST(Undo, AnAccountRestoresUnlessCommitted)
{
    Recorder undo;
    {
        CUndoAccount step(&undo, nullptr, 7);
        EXPECT_EQ(undo.stored, 1);
        EXPECT_EQ(undo.lastWhat, 7);
    }
    EXPECT_EQ(undo.restored, 1);
    {
        CUndoAccount step(&undo, nullptr, 7);
        step.Commit();
    }
    EXPECT_EQ(undo.restored, 1);
    EXPECT_EQ(undo.IsModified(), 1);
    undo.allow = 0;
    {
        CUndoAccount refused(&undo, nullptr, 7); // no step: nothing to restore
    }
    EXPECT_EQ(undo.restored, 1);
    CUndoAccount none(nullptr, nullptr, 0);
    none.Commit();
}

} // namespace
