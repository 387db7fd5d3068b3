// A plug-in's view of the host track it sits on, found by walking the host's
// song documents for the track whose MFX filter list holds the plug-in.
// Without a recognised host (or before it is attached) every value is its
// default, so callers need no special case.
#pragma once

#include <windows.h>

#include <cstdint>

namespace Quorvane {

class MfxPlugin;

class CHostTrackInfo {
public:
    CHostTrackInfo();
    CHostTrackInfo(const CHostTrackInfo &) = delete;
    CHostTrackInfo &operator=(const CHostTrackInfo &) = delete;
    virtual ~CHostTrackInfo();

    // Attached: re-reads the cached values from the track. Not attached and
    // reset: puts the cache back to its defaults.
    virtual void refresh(bool reset);
    // Whether one of the document's views (or a parent of one) is the
    // host's active MDI child.
    virtual bool isViewActive();
    // The host's now time of the document; 0 without a track.
    virtual int32_t hostNow();
    // Moves the host's now time, when the build names the routine.
    virtual void setHostNow(int32_t ticks);
    // Finds the plug-in's track; false with the integration off or when no
    // track holds the plug-in.
    virtual bool attach(MfxPlugin *plugin);
    virtual bool attachIfNeeded(MfxPlugin *plugin);
    virtual bool canSetHostNow();
    // Plays a packed channel message on the track's output.
    virtual void sendShortMessage(uint32_t message);

    // The track's values: read live while the track is known and the host
    // has an active document, else the cached ones.
    virtual int32_t liveInput(); // non-zero: the track plays live input
    virtual int32_t armed();
    virtual int32_t muted();
    virtual int32_t keyOffset();
    virtual int32_t velocityOffset();
    virtual int32_t outputPort();    // -1: none
    virtual int32_t outputChannel(); // -1: none
    virtual int32_t patch();
    virtual int32_t timeOffset();
    virtual int32_t inputPort();
    virtual int32_t inputChannel();
    virtual int32_t bank();
    virtual int32_t volume();
    virtual int32_t pan();

    bool attached() const { return attached_; }
    uintptr_t document() const { return document_; }
    uintptr_t track() const { return track_; }
    int32_t trackNumber() const { return trackNumber_; }
    int32_t filterIndex() const { return filterIndex_; }
    // One of the 16 list values read at attach; 0 outside 0..15.
    int32_t listValue(int index) const;

    static constexpr int kValueCount = 14;
    static constexpr int kListCount = 16;

private:
    int32_t value(int index);
    void resetCache();

    CRITICAL_SECTION lock_;
    uintptr_t document_ = 0;
    uintptr_t track_ = 0;
    int32_t filterIndex_ = -1;
    int32_t trackNumber_ = -1;
    bool attached_ = false;
    int32_t values_[kValueCount];
    int32_t list_[kListCount];
};

} // namespace Quorvane
