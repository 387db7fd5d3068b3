// The parts list painted with the drawing kit's shared objects.
#include "app/parts_window.h"

#include "app/options/output_strip.h"
#include "app/parts_labels.h"
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
#include <vector>

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

    // A frame of one of the list's pictures, centred in the box.
    void image(CGUIImage &table, long slot, long frame, long l, long t, long r, long b)
    {
        long width = 0, height = 0;
        table.GetImageSize(slot, width, height);
        c.DrawImage(&table, slot, frame, (l + r - width) / 2, (t + b - height) / 2);
    }

    CGUIContext &c;
};

// The width table of a shared font.
const long *fontWidths(long font)
{
    long height = 0;
    long *widths = nullptr;
    sharedFont.GetFontParams(font, height, widths);
    return widths;
}

// The shared fonts the list draws with.
constexpr long kPanelFont = 0;
constexpr long kLittleFont = 1;

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
            c.DrawImage(&images_.Table(), PartsImages::kMarks, kMarkPlaying, left + 2, top + 2);
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
        // The label's room is the box less the text's inset on both sides.
        const long *widths = fontWidths(kPanelFont);
        const std::string label =
            widths ? DrummerLabel(elem ? elem->GetName() : nullptr, row, widths, W - 4) : std::string();
        p.label(90, top, W + 90, bottom, label.c_str(), kLeft);
        p.presetAndDock(W, top, bottom, docked_[row] != 0);
        const bool muted = elem && !elem->IsActive();
        p.box(W + 142, top, W + 168, bottom, muted ? &colEdit : &colWhite);
        p.label(W + 142, top, W + 168, bottom, muted ? "M" : "");
        for (int m = 0; m < kMaxPartMeasures; ++m) {
            const long left = W + 168 + m * kRowHeight;
            p.box(left, top, left + kRowHeight, bottom, m < lengths_[current_] ? &colWhite : &colDkGray);
        }
        // A fill drummer's region, from its layout's first to its last tick.
        if (row > 0) {
            const FillMirror &fill = drummers_.Mirror(current_, row);
            const PixelSpan span = FillRegionSpan(
                {fill.params[0], fill.measureStart, fill.measureEnd, fill.fillStart, fill.fillEnd},
                lengths_[current_], static_cast<int>(W));
            if (!span.empty())
                c.FillQuad(QUAD(span.left, top + 4, span.right - 1, bottom - 5), &colEdit1);
        }
        for (int m = 0; m < kMaxPartMeasures; ++m)
            if (m == markers_[row]) {
                const long left = W + 168 + m * kRowHeight;
                c.FillQuad(QUAD(left + 9, top + 9, left + 17, top + 17), &colLevelMnFill);
            }
    }

    CTrackMIDI *output = built_ ? PartTrack(song_, selected_) : nullptr;
    IQuorvaneSongTract *tract = built_ ? song_.GetSongTract() : nullptr;
    p.box(90, 106, W + 82, 132, &colWhite);
    if (tract && output) {
        const long *widths = fontWidths(kPanelFont);
        // A track without an output of its own plays through the tract's first.
        const std::string port =
            OutputPortText(*tract, output->output ? output->output : tract->GetNextOut(nullptr));
        p.label(90, 106, W + 82, 132, widths ? FitText(port, widths, W - 12).c_str() : "", kLeft);
    }
    p.box(W + 82, 106, W + 90, 132, &colLtGray);
    p.image(images_.Table(), PartsImages::kMarks, kMarkChooser, W + 82, 106, W + 90, 132);
    p.presetAndDock(W, 106, 132, docked_[kOutputEditor] != 0);
    const struct {
        OutputField field;
        long left, right;
    } fields[] = {{OutputField::Channel, 142, 194},
                  {OutputField::BankMethod, 194, 220},
                  {OutputField::Bank, 220, 298},
                  {OutputField::Program, 298, 376}};
    for (const auto &f : fields) {
        p.box(W + f.left, 106, W + f.right, 132, &colWhite);
        if (!output)
            continue;
        const std::string text = OutputFieldText(*output, f.field);
        if (f.field != OutputField::BankMethod) {
            p.label(W + f.left + 2, 106, W + f.right - 2, 132, text.c_str(), kLeft);
            continue;
        }
        // The method's narrow field takes the little font and, when one
        // line is too short for the name, two lines.
        const long *widths = fontWidths(kLittleFont);
        if (!widths)
            continue;
        c.SelectFont(&sharedFont, kLittleFont);
        const long room = f.right - f.left - 2;
        const std::vector<std::string> lines = FieldLines(text, widths, room);
        const long lineHeight = 12, first = 119 - lineHeight * static_cast<long>(lines.size()) / 2;
        for (size_t i = 0; i < lines.size(); ++i) {
            const long top = first + static_cast<long>(i) * lineHeight;
            c.DrawTextA(QUAD(W + f.left + 1, top, W + f.right - 1, top + lineHeight), kCentre, 0,
                        lines[i].c_str(), -1);
        }
        c.SelectFont(&sharedFont, kPanelFont);
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
    const long buttons[] = {kButtonCopy, kButtonDrag, kButtonMetronome,
                            IsPlaying() ? kButtonStop : kButtonPlay, kButtonLoop};
    const bool lit[] = {false, false, metronome_ != 0, IsPlaying(), loop_ != 0};
    const long edges[] = {382, 408, 434, 460, 512, 538};
    for (int b = 0; b < 5; ++b) {
        p.box(W + edges[b], 106, W + edges[b + 1], 133, lit[b] ? &colBkgndPattern : &colWhite);
        p.image(images_.Table(), PartsImages::kButtons, buttons[b], W + edges[b], 106, W + edges[b + 1], 133);
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
