// What loading Pannikel builds: the shared gradients, pens, fonts and
// images, the font metrics handed to Corvadel, and the loads that must fail
// or give the metrics back.
#include "gui/draw/gui_context.h"
#include "gui/draw/shared_objects.h"

#include "data/strings.h"
#include "data/text_widths.h"
#include "testing/sandbox.h"

#include "canvas.h"

#include <gtest/gtest.h>

using namespace Quorvane;
using pannikel_test::Canvas;
using pannikel_test::rgbText;

namespace {

constexpr COLORREF kBackground = RGB(1, 2, 3);

} // namespace

TEST(Startup, LoadingBuildsTheSharedTables)
{
    ASSERT_EQ(sharedGradient.count, 21);
    const long heights[21] = {26, 26, 26, 26, 26, 26, 26, 26, 26, 26, 26,
                              26, 26, 26, 26, 47, 47, 21, 21, 21, 26};
    for (long i = 0; i < 21; ++i) {
        EXPECT_NE(sharedGradient.bitmaps[i], nullptr) << i;
        EXPECT_EQ(sharedGradient.sizes[i], heights[i]) << i;
    }
    ASSERT_EQ(sharedPen.count, 6);
    for (long i = 0; i < 6; ++i)
        EXPECT_NE(sharedPen.pens[i], nullptr) << i;
    ASSERT_EQ(sharedFont.count, 4);
    for (long i = 0; i < 4; ++i)
        EXPECT_NE(sharedFont.fonts[i], nullptr) << i;
    ASSERT_EQ(sharedImage.count, 6);
    for (long i = 0; i < 6; ++i) {
        EXPECT_NE(sharedImage.colours[i], nullptr) << i;
        EXPECT_NE(sharedImage.masks[i], nullptr) << i;
    }
}

TEST(Startup, GradientsAndPensAreMadeFromTheirColours)
{
    const RGBACOLOR *colours[21] = {
        &colBkgndMaster, &colBkgndChords, &colBkgndMelText, &colBkgndMIDI, &colBkgndAudio, &colBkgndPattern,
        &colSlctMaster,  &colSlctChords,  &colSlctMelText,  &colSlctMIDI,  &colSlctAudio,  &colSlctPattern,
        &colLtGray,      &colSlctTrMeas,  &colEdit,         &colLtGray,    &colEdit,       &colLtGray,
        &colSlctTrMeas,  &colEdit,        &colFillMelNorm};
    Canvas canvas(20, 50, kBackground);
    CGUIContext ctx(canvas.dc());
    for (long i = 0; i < 21; ++i) {
        canvas.fill(kBackground);
        ctx.DrawHorzGradient(&sharedGradient, i, 0, 0, 16);
        const RGBACOLOR &c = *colours[i];
        if (sharedGradient.sizes[i] == 26) {
            EXPECT_EQ(rgbText(canvas.at(0, 12)), rgbText(c.OSColor())) << "flat middle of gradient " << i;
        } else {
            // Linear: the top row is base + 40 (kept within 255).
            auto light = [](unsigned char v) {
                return static_cast<unsigned char>(v + 40 > 255 ? 255 : v + 40);
            };
            EXPECT_EQ(rgbText(canvas.at(0, 0)), rgbText(RGB(light(c.R), light(c.G), light(c.B))))
                << "top of gradient " << i;
        }
    }

    const RGBACOLOR *penColours[6] = {&colWhite,  &colBlack,    &colLtGray,
                                      &colDkGray, &colDrawCtrl, &colDrawCtrlSel};
    for (long i = 0; i < 6; ++i) {
        canvas.fill(kBackground);
        ASSERT_TRUE(ctx.SelectPen(&sharedPen, i));
        ctx.DrawLine(0, 3, 10, 3);
        EXPECT_EQ(rgbText(canvas.at(5, 3)), rgbText(penColours[i]->OSColor())) << "pen " << i;
    }
}

TEST(Startup, FontsAreMeasuredAndPublishedToTheDataModel)
{
    const FONTPARAMS *params[4] = {&DefFontParams, &LittleFontParams, &TextFontParams, &ChNtFontParams};
    const long expectedHeights[4] = {13, 10, 16, 18};
    const long expectedWeights[4] = {500, 500, 800, 500};
    long *const published[4] = {ptabWidthD, ptabWidthL, ptabWidthT, ptabWidthC};
    const long publishedHeights[4] = {HeightD, HeightL, HeightT, HeightC};
    Canvas canvas(10, 10);
    for (long i = 0; i < 4; ++i) {
        EXPECT_EQ(params[i]->height, expectedHeights[i]);
        EXPECT_EQ(params[i]->weight, expectedWeights[i]);
        EXPECT_STREQ(params[i]->face, "");

        long height = 0;
        long *widths = nullptr;
        sharedFont.GetFontParams(i, height, widths);
        EXPECT_EQ(published[i], widths) << "font " << i;
        EXPECT_EQ(publishedHeights[i], height) << "font " << i;
        EXPECT_GE(widths[1], 2) << "the syllable divider keeps a width";

        SelectObject(canvas.dc(), sharedFont.fonts[i]);
        TEXTMETRICA metrics{};
        ASSERT_TRUE(GetTextMetricsA(canvas.dc(), &metrics));
        EXPECT_EQ(height, metrics.tmAscent + metrics.tmDescent) << "font " << i;
        LOGFONTA made{};
        ASSERT_TRUE(GetObjectA(sharedFont.fonts[i], sizeof made, &made));
        EXPECT_EQ(made.lfHeight, -expectedHeights[i]) << "made by character height";
        EXPECT_EQ(made.lfWeight, expectedWeights[i]);
        EXPECT_EQ(made.lfCharSet, ANSI_CHARSET);
        SIZE size{};
        GetTextExtentPoint32A(canvas.dc(), "Mm", 2, &size);
        EXPECT_EQ(widths['M'] + widths['m'], size.cx) << "font " << i;
    }
    // Text layout in the data model now measures with the real fonts.
    EXPECT_EQ(TextWidth("Chorus", -1, ptabWidthT), ptabWidthT['C'] + ptabWidthT['h'] + ptabWidthT['o'] +
                                                       ptabWidthT['r'] + ptabWidthT['u'] + ptabWidthT['s']);
}

TEST(Startup, SharedImagesHaveTheirFramesAndSizes)
{
    struct Image {
        long frames, width, height;
    };
    const Image images[6] = {{8, 16, 16}, {6, 16, 16}, {8, 16, 16}, {3, 16, 16}, {5, 16, 16}, {4, 8, 12}};
    Canvas picture(8 * 20 + 4, 6 * 20 + 4, RGB(255, 255, 255));
    CGUIContext ctx(picture.dc());
    for (long i = 0; i < 6; ++i) {
        long w = 0;
        long h = 0;
        sharedImage.GetImageSize(i, w, h);
        EXPECT_EQ(w, images[i].width) << i;
        EXPECT_EQ(h, images[i].height) << i;
        BITMAP bm{};
        ASSERT_TRUE(GetObjectA(sharedImage.colours[i], sizeof bm, &bm));
        EXPECT_EQ(bm.bmHeight, images[i].frames * images[i].height) << "frames stacked, image " << i;
        for (long f = 0; f < images[i].frames; ++f) {
            Canvas one(w, h, kBackground);
            CGUIContext oneCtx(one.dc());
            oneCtx.DrawImage(&sharedImage, i, f, 0, 0);
            EXPECT_GT(one.countNot(kBackground), 0) << "image " << i << " frame " << f << " shows something";
            EXPECT_GT(w * h - one.countNot(kBackground), 0) << "and has transparent pixels";
            ctx.DrawImage(&sharedImage, i, f, 4 + 20 * f, 4 + 20 * i);
        }
    }
    EXPECT_TRUE(picture.saveBmp(pannikel_test::screenshotPath("pannikel_shared_images.bmp")));
}

TEST(Startup, AModuleLackingAnImageResourceFailsToLoad)
{
    long *before = ptabWidthD;
    const std::string path = pannikel_test::programFolder() + "\\PannikelNoImage.dll";
    ASSERT_TRUE(testing_support::fileExists(path));
    HMODULE module = LoadLibraryA(path.c_str());
    EXPECT_EQ(module, nullptr);
    if (module)
        FreeLibrary(module);
    EXPECT_EQ(ptabWidthD, before) << "nothing was published";
}

TEST(Startup, UnloadingGivesTheDataModelItsMetricsBack)
{
    // A second copy of the library publishes its own fonts, and takes them
    // back when it goes, so the data model never keeps tables of a library
    // that is gone.
    testing_support::TempFolder folder;
    const std::string copy = folder.file("PannikelCopy.dll");
    ASSERT_TRUE(CopyFileA((pannikel_test::programFolder() + "\\Pannikel.dll").c_str(), copy.c_str(), FALSE));
    long *const before[4] = {ptabWidthD, ptabWidthL, ptabWidthT, ptabWidthC};
    const long heightsBefore[4] = {HeightD, HeightL, HeightT, HeightC};

    HMODULE module = LoadLibraryA(copy.c_str());
    ASSERT_NE(module, nullptr);
    EXPECT_NE(ptabWidthD, before[0]);
    EXPECT_NE(ptabWidthC, before[3]);
    EXPECT_GE(ptabWidthD[1], 2);
    ASSERT_TRUE(FreeLibrary(module));

    long *const after[4] = {ptabWidthD, ptabWidthL, ptabWidthT, ptabWidthC};
    const long heightsAfter[4] = {HeightD, HeightL, HeightT, HeightC};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(after[i], before[i]) << i;
        EXPECT_EQ(heightsAfter[i], heightsBefore[i]) << i;
    }
    EXPECT_GT(TextWidth("still readable", -1, ptabWidthD), 0);
}
