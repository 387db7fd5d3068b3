// The MIDI effect that hosts an MFX plug-in by class id inside a song: it
// creates the plug-in's COM object, connects it with a host context that
// answers from the song, turns the song's channel messages into MFX events
// and back, and passes state and play state on to the plug-in.
#pragma once

#include "data/midi_effect.h"
#include "outside/mfx/song_timeline.h"
#include "plugin/framework/mfx/hosting/host_side.h"

#include <ocidl.h>

#include <memory>
#include <string>

namespace tembri_mfx {

class MfxHostEffect final : public Quorvane::IQuorvaneMIDIEffect {
public:
    MfxHostEffect() = default;
    ~MfxHostEffect();
    MfxHostEffect(const MfxHostEffect &) = delete;
    MfxHostEffect &operator=(const MfxHostEffect &) = delete;

    HRESULT QueryInterface(REFIID iid, void **out) override;
    ULONG AddRef() override;
    ULONG Release() override;
    // host: the song (ITembriSong); 0 without one.
    int Init(void *host, void *owner) override;
    void SetOnline(int online) override;
    int SetPlayState(long state, long tick1, long tick2) override;
    int Process(Quorvane::ITembriMEInQueue *input, Quorvane::ITembriMEOutQueue *output) override;
    // The plug-in's persisted stream, as it saves it.
    int SaveState(Quorvane::Seekable::OutputStream *out) override;
    int LoadState(Quorvane::Seekable::InputStream *in) override;
    // The plug-in's first property page is its editor: shown inside the
    // window the caller gives, as long as the caller wants it.
    int GetEditorSize(long &width, long &height) override;
    int OpenEditor(HWND parent) override;
    void CloseEditor() override;
    // The plug-in class's registered name.
    const char *GetName() override;
    int GuidOperation(long code, void *buffer, long size) override;

private:
    // Creates and connects the plug-in; the one bound before goes.
    int Bind(const GUID &clsid);
    void Unbind();
    // The plug-in's first property page with the plug-in set on it; null
    // when it offers none.
    IPropertyPage *createPage();

    LONG references_ = 1;
    std::unique_ptr<SongTimeline> timeline_;
    std::unique_ptr<mfx_hosting::HostContext> context_;
    IMfxEventFilter *filter_ = nullptr;
    IPersistStream *persist_ = nullptr;
    GUID clsid_ = {};
    bool comStarted_ = false;
    std::string name_;
    // The editor while it shows.
    IPropertyPage *page_ = nullptr;
    // Reused for every window.
    mfx_hosting::EventQueue in_;
    mfx_hosting::EventQueue out_;
};

} // namespace tembri_mfx
