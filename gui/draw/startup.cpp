#include "gui/draw/startup.h"

#include "data/text_widths.h"
#include "gui/draw/colour_file.h"
#include "gui/draw/gui_context.h"
#include "gui/draw/image_resource.h"
#include "gui/draw/shared_objects.h"

namespace Quorvane {

namespace {

constexpr long kGradientDelta = 40;

struct GradientSpec {
    const RGBACOLOR *colour;
    long height;
};

const GradientSpec kGradients[] = {
    {&colBkgndMaster, 26}, {&colBkgndChords, 26},  {&colBkgndMelText, 26}, {&colBkgndMIDI, 26},
    {&colBkgndAudio, 26},  {&colBkgndPattern, 26}, {&colSlctMaster, 26},   {&colSlctChords, 26},
    {&colSlctMelText, 26}, {&colSlctMIDI, 26},     {&colSlctAudio, 26},    {&colSlctPattern, 26},
    {&colLtGray, 26},      {&colSlctTrMeas, 26},   {&colEdit, 26},         {&colLtGray, 47},
    {&colEdit, 47},        {&colLtGray, 21},       {&colSlctTrMeas, 21},   {&colEdit, 21},
    {&colFillMelNorm, 26},
};

const RGBACOLOR *const kPens[] = {&colWhite,  &colBlack,    &colLtGray,
                                  &colDkGray, &colDrawCtrl, &colDrawCtrlSel};

const FONTPARAMS *const kFonts[] = {&DefFontParams, &LittleFontParams, &TextFontParams, &ChNtFontParams};

// Track kinds, track switches, output badges, routing marks, effect
// badges, drop-down and up/down marks.
const WORD kImages[] = {22005, 22004, 22003, 22000, 22002, 22001};

template <typename T, size_t N> constexpr long countOf(const T (&)[N])
{
    return static_cast<long>(N);
}

bool buildSharedObjects(HMODULE module, CGUIContext &ctx)
{
    if (!sharedGradient.Init(countOf(kGradients)))
        return false;
    for (long i = 0; i < countOf(kGradients); ++i) {
        if (!sharedGradient.SetGradient(i, &ctx, kGradients[i].height, kGradients[i].colour, kGradientDelta,
                                        1))
            return false;
    }
    if (!sharedPen.Init(countOf(kPens)))
        return false;
    for (long i = 0; i < countOf(kPens); ++i) {
        if (!sharedPen.SetPen(i, &ctx, kPens[i]))
            return false;
    }
    if (!sharedFont.Init(countOf(kFonts)))
        return false;
    for (long i = 0; i < countOf(kFonts); ++i) {
        if (!sharedFont.SetFont(i, &ctx, kFonts[i]))
            return false;
    }
    if (!sharedImage.Init(countOf(kImages)))
        return false;
    for (long i = 0; i < countOf(kImages); ++i) {
        if (!SetImageFromResource(sharedImage, i, &ctx, module, kImages[i]))
            return false;
    }
    return true;
}

// The data model's metrics as they were before ours replaced them.
struct Metrics {
    long *height;
    long **widths;
    long savedHeight;
    long *savedWidths;
};

Metrics published[] = {
    {&HeightD, &ptabWidthD, 0, nullptr},
    {&HeightL, &ptabWidthL, 0, nullptr},
    {&HeightT, &ptabWidthT, 0, nullptr},
    {&HeightC, &ptabWidthC, 0, nullptr},
};
bool isPublished = false;

void publishMetrics()
{
    for (long i = 0; i < countOf(published); ++i) {
        Metrics &m = published[i];
        m.savedHeight = *m.height;
        m.savedWidths = *m.widths;
        sharedFont.GetFontParams(i, *m.height, *m.widths);
    }
    isPublished = true;
}

} // namespace

int StartDrawingKit(HMODULE module)
{
    char program[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, program, MAX_PATH);
    if (length > 0 && length < MAX_PATH)
        ReadColourFile(ColourFilePath(program));

    HWND desktop = GetDesktopWindow();
    HDC dc = GetDC(desktop);
    if (!dc)
        return 0;
    bool built;
    {
        CGUIContext ctx(dc);
        built = buildSharedObjects(module, ctx);
    }
    ReleaseDC(desktop, dc);
    if (!built)
        return 0;
    publishMetrics();
    return 1;
}

void StopDrawingKit()
{
    if (!isPublished)
        return;
    for (long i = 0; i < countOf(published); ++i) {
        Metrics &m = published[i];
        if (*m.widths == sharedFont.widths + i * 256) {
            *m.height = m.savedHeight;
            *m.widths = m.savedWidths;
        }
    }
    isPublished = false;
}

} // namespace Quorvane
