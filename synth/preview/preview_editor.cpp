#include "synth/preview/preview_editor.h"

#include "gui/draw/gui_context.h"
#include "gui/draw/names.h"
#include "gui/draw/shared_objects.h"
#include "sound/soft_synth.h"
#include "synth/preview/preview_editor_kit.h"
#include "synth/preview/preview_resources.h"

#include <algorithm>
#include <new>

namespace Quorvane {

namespace {

// The layout, in the editor's pixels.
constexpr QUAD kLabel{6, 6, 84, 32};
constexpr QUAD kBar{84, 6, 188, 32};
constexpr QUAD kNumber{188, 6, 214, 32};
constexpr QUAD kLevelRow{84, 6, 214, 32};
constexpr QUAD kChannelArea{6, 32, 214, 110};
constexpr long kCell = 26;
constexpr long kImageInset = (kCell - 16) / 2;

// Where the mouse acts in the level row (edges included).
constexpr long kPressTop = 6, kPressBottom = 31;
constexpr long kResetLeft = 188, kResetRight = 213;
constexpr long kBarPressLeft = 85, kBarPressRight = 187;

constexpr int kMaxLevel = 127;
constexpr int kResetLevel = 100;
constexpr long kDragStep = 4;
constexpr UINT kFlashTimer = 1;
constexpr UINT kFlashMilliseconds = 100;

// sharedGradient bands (26 high) and sharedPen pens the editor draws with.
constexpr long kBandBar = 12;       // light grey
constexpr long kBandHighlight = 13; // selection
constexpr long kBandLit = 14;       // a sounding channel, a pressed box
constexpr long kPenDark = 3;
constexpr long kPenLight = 0;
constexpr unsigned long kCentred = 1 | 1 << 2;
constexpr unsigned long kLeftCentred = 0 | 1 << 2;

constexpr int kDrumChannel = 9;
constexpr int kChordChannel = 16;
constexpr int kClickChannel = 17;
constexpr int kChannels = 18;

// Channels 1..8 on the first row, 9..16 on the second, then the chord
// preview and the clicks.
QUAD channelCell(int channel)
{
    long left, top;
    if (channel < 16) {
        left = kChannelArea.left + kCell * (channel % 8);
        top = kChannelArea.top + kCell * (channel / 8);
    } else {
        left = 84 + kCell * (channel - kChordChannel);
        top = kChannelArea.top + 2 * kCell;
    }
    return QUAD(left, top, left + kCell, top + kCell);
}

// The picture a channel shows instead of its number, or -1.
long channelImage(int channel)
{
    switch (channel) {
    case kDrumChannel:
        return EDITOR_IMAGE_DRUMS;
    case kChordChannel:
        return EDITOR_IMAGE_CHORD;
    case kClickChannel:
        return EDITOR_IMAGE_CLICKS;
    default:
        return -1;
    }
}

// Mouse positions are signed: a captured mouse may be left of or above
// the window.
int mouseX(LPARAM lParam)
{
    return static_cast<short>(LOWORD(lParam));
}

int mouseY(LPARAM lParam)
{
    return static_cast<short>(HIWORD(lParam));
}

long barFill(int level)
{
    return level * kBar.Width() / kMaxLevel;
}

long barPosition(int level)
{
    return kBar.left + barFill(level);
}

} // namespace

CPreviewEditor *CPreviewEditor::Create(IQuorvaneSoftSynth *synth, HWND parent, std::atomic<HWND> *published)
{
    PreviewEditorKit *kit = EditorKit();
    if (!kit || !parent || !IsWindow(parent))
        return nullptr;
    auto *editor = new (std::nothrow) CPreviewEditor(synth, published);
    if (!editor)
        return nullptr;
    if (!CreateDialogParamA(kit->module, MAKEINTRESOURCEA(kEditorDialog), parent, dialogProc,
                            reinterpret_cast<LPARAM>(editor)) ||
        !editor->window) {
        delete editor;
        return nullptr;
    }
    return editor;
}

void CPreviewEditor::Show(uint32_t activity)
{
    drawn = activity;
    ShowWindow(window, SW_SHOWNA);
}

void CPreviewEditor::Destroy()
{
    // Only the window's own thread can destroy it; from any other the
    // window stays with its parent but no longer reaches this object.
    if (window && !DestroyWindow(window))
        SetWindowLongPtrA(window, DWLP_USER, 0);
    delete this;
}

INT_PTR CALLBACK CPreviewEditor::dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        auto *editor = reinterpret_cast<CPreviewEditor *>(lParam);
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        editor->window = window;
        SetWindowPos(window, nullptr, 0, 0, kEditorWidth, kEditorHeight,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        return FALSE; // the editor takes no focus of its own
    }
    auto *editor = reinterpret_cast<CPreviewEditor *>(GetWindowLongPtrA(window, DWLP_USER));
    if (!editor)
        return FALSE;
    if (message == WM_DESTROY) {
        // Whoever destroys the window, the synthesizer stops posting first.
        HWND expected = window;
        editor->published->compare_exchange_strong(expected, nullptr);
        return FALSE;
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, DWLP_USER, 0);
        editor->window = nullptr;
        return FALSE;
    }
    LRESULT result = 0;
    if (!editor->handle(message, wParam, lParam, result))
        return FALSE;
    SetWindowLongPtrA(window, DWLP_MSGRESULT, result);
    return TRUE;
}

bool CPreviewEditor::handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT &result)
{
    switch (message) {
    case kEditorActivityMessage:
        showActivity(static_cast<uint32_t>(wParam));
        return true;
    case kEditorLevelMessage:
        invalidate(kLevelRow);
        return true;
    case WM_ERASEBKGND:
        result = 1; // the painting covers everything
        return true;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        if (HDC dc = BeginPaint(window, &ps)) {
            paint(dc);
            EndPaint(window, &ps);
        }
        return true;
    }
    case WM_PRINTCLIENT:
        paint(reinterpret_cast<HDC>(wParam));
        return true;
    case WM_LBUTTONDOWN:
        press(mouseX(lParam), mouseY(lParam));
        return true;
    case WM_MOUSEMOVE:
        if (gesture == Gesture::Dragging)
            drag(mouseX(lParam), mouseY(lParam));
        return true;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        endDrag();
        return true;
    case WM_TIMER:
        if (wParam != kFlashTimer)
            return false;
        KillTimer(window, kFlashTimer);
        if (gesture == Gesture::ResetPressed)
            gesture = Gesture::None;
        invalidate(kNumber);
        return true;
    case WM_GETDLGCODE:
        // Keys come to the editor rather than to the dialog manager, which
        // would turn Enter and Escape into commands.
        result = DLGC_WANTALLKEYS;
        return true;
    case WM_KEYDOWN:
        // Enter and Escape are swallowed; the rest belong to the window
        // that holds the editor, so its shortcuts keep working.
        if (wParam != VK_RETURN && wParam != VK_ESCAPE)
            SendMessageA(GetParent(window), WM_KEYDOWN, wParam, lParam);
        return true;
    default:
        return false;
    }
}

int CPreviewEditor::level() const
{
    return static_cast<int>(synth->GetParam(0));
}

void CPreviewEditor::invalidate(const QUAD &area)
{
    // Outlines include their right and bottom edges.
    const RECT rect{area.left, area.top, area.right + 1, area.bottom + 1};
    InvalidateRect(window, &rect, FALSE);
}

void CPreviewEditor::paint(HDC dc)
{
    CGUIContext device(dc);
    CGUIContext *buffer = device.TryCreateDoubleBuffer();
    if (buffer->Prepare()) {
        draw(*buffer);
        device.Flash(buffer);
        buffer->Unprepare();
    }
    device.TryDestroyDoubleBuffer(buffer);
}

void CPreviewEditor::draw(CGUIContext &ctx) const
{
    ctx.FillQuad(QUAD(0, 0, kEditorWidth, kEditorHeight), &colBkgndMaster);
    ctx.SelectFont(&sharedFont, 0);
    ctx.SelectFontColor(&colBlack);
    ctx.DrawTextA(kLabel, kLeftCentred, 0, "Metronome", -1);
    drawLevel(ctx);
    for (int channel = 0; channel < kChannels; ++channel)
        drawChannel(ctx, channel);
}

void CPreviewEditor::drawLevel(CGUIContext &ctx) const
{
    const int current = level();
    ctx.FillQuad(kBar, &colWhite);
    ctx.DrawHorzGradient(&sharedGradient, gesture == Gesture::Dragging ? kBandHighlight : kBandBar, kBar.left,
                         kBar.top, barFill(current));
    if (gesture == Gesture::ResetPressed)
        ctx.DrawHorzGradient(&sharedGradient, kBandLit, kNumber.left, kNumber.top, kNumber.Width());
    ctx.DrawInt(kNumber, kCentred, 0, current, nullptr);
    ctx.SelectPen(&sharedPen, kPenDark);
    ctx.DrawQuad(kBar);
    ctx.DrawQuad(kNumber);
}

void CPreviewEditor::drawChannel(CGUIContext &ctx, int channel) const
{
    const QUAD cell = channelCell(channel);
    if (drawn & (1u << channel))
        ctx.DrawHorzGradient(&sharedGradient, kBandLit, cell.left, cell.top, kCell);
    const long image = channelImage(channel);
    if (image < 0) {
        ctx.DrawInt(cell, kCentred, 0, channel + 1, nullptr);
    } else if (PreviewEditorKit *kit = EditorKit()) {
        ctx.DrawImage(&kit->images, 0, image, cell.left + kImageInset, cell.top + kImageInset);
    }
    // A raised cell: its outline dark, a light line inside at the top and
    // the left.
    ctx.SelectPen(&sharedPen, kPenDark);
    ctx.DrawQuad(cell);
    ctx.SelectPen(&sharedPen, kPenLight);
    ctx.DrawLine(cell.left + 1, cell.bottom - 1, cell.left + 1, cell.top + 1);
    ctx.ContinueLine(cell.right, cell.top + 1);
}

void CPreviewEditor::showActivity(uint32_t bits)
{
    // A burst of news draws once, with the newest bits.
    MSG newer;
    while (PeekMessageA(&newer, window, kEditorActivityMessage, kEditorActivityMessage, PM_REMOVE))
        bits = static_cast<uint32_t>(newer.wParam);
    if (bits == drawn)
        return;
    drawn = bits;
    invalidate(kChannelArea);
}

void CPreviewEditor::press(int x, int y)
{
    if (y < kPressTop || y > kPressBottom || gesture == Gesture::Dragging)
        return;
    if (x >= kResetLeft && x <= kResetRight)
        pressReset();
    else if (x >= kBarPressLeft && x <= kBarPressRight)
        startDrag(y);
}

void CPreviewEditor::pressReset()
{
    if (level() != kResetLevel)
        synth->SetParam(0, static_cast<float>(kResetLevel));
    // The box flashes even when the level already was the reset level.
    gesture = Gesture::ResetPressed;
    invalidate(kLevelRow);
    SetTimer(window, kFlashTimer, kFlashMilliseconds, nullptr);
}

void CPreviewEditor::startDrag(int y)
{
    dragValue = level();
    gesture = Gesture::Dragging;
    placeCursor(barPosition(dragValue), y);
    if (PreviewEditorKit *kit = EditorKit())
        SetCursor(kit->drag);
    SetCapture(window);
    invalidate(kBar);
}

void CPreviewEditor::drag(int x, int y)
{
    const int value =
        std::clamp(dragValue + static_cast<int>(MouseCaptOffset(x, anchorX, kDragStep)), 0, kMaxLevel);
    if (value != dragValue) {
        dragValue = value;
        synth->SetParam(0, static_cast<float>(value));
        invalidate(kBar);
    }
    placeCursor(barPosition(dragValue), y);
}

void CPreviewEditor::endDrag()
{
    if (gesture != Gesture::Dragging)
        return;
    gesture = Gesture::None;
    if (PreviewEditorKit *kit = EditorKit())
        SetCursor(kit->arrow);
    if (GetCapture() == window)
        ReleaseCapture();
    invalidate(kBar);
}

void CPreviewEditor::placeCursor(long x, int y)
{
    anchorX = x;
    POINT target{x, y};
    ClientToScreen(window, &target);
    // Only a real move: putting the cursor where it is may report a move.
    POINT now{};
    if (!GetCursorPos(&now) || now.x != target.x || now.y != target.y)
        SetCursorPos(target.x, target.y);
}

} // namespace Quorvane
