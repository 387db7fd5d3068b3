// The song tract window: binding, pages, the list of items and painting.
#include "gui/windows/song_tract_window.h"

#include "data/levels.h"
#include "data/meff_chain.h"
#include "data/song.h"
#include "data/sound_interfaces.h"
#include "data/track_midi.h"
#include "gui/draw/draw_functions.h"
#include "gui/draw/gui_context.h"
#include "gui/draw/names.h"
#include "gui/draw/shared_objects.h"
#include "gui/windows/gui_client.h"
#include "gui/windows/window_globals.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace Quorvane {

namespace {

constexpr TableColumn kPortColumns[] = {{"N", 31}, {"Port Name", 26}, {"Port Out", 26}};
constexpr TableColumn kBusColumns[] = {{"N", 31},     {"Syn", 31},    {"Name", 195}, {"Level", 3},
                                       {"Volume", 3}, {"Panning", 3}, {"Eff", 31}};
constexpr TableColumn kAudioEffectColumns[] = {{"N", 31}, {"Name", 26}, {"M", 0}};
constexpr TableColumn kMIDIEffectColumns[] = {{"N", 31}, {"Name", 26}, {"M", 0}};

constexpr unsigned long kAlignLeftMiddle = 4;
constexpr unsigned long kAlignRightMiddle = 6;

// Row backgrounds of the outputs by kind.
constexpr long kPortGradient[8] = {6, 1, 4, 0, 2, 8, 20, 3};
// Output kinds whose bus cannot be chosen: the preview and MIDI ports.
bool fixedRoute(long kind)
{
    return kind == 0 || kind == 7;
}

} // namespace

CSongTractWindow::CSongTractWindow() : CStructArray(sizeof(SONGTRACT_ITEM), 8)
{
    std::copy(tabSTractClmnPrt, tabSTractClmnPrt + 3, colsPorts);
    std::copy(tabSTractClmnBus, tabSTractClmnBus + 7, colsBuses);
    std::copy(tabSTractClmnAEff, tabSTractClmnAEff + 3, colsAudioEffects);
    std::copy(tabSTractClmnMEff, tabSTractClmnMEff + 3, colsMIDIEffects);
    bkgndColour = &colBkgndSTtact;
    topBand = kTableHeader;
}

TableColumns CSongTractWindow::Columns()
{
    switch (showType) {
    case STPAGE_BUSES:
        return {kBusColumns, colsBuses, tabSTractClmnBus, 7};
    case STPAGE_AUDIO_EFFECTS:
        return {kAudioEffectColumns, colsAudioEffects, tabSTractClmnAEff, 3};
    case STPAGE_MIDI_EFFECTS:
        return {kMIDIEffectColumns, colsMIDIEffects, tabSTractClmnMEff, 3};
    default:
        return {kPortColumns, colsPorts, tabSTractClmnPrt, 3};
    }
}

int CSongTractWindow::InitLocal()
{
    tract = song ? song->GetSongTract() : nullptr;
    SetShowType(showType, 0);
    return 1;
}

void CSongTractWindow::DestroyLocal()
{
    if (tract)
        tract->SetMonitor(0, nullptr, 0);
    tract = nullptr;
}

void CSongTractWindow::Resize()
{
    const TableColumns cols = Columns();
    CalcScroll(width, cols.widths[0], cols.ScrolledWidth(), scrollMaxX, scrollPageX, scrollPosX);
    CalcScroll(height, kTableHeader, kTableRow * GetNumb(), scrollMaxY, scrollPageY, scrollPosY);
}

void CSongTractWindow::ModifyScrollQuad(long axis, QUAD *quad)
{
    if (axis == 0)
        quad->left = Columns().widths[0] + 1;
    else
        quad->top = kTableHeader;
}

void *CSongTractWindow::ItemAt(long row) const
{
    return row >= 0 && row < GetNumb() ? static_cast<SONGTRACT_ITEM *>(GetElementAt(row))->item : nullptr;
}

long CSongTractWindow::GetRow(long y) const
{
    if (y < kTableHeader + 1)
        return -1;
    return (y - kTableHeader + scrollPosY) / kTableRow;
}

QUAD CSongTractWindow::CellQuad(long row, long column)
{
    return Columns().Cell(row, column, scrollPosX, scrollPosY);
}

void CSongTractWindow::UpdateRow(long row)
{
    UpdateTableRow(*this, row);
}

void CSongTractWindow::UpdateCell(long row, long column)
{
    QUAD q = CellQuad(row, column);
    q.top = std::max(q.top, kTableHeader);
    if (column > 0)
        q.left = std::max(q.left, Columns().widths[0]);
    if (q.bottom > q.top && q.right > q.left)
        Update(&q, 0);
}

void CSongTractWindow::EnsureVisible(long row)
{
    const long y = ScrollToShowRow(row, height, scrollPosY);
    if (y != scrollPosY)
        ScrollToPosition(scrollPosX, y);
}

void CSongTractWindow::Select(long row)
{
    if (row == selItem || row < 0 || row >= GetNumb())
        return;
    const long old = selItem;
    selItem = row;
    UpdateRow(old);
    UpdateRow(row);
}

void *CSongTractWindow::OwnerBus()
{
    return effOwner > 0 && tract ? tract->GetBusByNumb(effOwner) : nullptr;
}

CTrackMIDI *CSongTractWindow::OwnerTrack()
{
    CTrack *track = song ? song->GetTrack(effOwner) : nullptr;
    return track && track->GetKind() == TRACK_MIDI ? static_cast<CTrackMIDI *>(track) : nullptr;
}

// --- pages

void CSongTractWindow::SetShowType(long page, long owner)
{
    if (page < 0)
        page = showType;
    const long previousOwner = effOwner;
    effOwner = owner;
    if (page != showType)
        LeavePage(page, previousOwner);
    showType = page;
    UpdateInfo(-1, nullptr);
    EnterPage();
}

void CSongTractWindow::LeavePage(long next, long previousOwner)
{
    switch (showType) {
    case STPAGE_BUSES:
        effOwner = selItem;
        break;
    case STPAGE_AUDIO_EFFECTS:
        if (client)
            client->GUICLRequest(STREQ_BUS_CHOOSER, -1, 0);
        if (next == STPAGE_BUSES)
            selItem = previousOwner;
        break;
    case STPAGE_MIDI_EFFECTS:
        if (client)
            client->GUICLRequest(STREQ_TRACK_CHOOSER, -1, 0);
        break;
    default:
        break;
    }
}

void CSongTractWindow::EnterPage()
{
    const char *title = " Out Ports";
    switch (showType) {
    case STPAGE_BUSES: {
        MonitorProc callback = nullptr;
        ULONG_PTR user = 0;
        if (client)
            client->GUICLRequest(STREQ_MONITOR_CALLBACK, reinterpret_cast<LONG_PTR>(&callback),
                                 reinterpret_cast<LONG_PTR>(&user));
        if (tract)
            tract->SetMonitor(1, callback, user);
        title = " Audio Buses";
        break;
    }
    case STPAGE_AUDIO_EFFECTS:
        if (tract)
            tract->SetMonitor(0, nullptr, 0);
        if (client && tract)
            client->GUICLRequest(STREQ_BUS_CHOOSER, effOwner, tract->GetNumBuses() - 1);
        title = " Audio Effects";
        break;
    case STPAGE_MIDI_EFFECTS:
        if (tract)
            tract->SetMonitor(0, nullptr, 0);
        if (client) {
            effOwner = static_cast<long>(
                client->GUICLRequest(STREQ_TRACK_CHOOSER, effOwner, reinterpret_cast<LONG_PTR>(song)));
            UpdateInfo(-1, nullptr);
        }
        title = " MIDI Effects";
        break;
    default:
        if (tract)
            tract->SetMonitor(0, nullptr, 0);
        break;
    }
    if (client)
        client->GUICLSetStatusText(1, title);
}

void CSongTractWindow::OnSetEffectOwner(long owner)
{
    effOwner = owner;
    UpdateInfo(-1, nullptr);
}

void CSongTractWindow::UpdateInfo(long row, void *item)
{
    Clear();
    auto add = [this](void *handle) {
        SONGTRACT_ITEM element;
        element.item = handle;
        return Insert(GetNumb(), 1, &element) != 0;
    };
    if (tract) {
        switch (showType) {
        case STPAGE_PORTS:
            for (void *out = tract->GetNextOut(nullptr); out && add(out); out = tract->GetNextOut(out)) {
            }
            break;
        case STPAGE_BUSES:
            for (void *bus = tract->GetNextBus(nullptr); bus; bus = tract->GetNextBus(bus))
                if (!add(GetNumb() == 0 ? nullptr : bus)) // the first is the master, a null handle
                    break;
            break;
        case STPAGE_AUDIO_EFFECTS: {
            void *bus = OwnerBus();
            for (void *e = tract->GetNextSEffect(bus, nullptr); e && add(e);
                 e = tract->GetNextSEffect(bus, e)) {
            }
            break;
        }
        default:
            if (CTrackMIDI *track = OwnerTrack())
                for (CMEffElem *e = track->effects.GetFirstElem(); e && add(e);
                     e = static_cast<CMEffElem *>(e->next)) {
                }
            break;
        }
    }
    if (row >= 0)
        selItem = row;
    if (selItem < 0 || selItem >= GetNumb())
        selItem = 0;
    if (item)
        for (long r = 0; r < GetNumb(); ++r)
            if (ItemAt(r) == item)
                selItem = r;
    OnSize(kTimeMax, kTimeMax);
    Update(nullptr, 0);
}

// --- painting

void CSongTractWindow::Render(CGUIContext *ctx)
{
    const TableColumns cols = Columns();
    const long resizing = IsColumnResize(dragState) ? ResizedColumn(dragState) : -1;
    cols.DrawHeader(ctx, width, scrollPosX, resizing);
    ctx->SelectFont(&sharedFont, 0);
    ctx->SelectFontColor(&colBlack);
    if (!ctx->SetDrawingQuad(QUAD(0, kTableHeader, width, height)))
        return;
    const long first = std::max(GetRow(kTableHeader + 1), 0L);
    const long last = std::min(GetRow(height), GetNumb() - 1);
    if (ctx->SetDrawingQuad(QUAD(cols.widths[0], kTableHeader, width, height))) {
        for (long row = first; row <= last; ++row)
            if (ctx->IsQuadInViewport(QUAD(0, RowTop(row), width, RowTop(row) + kTableRow)))
                DrawRow(ctx, row);
        cols.DrawBorders(ctx, kTableHeader, height, scrollPosX);
    }
    ctx->SetDrawingQuad(QUAD(0, kTableHeader, width, height));
    char text[16];
    for (long row = first; row <= last; ++row) {
        if (showType == STPAGE_BUSES && row == 0)
            std::snprintf(text, sizeof text, "M");
        else
            std::snprintf(text, sizeof text, "%ld", showType == STPAGE_BUSES ? row : row + 1);
        cols.DrawNumber(ctx, RowTop(row), text, row == selItem);
    }
    cols.CloseNumbers(ctx, kTableHeader, height);
    ctx->ResetDrawingQuad();
}

void CSongTractWindow::DrawRow(CGUIContext *ctx, long row)
{
    const TableColumns cols = Columns();
    switch (showType) {
    case STPAGE_PORTS:
        DrawPortRow(ctx, row, cols);
        break;
    case STPAGE_BUSES:
        DrawBusRow(ctx, row, cols);
        break;
    case STPAGE_AUDIO_EFFECTS:
        DrawAudioEffectRow(ctx, row, cols);
        break;
    default:
        DrawMIDIEffectRow(ctx, row, cols);
        break;
    }
}

namespace {

const char *busName(long bus, char *text, long size)
{
    if (bus < 0)
        std::snprintf(text, size, "MIDI Out");
    else if (bus == 0)
        std::snprintf(text, size, "Master Out");
    else
        std::snprintf(text, size, "Audio Bus %ld", bus);
    return text;
}

QUAD after(QUAD cell, long inset)
{
    cell.left += inset;
    return cell;
}

} // namespace

void CSongTractWindow::DrawPortRow(CGUIContext *ctx, long row, const TableColumns &cols)
{
    void *out = ItemAt(row);
    char name[256];
    long number = -1;
    const long kind = tract->GetOutInfo(out, name, number);
    name[sizeof name - 1] = 0;
    CreateOutPortName(name, kind, number, sizeof name);
    const long top = RowTop(row);
    ctx->DrawHorzGradient(&sharedGradient, kPortGradient[std::clamp(kind, 0L, 7L)], cols.widths[0], top,
                          width - cols.widths[0]);
    const QUAD nameCell = CellQuad(row, 1);
    ctx->DrawImage(&sharedImage, 2, std::clamp(kind, 0L, 7L), nameCell.left + 5, top + 5);
    ctx->DrawTextA(after(nameCell, 26), kAlignLeftMiddle, 0, name, -1);
    QUAD outCell = CellQuad(row, 2);
    if (editRow == row && editCol == 2)
        ctx->DrawHorzGradient(&sharedGradient, 14, outCell.left, top, outCell.Width());
    const long bus = tract->GetOutBus(out);
    ctx->DrawImage(&sharedImage, 3, bus < 0 ? 2 : (bus == 0 ? 0 : 1), outCell.left + 5, top + 5);
    QUAD text = after(outCell, 26);
    text.right -= 8;
    ctx->DrawTextA(text, kAlignLeftMiddle, 0, busName(bus, name, sizeof name), -1);
    ctx->DrawDropDownMark(outCell, !fixedRoute(kind));
}

void CSongTractWindow::DrawBusRow(CGUIContext *ctx, long row, const TableColumns &cols)
{
    void *bus = ItemAt(row);
    const long top = RowTop(row);
    float volume = 1.0f, pan = 1.0f;
    long effects = 0;
    const long outputs = tract->GetBusInfo(bus, volume, pan, effects);
    ctx->DrawHorzGradient(&sharedGradient, row == 0 ? 0 : 4, cols.widths[0], top, width - cols.widths[0]);
    ctx->DrawInt(CellQuad(row, 1), kAlignRightMiddle, 4, outputs, "%i");
    const QUAD nameCell = CellQuad(row, 2);
    char name[64];
    ctx->DrawImage(&sharedImage, 3, row == 0 ? 0 : 1, nameCell.left + 5, top + 5);
    ctx->DrawTextA(after(nameCell, 26), kAlignLeftMiddle, 0, busName(row, name, sizeof name), -1);
    DrawLevel(ctx, row, CellQuad(row, 3));
    DrawVol(ctx, CellQuad(row, 4), volume, editRow == row && editCol == 4);
    DrawPan(ctx, CellQuad(row, 5), pan, editRow == row && editCol == 5);
    ctx->DrawInt(CellQuad(row, 6), kAlignRightMiddle, 4, effects, "%i");
}

void CSongTractWindow::DrawLevel(CGUIContext *ctx, long row, QUAD cell)
{
    if (cell.Width() < 18)
        return;
    SONGTRACT_DRAWLEVEL level{cell.left + 4, cell.top + 8, cell.Width() - 14, {0, 0}, {0, 0}};
    tract->GetBusLevel(ItemAt(row), level.level[0], level.level[1], level.overload[0], level.overload[1]);
    Quorvane::DrawLevel(ctx, &level);
}

char *CSongTractWindow::VolText(float volume, char *text, long size)
{
    if (volume > 0.001f)
        std::snprintf(text, size, "%.1f db", DBFromVal(volume));
    else
        std::snprintf(text, size, "-inf");
    return text;
}

char *CSongTractWindow::PanText(float pan, char *text, long size)
{
    long percent = 0;
    const char *side = "";
    if (pan < 1.0f) {
        percent = static_cast<long>((1.0f - pan) * 100.0f + 0.5f);
        side = "L";
    } else if (pan > 1.0f) {
        percent = static_cast<long>((pan - 1.0f) * 100.0f + 0.5f);
        side = "R";
    }
    if (percent == 0)
        std::snprintf(text, size, "C");
    else
        std::snprintf(text, size, "%ld%% %s", percent, side);
    return text;
}

void CSongTractWindow::DrawVol(CGUIContext *ctx, QUAD cell, float volume, int edited)
{
    if (cell.Width() < 5)
        return;
    if (volume > 0.001f) {
        const long bar = std::max(static_cast<long>(cell.Width() * volume * 0.5f), 2L);
        ctx->DrawHorzGradient(&sharedGradient, edited ? 14 : 10, cell.left, cell.top, bar);
    }
    char text[32];
    ctx->DrawTextA(cell, kAlignRightMiddle, 3, VolText(volume, text, sizeof text), -1);
}

void CSongTractWindow::DrawPan(CGUIContext *ctx, QUAD cell, float pan, int edited)
{
    if (cell.Width() < 5)
        return;
    const long bar = static_cast<long>(cell.Width() * pan * 0.5f);
    if (bar > 0)
        ctx->DrawHorzGradient(&sharedGradient, edited ? 14 : 10, cell.left, cell.top, bar);
    char text[32];
    ctx->DrawTextA(cell, kAlignRightMiddle, 3, PanText(pan, text, sizeof text), -1);
}

void CSongTractWindow::DrawAudioEffectRow(CGUIContext *ctx, long row, const TableColumns &cols)
{
    void *effect = ItemAt(row);
    char name[256] = "";
    int on = 0;
    const long kind = tract->GetSEffectInfo(effect, name, on);
    name[sizeof name - 1] = 0;
    CreateAEffName(name, kind, -1, sizeof name);
    static const long background[3] = {0, 2, 8};
    const long top = RowTop(row);
    ctx->DrawHorzGradient(&sharedGradient, background[std::clamp(kind, 0L, 2L)], cols.widths[0], top,
                          width - cols.widths[0]);
    const QUAD nameCell = CellQuad(row, 1);
    ctx->DrawImage(&sharedImage, 4, std::clamp(kind, 0L, 2L), nameCell.left + 5, top + 5);
    ctx->DrawTextA(after(nameCell, 26), kAlignLeftMiddle, 0, name, -1);
    ctx->DrawImage(&sharedImage, 1, on ? 0 : 1, CellQuad(row, 2).left + 5, top + 5);
}

void CSongTractWindow::DrawMIDIEffectRow(CGUIContext *ctx, long row, const TableColumns &cols)
{
    auto *element = static_cast<CMEffElem *>(ItemAt(row));
    const long kind = std::clamp(element->kind, 0L, 1L);
    char name[256];
    std::snprintf(name, sizeof name, "%s", element->GetName() ? element->GetName() : "");
    CreateMEffName(name, kind, -1, sizeof name);
    const long top = RowTop(row);
    ctx->DrawHorzGradient(&sharedGradient, kind == 0 ? 3 : 8, cols.widths[0], top, width - cols.widths[0]);
    const QUAD nameCell = CellQuad(row, 1);
    ctx->DrawImage(&sharedImage, 4, kind + 3, nameCell.left + 5, top + 5);
    ctx->DrawTextA(after(nameCell, 26), kAlignLeftMiddle, 0, name, -1);
    ctx->DrawImage(&sharedImage, 1, element->active ? 0 : 1, CellQuad(row, 2).left + 5, top + 5);
}

void CSongTractWindow::OnMonitorCallback()
{
    if (showType != STPAGE_BUSES || !tract)
        return;
    const TableColumns cols = Columns();
    const long left = std::max(cols.Left(3, scrollPosX), cols.widths[0]);
    const long right = std::min(cols.Right(3, scrollPosX), width);
    if (cols.widths[3] < 18 || right <= left)
        return;
    CGUIContext *ctx = TakeContext();
    if (!ctx)
        return;
    if (ctx->SetDrawingQuad(QUAD(left, kTableHeader, right - 1, height))) {
        const long last = std::min(GetRow(height), GetNumb() - 1);
        for (long row = std::max(GetRow(kTableHeader + 1), 0L); row <= last; ++row)
            DrawLevel(ctx, row, CellQuad(row, 3));
    }
    GiveContext(ctx);
}

} // namespace Quorvane
