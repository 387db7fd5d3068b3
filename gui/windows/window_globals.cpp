#include "gui/windows/window_globals.h"

namespace Quorvane {

long ZoomTrackHorz = 10;
long ZoomMeasHorz = 120;
long ZoomChordsHorz = 20;
long ZoomChordsVert = 7;
long ZoomMIDIVert = 9;
long ZoomMelVert = 9;
long ZoomAudioHorz = 100;

long wMIDILeftBand = 40;
long wChordsLeftBand = 40;
long wMelLeftBand = 40;
long wAudioLeftBand = 40;

long tabTracksClmns[kTracksColumns] = {31, 26, 117, 26, 26, 26, 130, 39, 39, 78, 78, 78, 39, 52, 31};
long tabSInfoClmn[2] = {104, 260};
long tabSTractClmnPrt[3] = {31, 195, 169};
long tabSTractClmnBus[7] = {31, 31, 195, 78, 78, 78, 31};
long tabSTractClmnAEff[3] = {31, 195, 26};
long tabSTractClmnMEff[3] = {31, 195, 26};
long tabSysExClmn[5] = {31, 104, 26, 130, 208};
long tabPattChnClmn[7] = {39, 26, 130, 78, 52, 208, 39};

long tabNativeCursor[4] = {0, 1, 4, 5};

} // namespace Quorvane
