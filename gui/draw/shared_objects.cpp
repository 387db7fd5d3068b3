#include "gui/draw/shared_objects.h"

#include "gui/draw/named_colours.h"

namespace Quorvane {

CGUIFont sharedFont;
CGUIPen sharedPen;
CGUIImage sharedImage;
CGUIGradient sharedGradient;

FONTPARAMS DefFontParams(13, 500, nullptr);
FONTPARAMS LittleFontParams(10, 500, nullptr);
FONTPARAMS TextFontParams(16, 800, nullptr);
FONTPARAMS ChNtFontParams(18, 500, nullptr);

RGBACOLOR colBlack(0, 0, 0, 255);
RGBACOLOR colWhite(255, 255, 255, 255);
RGBACOLOR colLtGray(200, 200, 200, 255);
RGBACOLOR colDkGray(140, 140, 140, 255);
RGBACOLOR colBkgndTrMeas(192, 192, 255, 255);
RGBACOLOR colBkgndMaster(204, 172, 204, 255);
RGBACOLOR colBkgndChords(172, 204, 204, 255);
RGBACOLOR colBkgndMelText(204, 204, 172, 255);
RGBACOLOR colBkgndMIDI(172, 172, 204, 255);
RGBACOLOR colBkgndAudio(204, 172, 172, 255);
RGBACOLOR colBkgndSTtact(192, 192, 255, 255);
RGBACOLOR colBkgndSysEx(204, 172, 204, 255);
RGBACOLOR colBkgndPattern(172, 210, 172, 255);
RGBACOLOR colSlctTrMeas(128, 128, 255, 255);
RGBACOLOR colSlctMaster(184, 152, 184, 255);
RGBACOLOR colSlctChords(152, 172, 172, 255);
RGBACOLOR colSlctMelText(172, 172, 152, 255);
RGBACOLOR colSlctMIDI(152, 152, 172, 255);
RGBACOLOR colSlctAudio(172, 152, 152, 255);
RGBACOLOR colSlctPattern(132, 190, 132, 255);
RGBACOLOR colSlctMIDI1(162, 162, 184, 255);
RGBACOLOR colSlctChords1(167, 187, 187, 255);
RGBACOLOR colSlctMelText1(187, 187, 167, 255);
RGBACOLOR colEdit(255, 152, 152, 255);
RGBACOLOR colEdit1(255, 255, 152, 255);
RGBACOLOR colDrawCtrl(255, 255, 128, 255);
RGBACOLOR colDrawCtrlSel(96, 96, 204, 255);
RGBACOLOR colFillNoteNorm(158, 158, 190, 255);
RGBACOLOR colFillNoteSlct(96, 96, 204, 255);
RGBACOLOR colFillNoteBkgn(158, 158, 190, 255);
RGBACOLOR colFillChordNorm(0, 140, 0, 255);
RGBACOLOR colFillChordSlct(96, 96, 204, 255);
RGBACOLOR colFillChordBkgn(162, 194, 162, 255);
RGBACOLOR colFillMelNorm(162, 162, 96, 255);
RGBACOLOR colFillMelSlct(96, 96, 204, 255);
RGBACOLOR colLyricStd(0, 0, 0, 255);
RGBACOLOR colLyricCur(255, 0, 0, 255);
RGBACOLOR colLevelMnFill(255, 255, 0, 255);
RGBACOLOR colLevelMnFree(128, 128, 0, 255);
RGBACOLOR colLevelOvFill(255, 0, 0, 255);
RGBACOLOR colLevelOvFree(128, 0, 0, 255);

const NamedColour kNamedColours[kNamedColourCount] = {
    {"colBlack", &colBlack},
    {"colWhite", &colWhite},
    {"colLtGray", &colLtGray},
    {"colDkGray", &colDkGray},
    {"colBkgndTrMeas", &colBkgndTrMeas},
    {"colBkgndMaster", &colBkgndMaster},
    {"colBkgndChords", &colBkgndChords},
    {"colBkgndMelText", &colBkgndMelText},
    {"colBkgndMIDI", &colBkgndMIDI},
    {"colBkgndAudio", &colBkgndAudio},
    {"colBkgndSTtact", &colBkgndSTtact},
    {"colBkgndSysEx", &colBkgndSysEx},
    {"colBkgndPattern", &colBkgndPattern},
    {"colSlctTrMeas", &colSlctTrMeas},
    {"colSlctMaster", &colSlctMaster},
    {"colSlctChords", &colSlctChords},
    {"colSlctMelText", &colSlctMelText},
    {"colSlctMIDI", &colSlctMIDI},
    {"colSlctAudio", &colSlctAudio},
    {"colSlctPattern", &colSlctPattern},
    {"colSlctMIDI1", &colSlctMIDI1},
    {"colSlctChords1", &colSlctChords1},
    {"colSlctMelText1", &colSlctMelText1},
    {"colEdit", &colEdit},
    {"colEdit1", &colEdit1},
    {"colDrawCtrl", &colDrawCtrl},
    {"colDrawCtrlSel", &colDrawCtrlSel},
    {"colFillNoteNorm", &colFillNoteNorm},
    {"colFillNoteSlct", &colFillNoteSlct},
    {"colFillNoteBkgn", &colFillNoteBkgn},
    {"colFillChordNorm", &colFillChordNorm},
    {"colFillChordSlct", &colFillChordSlct},
    {"colFillChordBkgn", &colFillChordBkgn},
    {"colFillMelNorm", &colFillMelNorm},
    {"colFillMelSlct", &colFillMelSlct},
    {"colLyricStd", &colLyricStd},
    {"colLyricCur", &colLyricCur},
    {"colLevelMnFill", &colLevelMnFill},
    {"colLevelMnFree", &colLevelMnFree},
    {"colLevelOvFill", &colLevelOvFill},
    {"colLevelOvFree", &colLevelOvFree},
};

} // namespace Quorvane
