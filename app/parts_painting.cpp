// The parts list painted with the drawing kit's shared objects.
#include "app/parts_window.h"

#include "app/options/output_strip.h"
#include "app/parts_song.h"
#include "data/lock.h"
#include "data/meff_chain.h"
#include "data/track_midi.h"
#include "data/music_text.h"
#include "gui/draw/gui_context.h"
#include "gui/draw/shared_objects.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace Quorvane {

namespace {

// Text alignment of the drawing kit: horizontal in bits 0-1, vertical in
// bits 2-3 (0 start, 1 centre, 2 end).
constexpr unsigned long kLeft = 0 | 1 << 2;
constexpr unsigned long kCentre = 1 | 1 << 2;
constexpr unsigned long kRight = 2 | 1 << 2;
// Shared pens and gradients of the drawing kit.
constexpr long kGridPen = 3;
constexpr long kHeaderGradient = 15;

class Painter {
public:
    explicit Painter(CGUIContext &context) : c(context) {}
    void box(long l, long t, long r, long b, const RGBACOLOR *fill = nullptr)
    {
        if (fill)
            c.FillQuad(QUAD(l, t, r, b), fill);
        c.SelectPen(&sharedPen, kGridPen);
        c.DrawQuad(QUAD(l, t, r - 1, b - 1));
    }
    void label(long l, long t, long r, long b, const char *text, unsigned long align = kCentre)
    {
        c.DrawTextA(QUAD(l, t, r, b), align, 2, text, -1);
    }

    // The preset cell "P" and the dock cell ("D" docked, "F" floating) of a
    // drummer row or of the output row.
    void presetAndDock(long W, long top, long bottom, bool docked)
    {
        box(W + 90, top, W + 116, bottom, &colWhite);
        label(W + 90, top, W + 116, bottom, "P");
        box(W + 116, top, W + 142, bottom, docked ? &colWhite : &colEdit1);
        label(W + 116, top, W + 142, bottom, docked ? "D" : "F");
    }

    CGUIContext &c;
};

} // namespace

void PartsWindow::paint(HDC dc, const RECT &client)
{
    CGUIContext screen(dc);
    CGUIContext *buffer = screen.TryCreateDoubleBuffer();
    if (buffer->Prepare()) {
        paintParts(*buffer, client);
        screen.Flash(buffer);
        buffer->Unprepare();
    }
    screen.TryDestroyDoubleBuffer(buffer);
}

void PartsWindow::paintParts(CGUIContext &c, const RECT &client)
{
    const long W = options_.nameWidth;
    Painter p(c);
    c.FillQuad(QUAD(client.left, client.top, client.right, client.bottom), &colLtGray);
    c.DrawHorzGradient(&sharedGradient, kHeaderGradient, 0, kHeaderTop, client.right);
    c.SelectFont(&sharedFont, 0);
    c.SelectFontColor(&colBlack);

    p.label(6, 6, 84, 28, "Parts");
    for (int part = 0; part < kPartCount; ++part) {
        const long left = 6 + (part % 3) * kRowHeight, top = kRowsTop + (part / 3) * kRowHeight;
        p.box(left, top, left + kRowHeight, top + kRowHeight,
              part == current_    ? &colSlctTrMeas
              : part == selected_ ? &colBkgndPattern
                                  : &colWhite);
        char label[16];
        if (options_.notes)
            GetNoteText(part, label, 0, 0, 0);
        else
            std::snprintf(label, sizeof(label), "%d", part + 1);
        p.label(left, top, left + kRowHeight, top + kRowHeight, label);
        if (part == selected_ && IsPlaying())
            c.FillQuad(QUAD(left + 2, top + 2, left + 7, top + 7), &colFillChordNorm);
    }

    p.label(90, 6, W + 90, 28, "Drummers", kLeft);
    p.label(W + 90, 6, W + 116, 28, "P");
    p.label(W + 116, 6, W + 142, 28, "D");
    p.label(W + 142, 6, W + 168, 28, "M");
    for (int m = 0; m < kMaxPartMeasures; ++m) {
        const long left = W + 168 + m * kRowHeight;
        p.box(left, 6, left + kRowHeight, 28, m < lengths_[current_] ? &colBkgndPattern : &colDkGray);
        char label[4];
        std::snprintf(label, sizeof(label), "%d", m + 1);
        p.label(left, 6, left + kRowHeight, 28, label);
    }
    for (int row = 0; row < kDrummerElements; ++row) {
        CMEffElem *elem = built_ ? PartElement(song_, current_, row) : nullptr;
        const long top = kRowsTop + row * kRowHeight, bottom = top + kRowHeight;
        p.box(90, top, W + 90, bottom, row == frontEditor_ ? &colBkgndTrMeas : &colWhite);
        char label[96];
        const char *drummer = elem ? elem->GetName() : nullptr;
        if (row == 0)
            std::snprintf(label, sizeof(label), "%s", drummer ? drummer : "-");
        else
            std::snprintf(label, sizeof(label), "%s %d", drummer ? drummer : "-", row);
        p.label(90, top, W + 90, bottom, label, kLeft);
        p.presetAndDock(W, top, bottom, docked_[row] != 0);
        const bool muted = elem && !elem->IsActive();
        p.box(W + 142, top, W + 168, bottom, muted ? &colEdit : &colWhite);
        p.label(W + 142, top, W + 168, bottom, muted ? "M" : "");
        for (int m = 0; m < kMaxPartMeasures; ++m) {
            const long left = W + 168 + m * kRowHeight;
            const bool inPart = m < lengths_[current_];
            const bool fill = row > 0 && inPart && drummers_.Mirror(current_, row).params[0] == m;
            p.box(left, top, left + kRowHeight, bottom, !inPart ? &colDkGray : fill ? &colEdit1 : &colWhite);
            if (m == markers_[row])
                c.FillQuad(QUAD(left + 9, top + 9, left + 17, top + 17), &colLevelMnFill);
        }
    }

    p.box(90, 106, W + 82, 132, &colWhite);
    p.label(90, 106, W + 82, 132, "Output", kLeft);
    p.box(W + 82, 106, W + 90, 132, &colLtGray);
    p.presetAndDock(W, 106, 132, docked_[kOutputEditor] != 0);
    CTrackMIDI *output = built_ ? PartTrack(song_, selected_) : nullptr;
    const struct {
        OutputField field;
        long left, right;
    } fields[] = {{OutputField::Channel, 142, 194},
                  {OutputField::BankMethod, 194, 220},
                  {OutputField::Bank, 220, 298},
                  {OutputField::Program, 298, 376}};
    for (const auto &f : fields) {
        p.box(W + f.left, 106, W + f.right, 132, &colWhite);
        if (output)
            p.label(W + f.left + 2, 106, W + f.right - 2, 132, OutputFieldText(*output, f.field).c_str(),
                    kLeft);
    }
    float volume = 1.0f, panning = 1.0f;
    const bool audio = built_ && Levels(volume, panning);
    if (audio) {
        const std::string levels = VolumeText(volume) + "   " + PanningText(panning);
        p.label(W + 383, 6, W + 536, 28, levels.c_str());
    }
    const char *const rows[] = {"Vol", "Pan", "Tempo"};
    const float shares[] = {volume / 2.0f, panning / 2.0f,
                            (transport_.Tempo() - kMinTempo) / (kMaxTempo - kMinTempo)};
    for (int row = 0; row < 3; ++row) {
        const long top = kRowsTop + row * kRowHeight, bottom = top + kRowHeight;
        p.box(W + 382, top, W + 512, bottom, &colWhite);
        if (row == 2 || audio) {
            const long filled = static_cast<long>(std::clamp(shares[row], 0.0f, 1.0f) * 128.0f);
            c.FillQuad(QUAD(W + 383, top + 18, W + 383 + filled, top + 23), &colFillChordNorm);
        }
        p.label(W + 382, top, W + 460, bottom, rows[row], kLeft);
        if (row == 2) {
            char tempo[32];
            std::snprintf(tempo, sizeof(tempo), "%.1f", transport_.Tempo());
            p.label(W + 440, top, W + 512, bottom, tempo, kRight);
        }
        p.box(W + 512, top, W + 538, bottom, &colLtGray);
        p.label(W + 512, top, W + 538, bottom, "D");
    }
    const char *const buttons[] = {"C", "Dr", "Mt", IsPlaying() ? "Stop" : "Play", "Lp"};
    const bool lit[] = {false, false, metronome_ != 0, IsPlaying(), loop_ != 0};
    const long edges[] = {382, 408, 434, 460, 512, 538};
    for (int b = 0; b < 5; ++b) {
        p.box(W + edges[b], 106, W + edges[b + 1], 133, lit[b] ? &colBkgndPattern : &colWhite);
        p.label(W + edges[b], 106, W + edges[b + 1], 133, buttons[b]);
    }

    // The control the mouse works, framed two pixels wide.
    const PartsHit mode = MouseMode();
    const RECT a = PartsControlArea(mode.region, mode.index, W);
    if (!IsRectEmpty(&a)) {
        c.FillQuad(QUAD(a.left, a.top, a.right, a.top + 2), &colSlctTrMeas);
        c.FillQuad(QUAD(a.left, a.bottom - 2, a.right, a.bottom), &colSlctTrMeas);
        c.FillQuad(QUAD(a.left, a.top, a.left + 2, a.bottom), &colSlctTrMeas);
        c.FillQuad(QUAD(a.right - 2, a.top, a.right, a.bottom), &colSlctTrMeas);
    }
}

} // namespace Quorvane
