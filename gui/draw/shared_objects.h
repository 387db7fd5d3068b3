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

// The 41 colours: colBlack, colWhite ... colLevelOvFree (colour_list.h).
#define PANNIKEL_COLOUR(name, r, g, b, a) extern PANNIKEL_API RGBACOLOR name;
#include "gui/draw/colour_list.h"
#undef PANNIKEL_COLOUR

} // namespace Quorvane
