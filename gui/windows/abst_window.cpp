#include "gui/windows/abst_window.h"

#include "data/song.h"
#include "data/track.h"
#include "gui/draw/gui_context.h"
#include "gui/draw/gui_tables.h"
#include "gui/draw/shared_objects.h"
#include "gui/windows/gui_client.h"
#include "gui/windows/left_band.h"
#include "gui/windows/liaison.h"
#include "gui/windows/song_pointer.h"
#include "gui/windows/window_globals.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <new>

namespace Quorvane {

namespace {

constexpr long kTicksPerQuarterUnit = 960;

// value * ticksPerQuarter / 960 toward zero, at least 1.
long scaleToSong(long value, long ticksPerQuarter)
{
    const int64_t scaled = static_cast<int64_t>(value) * ticksPerQuarter / kTicksPerQuarterUnit;
    return static_cast<long>(std::clamp<int64_t>(scaled, 1, LONG_MAX));
}

long clampToLong(int64_t value)
{
    return static_cast<long>(std::clamp<int64_t>(value, LONG_MIN, LONG_MAX));
}

int baseSongPtrShape(CAbstWindow *window, long time, CAbstWindow::SongPtrShape &shape)
{
    shape.x = window->GetXFromTime(time);
    shape.stemEnd = window->height;
    shape.tip = 5;
    shape.edge = 1;
    shape.clip = QUAD(window->leftBand, 0, window->width - window->rightMargin, window->height);
    return 1;
}

} // namespace

CAbstWindow::CAbstWindow() : zoom(ZoomTrackHorz), zoomShared(&ZoomTrackHorz) {}

CAbstWindow::~CAbstWindow()
{
    Destroy();
}

int CAbstWindow::InitLocal()
{
    return 1;
}

void CAbstWindow::DestroyLocal() {}
void CAbstWindow::Resize() {}
void CAbstWindow::Render(CGUIContext *) {}
void CAbstWindow::ModifyScrollQuad(long axis, QUAD *quad)
{
    if (!bandsStay)
        return;
    if (axis == 0)
        quad->left = leftBand;
    else
        quad->top = topBand;
}

void CAbstWindow::ShowCursor(int, CGUIContext *)
{
    const long kind = SharedGesture();
    if (kind == SHARED_FRAME || kind == SHARED_TIME_SELECTION)
        ShowFrame();
}

void CAbstWindow::ShowSongPtr(int on, CGUIContext *ctx)
{
    ShowSongPtrShaped(on, ctx, baseSongPtrShape);
}

long CAbstWindow::GetTimeFromX(long x)
{
    return clampToLong(std::max<int64_t>(0, (static_cast<int64_t>(x) - leftBand + scrollPosX) * zoom));
}

long CAbstWindow::GetXFromTime(long time)
{
    if (time >= kTimeMax)
        return kTimeMax;
    return time / std::max(zoom, 1L) - scrollPosX + leftBand;
}

long CAbstWindow::GetValFromY(long)
{
    return 0;
}

long CAbstWindow::GetYFromVal(long)
{
    return 0;
}

void CAbstWindow::OnLButtonDown(long, long, int, int) {}

void CAbstWindow::OnLButtonDblClk(long x, long y, int flag1, int flag2)
{
    OnLButtonDown(x, y, flag1, flag2);
}

void CAbstWindow::OnLButtonUp(long, long, int, int) {}
void CAbstWindow::OnMouseMove(long, long, int, int) {}
void CAbstWindow::OnMouseWheel(float, int) {}

int CAbstWindow::OnKeyDown(long, int, int)
{
    return 0;
}

int CAbstWindow::OnChar(long)
{
    return 0;
}

void CAbstWindow::OnTimer() {}

void CAbstWindow::OnActivate()
{
    EnsureVisibleTime(GetSongPtr(song), 1);
}

void CAbstWindow::UpdateTime(long from, long to, int full, int erase)
{
    const long dataRight = width - rightMargin;
    long left = from == 0 ? leftBand : GetXFromTime(from) - 1;
    if (left >= dataRight)
        return;
    left = std::max(left, leftBand);
    long right = to == kTimeMax ? dataRight : GetXFromTime(to) + 1;
    if (right < leftBand)
        return;
    right = std::min(right, dataRight);
    QUAD q = full ? QUAD(left, 0, right, height) : QUAD(left, topBand, right, height - bottomMargin);
    Update(&q, erase);
}

void CAbstWindow::UpdateChords(long) {}

void CAbstWindow::UpdateSongPtr(int ensureVisible)
{
    if (client) {
        if (CGUIContext *ctx = client->GUICLGetContext()) {
            ctx->InitViewport();
            if (ctx->Prepare()) {
                ShowSongPtr(0, ctx);
                ShowSongPtr(1, ctx);
                ctx->Unprepare();
            }
            client->GUICLReleaseContext(ctx);
        }
    }
    if (ensureVisible)
        EnsureVisibleTime(GetSongPtr(song), 1);
}

void CAbstWindow::EnsureVisibleTime(long time, int page)
{
    const long x = GetXFromTime(time);
    const long dataRight = width - rightMargin;
    const long z = std::max(zoom, 1L);
    if (x < leftBand)
        ScrollToPosition(time / z, scrollPosY);
    else if (x >= dataRight)
        ScrollToPosition(page ? time / z : time / z - width + rightMargin + leftBand + 1, scrollPosY);
}

void CAbstWindow::SetZoomHorz(long z)
{
    const long oldZoom = std::max(zoom, 1L);
    const long oldX = scrollPosX;
    z = std::clamp(z, std::max(zoomMin, 1L), std::max(zoomMax, zoomMin));
    zoom = z;
    const long ticksPerQuarter = TicksPerQuarter();
    *zoomShared = static_cast<long>(
        std::clamp<int64_t>(static_cast<int64_t>(z) * kTicksPerQuarterUnit / ticksPerQuarter, 1, LONG_MAX));
    OnSize(kTimeMax, kTimeMax);
    Update(nullptr, 0);
    const long newX =
        std::clamp<long>(clampToLong(static_cast<int64_t>(oldZoom) * oldX / z), 0L, std::max(scrollMaxX, 0L));
    if (newX != scrollPosX)
        ScrollToPosition(newX, scrollPosY);
}

long CAbstWindow::GetZoomVert(long &min, long &max)
{
    if (!rowZoom.height)
        return 0;
    min = rowZoom.min;
    max = rowZoom.max;
    return *rowZoom.height;
}

void CAbstWindow::SetZoomVert(long) {}

void *CAbstWindow::GetDataObject()
{
    return dataObject;
}

int CAbstWindow::Init(CSong *newSong, CLiason *newLiason, CGUIClient *newClient)
{
    song = newSong;
    liason = newLiason;
    client = newClient;
    if (liason && client) {
        long key1 = kAnyKey;
        long key2 = 0;
        client->GUICLGetKeys(&key1, &key2);
        if (key1 != kAnyKey) {
            auto *elem = new (std::nothrow) CLiasonElem(key1, key2, this);
            if (!elem)
                return 0;
            liason->InsertSort(elem);
        }
    }
    const long ticksPerQuarter = TicksPerQuarter();
    zoom = scaleToSong(zoom, ticksPerQuarter);
    zoomMin = scaleToSong(zoomMin, ticksPerQuarter);
    zoomMax = scaleToSong(zoomMax, ticksPerQuarter);
    if (!InitLocal())
        return 0;
    ShowSongPtr(1, nullptr);
    initialised = 1;
    return 1;
}

void CAbstWindow::Destroy()
{
    if (song) {
        if (liason) {
            if (CLiasonElem *elem = liason->Find(this))
                liason->Delete(elem, 1);
            liason = nullptr;
        }
        client = nullptr;
        song = nullptr;
    }
    DestroyLocal();
}

void CAbstWindow::Draw(CGUIContext *ctx)
{
    if (!initialised || !ctx)
        return;
    ShowCursor(0, nullptr);
    painting = 1;
    CGUIContext *buffer = ctx->TryCreateDoubleBuffer();
    if (buffer->Prepare()) {
        ShowSongPtr(0, buffer);
        if (bkgndColour)
            buffer->FillQuad(DataQuad(), bkgndColour);
        Render(buffer);
        ShowSongPtr(1, buffer);
        ctx->Flash(buffer);
        buffer->Unprepare();
    }
    ctx->TryDestroyDoubleBuffer(buffer);
    painting = 0;
    ShowCursor(1, nullptr);
}

void CAbstWindow::OnSize(long w, long h)
{
    if (!initialised || w <= 0 || h <= 0)
        return;
    if (!(w == kTimeMax && h == kTimeMax)) {
        width = w;
        height = h;
    }
    const long oldPosX = scrollPosX, oldPosY = scrollPosY;
    const long oldMaxX = scrollMaxX, oldMaxY = scrollMaxY;
    const long oldPageX = scrollPageX, oldPageY = scrollPageY;
    Resize();
    if (client) {
        if (scrollMaxX != oldMaxX || scrollPageX != oldPageX)
            client->GUICLSetScrollRange(0, scrollMaxX, scrollPageX);
        if (scrollMaxY != oldMaxY || scrollPageY != oldPageY)
            client->GUICLSetScrollRange(1, scrollMaxY, scrollPageY);
    }
    if (scrollPosX != oldPosX || scrollPosY != oldPosY) {
        const long newX = scrollPosX, newY = scrollPosY;
        scrollPosX = oldPosX;
        scrollPosY = oldPosY;
        ScrollToPosition(newX, newY);
    }
}

void CAbstWindow::OnScroll(long axis, long pos)
{
    if (axis == 0)
        ScrollToPosition(pos, scrollPosY);
    else if (axis == 1)
        ScrollToPosition(scrollPosX, pos);
}

void CAbstWindow::ScrollToPosition(long x, long y)
{
    if (x != scrollPosX) {
        const long newX = std::clamp(x, 0L, std::max(scrollMaxX, 0L));
        if (newX != scrollPosX) {
            QUAD rect(0, 0, width, height);
            ModifyScrollQuad(0, &rect);
            const long oldX = scrollPosX;
            scrollPosX = newX;
            if (client) {
                client->GUICLScrollArea(&rect, oldX - newX, 0);
                client->GUICLSetScrollPos(0, newX);
            }
        }
    }
    if (y != scrollPosY) {
        const long newY = std::clamp(y, 0L, std::max(scrollMaxY, 0L));
        if (newY != scrollPosY) {
            QUAD rect(0, 0, width, height);
            ModifyScrollQuad(1, &rect);
            const long oldY = scrollPosY;
            scrollPosY = newY;
            if (scrollYByRedraw)
                Update(&rect, 0);
            else if (client)
                client->GUICLScrollArea(&rect, 0, oldY - newY);
            if (client)
                client->GUICLSetScrollPos(1, newY);
        }
    }
}

void CAbstWindow::Update(QUAD *quad, int erase)
{
    QUAD q(0, 0, width, height);
    if (quad) {
        if (quad->left >= width || quad->top >= height || quad->right <= 0 || quad->bottom <= 0)
            return;
        q = *quad;
        q.left = std::max(q.left, 0L);
        q.top = std::max(q.top, 0L);
        q.right = std::min(q.right, width);
        q.bottom = std::min(q.bottom, height);
    }
    if (client)
        client->GUICLInvalidate(&q, erase);
}

long CAbstWindow::GetZoomHorz(long &min, long &max)
{
    min = zoomMin;
    max = zoomMax;
    return zoom;
}

void CAbstWindow::CalcScroll(long windowSize, long fixedSize, long contentSize, long &max, long &page,
                             long &pos)
{
    page = windowSize - fixedSize;
    max = contentSize - page;
    if (max < 1) {
        max = 0;
        page = 0;
    }
    if (pos > max)
        pos = max;
}

long CAbstWindow::ScrollFrame(QUAD frame, long x, long y, int allowX, int allowY)
{
    if (frame.left <= x && x < frame.right && frame.top <= y && y < frame.bottom)
        return 0;
    const long dx = x < frame.left ? x - frame.left : (x >= frame.right ? x - frame.right + 1 : 0);
    const long dy = y < frame.top ? y - frame.top : (y >= frame.bottom ? y - frame.bottom + 1 : 0);
    const long oldX = scrollPosX, oldY = scrollPosY;
    ScrollToPosition(allowX ? scrollPosX + dx : scrollPosX, allowY ? scrollPosY + dy : scrollPosY);
    if (client)
        client->GUICLSetMousePos(x - dx, y - dy);
    return (scrollPosX != oldX ? 1 : 0) + (scrollPosY != oldY ? 2 : 0);
}

int CAbstWindow::BoundMouseInQuad(long x, long y, QUAD *area)
{
    const QUAD q = area ? *area : DataQuad();
    if (q.left <= x && x < q.right && q.top <= y && y < q.bottom)
        return 0;
    const long bx = std::clamp(x, q.left, std::max(q.left, q.right - 1));
    const long by = std::clamp(y, q.top, std::max(q.top, q.bottom - 1));
    if (client)
        client->GUICLSetMousePos(bx, by);
    return 1;
}

int CAbstWindow::BoundMouseInQuadAbs(long x, long y, QUAD area)
{
    area.OffsHorz(-scrollPosX);
    area.OffsVert(-scrollPosY);
    if (BoundMouseInQuad(x, y, &area))
        return 1;
    const long dataRight = width - rightMargin;
    const long dataBottom = height - bottomMargin;
    const long dx = x < leftBand ? x - leftBand : (x >= dataRight ? x - dataRight + 1 : 0);
    const long dy = y < topBand ? y - topBand : (y >= dataBottom ? y - dataBottom + 1 : 0);
    if (dx || dy) {
        ScrollToPosition(scrollPosX + dx, scrollPosY + dy);
        if (client)
            client->GUICLSetMousePos(x - dx, y - dy);
    }
    return 0;
}

void CAbstWindow::SetCursorType(long type)
{
    if (type == cursorType)
        return;
    cursorType = type;
    if (client)
        client->GUICLSetCursor(type);
}

CGUIContext *CAbstWindow::TakeContext()
{
    CGUIContext *ctx = client ? client->GUICLGetContext() : nullptr;
    if (!ctx)
        return nullptr;
    ctx->InitViewport();
    if (!ctx->Prepare()) {
        client->GUICLReleaseContext(ctx);
        return nullptr;
    }
    return ctx;
}

void CAbstWindow::GiveContext(CGUIContext *ctx)
{
    if (!ctx)
        return;
    ctx->ResetDrawingQuad();
    ctx->Unprepare();
    if (client)
        client->GUICLReleaseContext(ctx);
}

CGUIContext *CAbstWindow::DrawFrame(QUAD frame, QUAD clip, CGUIContext *ctx, int done)
{
    if (!ctx) {
        ctx = TakeContext();
        if (!ctx)
            return nullptr;
        if (!ctx->SetDrawingQuad(clip) || !ctx->SelectDotFrame()) {
            GiveContext(ctx);
            return nullptr;
        }
    }
    frame.Normalize();
    ctx->DrawQuad(frame);
    if (!done)
        return ctx;
    GiveContext(ctx);
    return nullptr;
}

void CAbstWindow::ShareZoomHorz(long &shared)
{
    zoom = shared;
    zoomShared = &shared;
}

void CAbstWindow::ShareZoomVert(long &rowHeight, long &shared, long min, long max)
{
    rowZoom = RowZoom{&rowHeight, &shared, min, max};
    rowHeight = std::clamp(shared, min, max);
}

long CAbstWindow::KeepZoomVert(long rowHeight)
{
    rowHeight = std::clamp(rowHeight, rowZoom.min, rowZoom.max);
    *rowZoom.height = *rowZoom.shared = rowHeight;
    return rowHeight;
}

void CAbstWindow::SetLeftBand(CGUIGradient &gradients, long bandWidth, long *shared)
{
    leftBand = bandWidth;
    bandGradients = &gradients;
    bandShared = shared;
}

int CAbstWindow::BuildLeftBand(long count)
{
    return bandGradients && bandGradients->Init(count) && left_band::Build(*bandGradients, client, leftBand);
}

CTrack *CAbstWindow::BoundTrack(long kind) const
{
    if (!client || !song)
        return nullptr;
    long key1 = 0, key2 = 0;
    client->GUICLGetKeys(&key1, &key2);
    CTrack *found = song->GetTrack(key1);
    return found && found->GetKind() == kind ? found : nullptr;
}

long CAbstWindow::ToolCursor() const
{
    return client ? tabNativeCursor[std::clamp(client->tool, 0L, 3L)] : CURSOR_ARROW;
}

void CAbstWindow::WheelScroll(long pixels, int vertical)
{
    if (pixels == 0)
        return;
    if (vertical)
        ScrollToPosition(scrollPosX, scrollPosY + pixels);
    else
        ScrollToPosition(scrollPosX + pixels, scrollPosY);
    if (client)
        client->GUICLWheelScrolled();
}

long CAbstWindow::WheelStepX() const
{
    return std::max(std::min(TicksPerQuarter() / (2 * std::max(zoom, 1L)), (width - leftBand) / 10), 1L);
}

long CAbstWindow::TicksPerQuarter() const
{
    return song ? std::max(song->GetTimeBase(), 1L) : kTicksPerQuarterUnit;
}

long CAbstWindow::SongLength() const
{
    return song ? std::max(song->playRangeEnd, song->songEnd) : 0;
}

void CAbstWindow::MoveSongPointer(long time)
{
    if (time != GetSongPtr(song)) {
        JumpSongPtr(song, time);
        if (liason)
            liason->CallUpdateSongPtr(0);
    }
    EnsureVisibleTime(time, 0);
}

void CAbstWindow::ShowSongPtrShaped(int on, CGUIContext *ctx, SongPtrShapeFn shapeOf)
{
    const long previous = songPtrTime;
    if (on)
        songPtrTime = GetSongPtr(song);
    const bool live = !painting;
    if (live && !on && !songPtrOnWindow)
        return; // nothing of ours is on the window to take away
    SongPtrShape shape;
    const bool placed = shapeOf(this, songPtrTime, shape) && shape.x != kTimeMax;
    CGUIContext *target = ctx;
    const bool taken = placed && !target && (target = TakeContext()) != nullptr;
    bool drawn = false;
    if (target && placed) {
        const QUAD *view = target->GetQuadViewPort();
        const int64_t x = shape.x;
        const long rowsTop = std::min(shape.stemEnd, shape.edge),
                   rowsBottom = std::max(shape.stemEnd, shape.edge);
        const bool inView = x + 4 >= view->left && x - 4 < view->right &&
                            std::max(rowsTop, view->top) <= std::min(rowsBottom, view->bottom - 1);
        if (inView && target->SetDrawingQuad(shape.clip)) {
            const int wasInvert = target->invert;
            target->SelectInvert(1);
            target->SelectPen(&sharedPen, 1);
            target->StartLine(shape.x, shape.stemEnd);
            target->ContinueLine(shape.x, shape.tip);
            target->ContinueLine(shape.x - 4, shape.edge);
            target->ContinueLine(shape.x + 4, shape.edge);
            target->ContinueLine(shape.x, shape.tip);
            target->SelectInvert(wasInvert);
            target->ResetDrawingQuad();
            drawn = true;
        }
    }
    if (taken)
        GiveContext(target);
    if (on && !drawn)
        songPtrTime = previous;
    if (live)
        songPtrOnWindow = on && drawn;
    else if (on && drawn)
        songPtrOnWindow = 1;
}

} // namespace Quorvane
