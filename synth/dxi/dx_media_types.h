// The one kind of media both connections of a hosting graph carry: 32-bit
// IEEE float audio, stereo or mono, at the graph's rate.
#pragma once

#include "dshow/ds_media_type.h"

#include <mmreg.h>

WAVEFORMATEX DxFloatFormat(int rate, int channels);
// Major type audio, subtype PCM, a WAVEFORMATEX block, fixed-size samples of
// one frame.
CDsMediaType DxFloatAudioType(const WAVEFORMATEX &format);
// S_OK for float audio of 1 or 2 channels with a format block, fixed-size
// samples and no temporal compression (and, when asked, the wave format
// type); E_INVALIDARG for anything else.
HRESULT DxCheckFloatAudio(const AM_MEDIA_TYPE *type, bool checkFormatType);
