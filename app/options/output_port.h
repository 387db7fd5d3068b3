// The one output port all twelve parts play through, replaced by the port
// the user chose: the new output joins the song tract, every part track
// takes it, and the old one goes unless it is the tract's first output.
#pragma once

namespace Quorvane {

class CSong;
struct PORTDESCR;

// The kind of output that renders no audio.
constexpr long kOutputWithoutAudio = 7;

struct OutputChange {
    // The new output; null when the same port was chosen again or the
    // tract could not add it (refused).
    void *output = nullptr;
    bool changed = false;
    bool refused = false;
    // False for an output that renders no audio: exporting and copying
    // the result as WAVE are then off.
    bool audio = true;
};

// Whether two descriptors name the same port: equal ones, or two that
// name the same module of the program's own soft synths, whatever kind of
// output ("Default Preview" as the output chooser lists it is the preview
// output a song starts with).
bool SamePort(const PORTDESCR &a, const PORTDESCR &b);

// Gives the part tracks the chosen port. Choosing the port they already
// use changes nothing; a port the tract cannot add leaves every track as
// it was (the caller tells the user, 505). The tracks change under the song
// mutex; the old output goes after it is let go.
OutputChange ReplacePartsOutput(CSong &song, const PORTDESCR &chosen);

} // namespace Quorvane
