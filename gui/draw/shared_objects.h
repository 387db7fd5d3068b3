// The shared drawing objects the library builds when it is loaded: four
// fonts, six pens, six images, 21 gradients and 41 named colours. The
// colours have their defaults before that and may be changed by the colour
// file; the tables stay as built until the library is unloaded.
#pragma once

#include "gui/draw/draw_types.h"
#include "gui/draw/gui_tables.h"
#include "gui/pannikel_api.h"

namespace Quorvane {

// Fonts: 0 default text, 1 small text and chord suffixes, 2 lyric text,
// 3 chord root letters.
extern PANNIKEL_API CGUIFont sharedFont;
// Pens: 0 colWhite, 1 colBlack, 2 colLtGray, 3 colDkGray, 4 colDrawCtrl,
// 5 colDrawCtrlSel.
extern PANNIKEL_API CGUIPen sharedPen;
// Images: 0 track kinds, 1 track switches, 2 output badges, 3 routing
// marks, 4 effect badges, 5 drop-down and up/down marks (8 x 12).
extern PANNIKEL_API CGUIImage sharedImage;
// Gradients: 0-5 track backgrounds, 6-11 selected track backgrounds
// (master, chords, melody text, MIDI, audio, pattern), 12-14 light grey,
// selection and edit cells, 15-16 tall headers, 17-19 rulers, 20 melody fill.
extern PANNIKEL_API CGUIGradient sharedGradient;

extern PANNIKEL_API FONTPARAMS DefFontParams;
extern PANNIKEL_API FONTPARAMS LittleFontParams;
extern PANNIKEL_API FONTPARAMS TextFontParams;
extern PANNIKEL_API FONTPARAMS ChNtFontParams;

extern PANNIKEL_API RGBACOLOR colBlack;
extern PANNIKEL_API RGBACOLOR colWhite;
extern PANNIKEL_API RGBACOLOR colLtGray;
extern PANNIKEL_API RGBACOLOR colDkGray;
extern PANNIKEL_API RGBACOLOR colBkgndTrMeas;
extern PANNIKEL_API RGBACOLOR colBkgndMaster;
extern PANNIKEL_API RGBACOLOR colBkgndChords;
extern PANNIKEL_API RGBACOLOR colBkgndMelText;
extern PANNIKEL_API RGBACOLOR colBkgndMIDI;
extern PANNIKEL_API RGBACOLOR colBkgndAudio;
extern PANNIKEL_API RGBACOLOR colBkgndSTtact;
extern PANNIKEL_API RGBACOLOR colBkgndSysEx;
extern PANNIKEL_API RGBACOLOR colBkgndPattern;
extern PANNIKEL_API RGBACOLOR colSlctTrMeas;
extern PANNIKEL_API RGBACOLOR colSlctMaster;
extern PANNIKEL_API RGBACOLOR colSlctChords;
extern PANNIKEL_API RGBACOLOR colSlctMelText;
extern PANNIKEL_API RGBACOLOR colSlctMIDI;
extern PANNIKEL_API RGBACOLOR colSlctAudio;
extern PANNIKEL_API RGBACOLOR colSlctPattern;
extern PANNIKEL_API RGBACOLOR colSlctMIDI1;
extern PANNIKEL_API RGBACOLOR colSlctChords1;
extern PANNIKEL_API RGBACOLOR colSlctMelText1;
extern PANNIKEL_API RGBACOLOR colEdit;
extern PANNIKEL_API RGBACOLOR colEdit1;
extern PANNIKEL_API RGBACOLOR colDrawCtrl;
extern PANNIKEL_API RGBACOLOR colDrawCtrlSel;
extern PANNIKEL_API RGBACOLOR colFillNoteNorm;
extern PANNIKEL_API RGBACOLOR colFillNoteSlct;
extern PANNIKEL_API RGBACOLOR colFillNoteBkgn;
extern PANNIKEL_API RGBACOLOR colFillChordNorm;
extern PANNIKEL_API RGBACOLOR colFillChordSlct;
extern PANNIKEL_API RGBACOLOR colFillChordBkgn;
extern PANNIKEL_API RGBACOLOR colFillMelNorm;
extern PANNIKEL_API RGBACOLOR colFillMelSlct;
extern PANNIKEL_API RGBACOLOR colLyricStd;
extern PANNIKEL_API RGBACOLOR colLyricCur;
extern PANNIKEL_API RGBACOLOR colLevelMnFill;
extern PANNIKEL_API RGBACOLOR colLevelMnFree;
extern PANNIKEL_API RGBACOLOR colLevelOvFill;
extern PANNIKEL_API RGBACOLOR colLevelOvFree;

} // namespace Quorvane
