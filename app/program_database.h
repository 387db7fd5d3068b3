// Everything the program asks of the equipment database, in one place: the
// first-time set-up, the port lists it refreshes then, the I/O parameters,
// and the song the program hibernates into (the New Song template
// " *Hibernation*" with the window's saved state beside it).
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace Quorvane {

struct IOPARAMS;
struct PORTDESCR;
class CSong;
class CTrack;
class IQuorvaneSongTract;

// Asked with the first of the tracks a template made (the master not among
// them), before they take the place of the song's own: false refuses the
// template and the song stays as it was.
using TemplateTracksCheck = std::function<bool(const CTrack *first)>;

constexpr const char kHibernationTemplate[] = " *Hibernation*";
// The first-time set-up offers port kinds 1 to 4.
constexpr unsigned long kFirstTimeMask = 30;
// Port kinds refreshed after the first-time set-up: MFX plug-ins (where the
// drummers are found), then the system's own soft synthesizers.
constexpr long kMfxPortKind = 9;
constexpr long kOwnSynthPortKind = 0;

// A range of port kinds, first to last: outputs (own synthesizers to MIDI
// ports) and MIDI effects (own effects and MFX plug-ins).
struct PortKinds {
    long first;
    long last;
};
constexpr PortKinds kOutputPortKinds{0, 4};
constexpr PortKinds kMidiEffectPortKinds{8, 9};

enum class Hibernation { Unavailable, Absent, Restored };

class ProgramDatabase {
public:
    virtual ~ProgramDatabase() = default;

    // 1 when the database was just made and its first-time set-up ran.
    virtual int CheckFirstTime(unsigned long mask) = 0;
    // Brings the port list of a kind in line with the installed equipment;
    // false when the list cannot be had.
    virtual bool RefreshPorts(long kind) = 0;
    // 0 on failure.
    virtual int GetIOParams(IOPARAMS *params) = 0;
    // The default stream provider into the parameters; 0 when none.
    virtual int GetDefaultASP(IOPARAMS *params) = 0;
    // Stores the parameters; false on failure.
    virtual bool SetIOParams(IOPARAMS *params) = 0;
    // The output chooser, opened at the descriptor's port and owned by the
    // window owner; true for OK with the chosen port in the descriptor.
    virtual bool ChooseOutput(PORTDESCR &descriptor, IQuorvaneSongTract *tract, void *owner) = 0;
    // The preset chooser of the stored port whose descriptor names the
    // same port as the given one (SamePort) (looked for among the port kinds in kinds), for item in
    // context as its preset kind takes them; name titles it. False when no
    // stored port matches.
    virtual bool ChoosePreset(const PORTDESCR &descriptor, PortKinds kinds, void *item, void *context,
                              const char *name, void *parent) = 0;
    // The hibernated song into song and its saved-state block into state:
    // Unavailable when the templates cannot be reached, Absent when no song
    // was hibernated or it does not load.
    virtual Hibernation LoadHibernation(CSong *song, std::vector<uint8_t> &state) = 0;
    // Replaces the hibernated song and its block; false on failure.
    virtual bool SaveHibernation(CSong *song, const void *state, long size) = 0;
    // The template chooser of New Song templates over the song: prepare
    // runs before a template loads into it (false keeps the song), accepts
    // is asked before its tracks go in, the saved-state block goes in, and
    // the chosen template's block comes back in its place. Owned by the
    // window owner. True for OK (also when the load failed: the chooser has
    // said so, and the song is as it was).
    virtual bool ChooseTemplate(CSong *song, const std::function<bool()> &prepare,
                                const TemplateTracksCheck &accepts, std::vector<uint8_t> &state,
                                void *owner) = 0;
    // Commits the pending changes (asking first unless "DBCommitDialog" is
    // 0).
    virtual void CommitModifications() = 0;
};

// What the program runs with while no equipment database can be reached:
// every question fails, so the program says so once and runs on with its
// defaults.
class MissingDatabase : public ProgramDatabase {
public:
    int CheckFirstTime(unsigned long) override { return 0; }
    bool RefreshPorts(long) override { return false; }
    int GetIOParams(IOPARAMS *) override { return 0; }
    int GetDefaultASP(IOPARAMS *) override { return 0; }
    bool SetIOParams(IOPARAMS *) override { return false; }
    bool ChooseOutput(PORTDESCR &, IQuorvaneSongTract *, void *) override { return false; }
    bool ChoosePreset(const PORTDESCR &, PortKinds, void *, void *, const char *, void *) override
    {
        return false;
    }
    Hibernation LoadHibernation(CSong *, std::vector<uint8_t> &) override { return Hibernation::Unavailable; }
    bool SaveHibernation(CSong *, const void *, long) override { return false; }
    bool ChooseTemplate(CSong *, const std::function<bool()> &, const TemplateTracksCheck &,
                        std::vector<uint8_t> &, void *) override
    {
        return false;
    }
    void CommitModifications() override {}
};

} // namespace Quorvane
