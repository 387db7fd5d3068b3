// The song's pattern pool as a table (one row per pattern; the host adds
// patterns through request 0, which answers a new CPattern* or null), and
// the windows of the three pattern track kinds, which so far add nothing
// to the frame but their colour. The table draws its frame, header and
// row numbers; its cells stay empty.
#pragma once

#include "gui/windows/abst_window.h"
#include "gui/windows/table_columns.h"

namespace Quorvane {

class CPattern;

// Request of the pattern table: a new pattern.
enum : long { PCREQ_NEW_PATTERN = 0 };

class PANNIKEL_API CPattChnWindow : public CAbstWindow {
public:
    CPattChnWindow();

    int InitLocal() override;
    void Resize() override;
    void Render(CGUIContext *ctx) override;
    void ModifyScrollQuad(long axis, QUAD *quad) override;
    void ShowCursor(int, CGUIContext *) override {}
    void ShowSongPtr(int, CGUIContext *) override {}
    void OnMouseWheel(float, int) override {}
    void UpdateChords(long) override {}
    void UpdateSongPtr(int) override {}

    CPattern *GetShowType() const { return showPattern; }
    // The pattern shown instead of the table; null: the table.
    void SetShowType(CPattern *pattern);
    int CanAddItem() { return 1; }
    int OnAddItem();
    int CanDelItem() { return 0; }
    int CanEditItem() { return 0; }
    int CanPropItem() { return 0; }
    int OnDelItem() { return 0; }
    int OnEditItem() { return 0; }
    int OnPropItem() { return 0; }

    long columnWidths[7];
    CPattern *showPattern = nullptr;
    long selItem = -1;
    long numPatterns = 0;

private:
    TableColumns Columns();
    void CountPatterns();
};

// The windows of the pattern track kinds.
class PANNIKEL_API CPattDrumsWindow : public CAbstWindow {
public:
    CPattDrumsWindow();
};

class PANNIKEL_API CPattMIDIWindow : public CAbstWindow {
public:
    CPattMIDIWindow();
};

class PANNIKEL_API CPattSRWindow : public CAbstWindow {
public:
    CPattSRWindow();
};

} // namespace Quorvane
