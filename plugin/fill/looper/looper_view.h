// The row of the fill editor panel that shows one looper. The looper calls it
// on the window thread after its changes; the panel implements it.
#pragma once

#include <cstdint>

namespace Quorvane {

class LooperView {
public:
    virtual ~LooperView() = default;

    virtual void showMute(bool muted) = 0;
    virtual void showNotesOff(bool notesOff) = 0;
    // The parameter field reads the looper again.
    virtual void refreshParameter() = 0;
    // The event picture is rebuilt from the looper and repainted.
    virtual void refreshEvents() = 0;
    // Shown while the part has at least one instrument note.
    virtual void setShown(bool shown) = 0;
    // Play cursor: time within the current loop pass, loop length (both in
    // engine ticks), and whether the time lies inside the fill bar's zones.
    virtual void locateTime(int32_t time, int32_t length, bool inZone) = 0;
};

} // namespace Quorvane
