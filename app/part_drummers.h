// The drummers of the twelve parts as the parts window drives them: for
// each part its loop-slice drummer (element 0) and two fill drummers
// (elements 1, 2), reached through their request interface, with the sink
// each was attached to, and a mirror of each fill drummer's parameters 0..5
// with the fill region they give within the part.
#pragma once

#include "plugin/framework/plugin/qn3_request.h"

#include <atomic>
#include <cstdint>
#include <functional>

namespace Quorvane {

class ITembriSong;

constexpr int kPartCount = 12;
constexpr int kDrummerElements = 3;

constexpr DWORD DrummerCookie(int part, int element)
{
    return static_cast<DWORD>(part) << 16 | static_cast<DWORD>(element);
}

// What the window keeps of one fill drummer.
struct FillMirror {
    // Parameters 0..5 as last read: fill measure, fill start and end (240
    // ticks per quarter within the fill measure), and three settings only
    // shown.
    LONG params[6] = {1, 0, 0xF00, 0, 3, 3};
    // Song ticks: the fill measure's start, the fill's first and last tick,
    // the measure's last tick.
    long measureStart = 0;
    long fillStart = 0;
    long fillEnd = 0;
    long measureEnd = 0;
    // The element is switched off.
    int inactive = 0;
};

// The window thread owns the table: it attaches, reads and lays out. A
// drummer may report a change on another thread (a pad switched by a
// trigger note on the audio thread): the report is then only noted, and
// the window thread, told once through newsWaiting, takes it up with
// TakeNews.
class PartDrummers {
public:
    // The song gives ticks per quarter and measure times; it may come later.
    // The constructing thread is the window thread.
    explicit PartDrummers(ITembriSong *song = nullptr) : song_(song), windowThread_(GetCurrentThreadId()) {}
    ~PartDrummers() { ReleaseAll(); }
    PartDrummers(const PartDrummers &) = delete;
    PartDrummers &operator=(const PartDrummers &) = delete;

    void SetSong(ITembriSong *song) { song_ = song; }

    // Takes the drummer at a free place: keeps its request interface (a
    // reference of its own) and the sink (one reference), attaches the
    // sink with the place's cookie, and for a fill drummer reads its
    // parameters and lays out its fill. On failure the place is left empty.
    bool Attach(int part, int element, IUnknown *drummer, IDrummerSink *sink);
    // Every place emptied, the pointers released.
    void ReleaseAll();

    // The sink's two calls. Off the window thread a valid report answers
    // S_OK at once and waits for TakeNews.
    HRESULT ParamChanged(DWORD cookie, LONG id, LONG sub);
    HRESULT Detach(DWORD cookie);
    // On the window thread: the changes reported elsewhere, read and laid
    // out as a report on the window thread is.
    void TakeNews();

    // The request interface at a place, null when none.
    IQN3Request *Request(int part, int element) const;
    // Sets a parameter on the part's three drummers (those present).
    void SetParamOnPart(int part, LONG id, LONG value);
    // Fill elements 1 and 2.
    const FillMirror &Mirror(int part, int fillElement) const;
    FillMirror &Mirror(int part, int fillElement);
    // Recomputes a fill's region from its mirrored parameters; false
    // without a song or for a negative measure.
    bool LayOut(int part, int fillElement);

    // Called after parameter 0 changed, so that the window redraws the
    // part's measures.
    std::function<void(int part)> measuresChanged;
    // Called on the reporting thread when a report off the window thread
    // finds no news waiting yet (the window posts itself a message); it must
    // neither wait nor allocate.
    std::function<void()> newsWaiting;

private:
    static bool validPlace(int part, int element)
    {
        return part >= 0 && part < kPartCount && element >= 0 && element < kDrummerElements;
    }
    HRESULT readParam(int part, int element, LONG id);
    bool readFill(int part, int element);
    // What a report of a fill element's parameter does on the window thread.
    HRESULT takeChange(int part, int element, LONG id);

    ITembriSong *song_;
    DWORD windowThread_;
    // The parameters reported off the window thread and not yet taken: one
    // bit per id of each fill element; and whether the window was told.
    std::atomic<uint32_t> news_[kPartCount][2] = {};
    std::atomic<bool> newsTold_{false};
    IQN3Request *requests_[kDrummerElements][kPartCount] = {};
    IDrummerSink *sinks_[kDrummerElements][kPartCount] = {};
    FillMirror mirrors_[kPartCount][2];
};

} // namespace Quorvane
