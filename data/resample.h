// The integer resampler that brings a WAVE file's 16- or 24-bit frames to
// the wave's own rate, one block at a time.
//
// The source position advances by step = round(ratio x 32768) per output
// frame (15 fractional bits, starting at the first frame with phase 0), and
// frames are written while its whole part lies inside the block: that is
// ceil(frames x 32768 / step) of them. Neighbours that the interpolation
// wants beyond either end of the block are taken from the nearest frame of
// the block: nothing outside it is ever read. Results are held within the
// sample width.
//
// Modes: 0 linear interpolation; 2 four-point cubic; any other a windowed
// sinc kernel from one of four stored tables (bits 1-2 of the mode choose
// it, bit 2 the gain 14746 / 16384, else 14732 / 16384). When the step
// exceeds 0x7FFF (downsampling) the kernel is stretched by 32768 / step and
// the gain scaled by the same factor.
#pragma once

#include "data/corvadel_api.h"

namespace Quorvane {

// ratio = source rate / destination rate. bytesPerFrame: 2 or 4 (16-bit
// mono or stereo), 3 or 6 (24-bit mono or stereo). outFrames gets the number
// of frames written; -1 for another frame size or a ratio that gives no
// step. The destination holds ResampledFrames (ratio, sourceFrames) frames.
CORVADEL_API void Resample(double ratio, const void *source, long sourceFrames, void *destination,
                           int bytesPerFrame, int mode, long &outFrames);

// The frames that Resample writes for a block of sourceFrames; -1 when the
// ratio gives no step.
CORVADEL_API long ResampledFrames(double ratio, long sourceFrames);

} // namespace Quorvane
