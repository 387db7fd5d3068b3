// The program's main window: twelve parts of drummer chains in one song,
// the drummers reached through their request interface, the options, the
// saved state, transport and the painted parts list. It lives as a
// modeless dialog owned by the frame dialog.
#pragma once

#include "app/files/export_choices.h"
#include "app/part_drummers.h"
#include "app/parts_images.h"
#include "app/parts_layout.h"
#include "app/parts_sink.h"
#include "app/program_options.h"
#include "app/program_profile.h"
#include "app/saved_state.h"
#include "app/sound_session.h"
#include "app/transport.h"
#include "app/value_editor.h"
#include "data/song.h"

#include <windows.h>

#include <atomic>
#include <string>

namespace Quorvane {

class CHalvorinApp;
class CEvntTransChain;
class CGUIContext;
class IQuorvaneSoftSynth;
class ProgramDatabase;
enum class OutputField;
enum class KeyPlace;

// Messages posted to the window by engine threads and by itself.
constexpr UINT kMsgLevels = WM_USER + 200;
constexpr UINT kMsgSongPointer = WM_USER + 201;
constexpr UINT kMsgSwitchPart = WM_USER + 202;
constexpr UINT kMsgEditorClosed = WM_USER + 203;
// Another thread (the stream provider's) changed what the window shows.
constexpr UINT kMsgRedraw = WM_USER + 204;
// A key of the parts window pressed in any of the program's windows
// (wParam and lParam those of its WM_KEYDOWN).
constexpr UINT kMsgPartsKey = WM_USER + 205;
// The output chooser fresh parts ask for, when no busy step runs.
constexpr UINT kMsgOwedOutputChooser = WM_USER + 206;
// A drummer reported a change off the window thread.
constexpr UINT kMsgDrummerNews = WM_USER + 207;

struct PartsWindowSetup {
    ProgramDatabase &database;
    SoundSession &session;
    CHalvorinApp &bridge;
    const ProgramProfile &profile;
    bool noReload = false;
    std::string stylePath;
    // The style fresh parts start from when no style is named; none when
    // empty or missing.
    std::string starterStylePath;
};

class PartsWindow : public TransportHost, public SoundSessionClient {
public:
    explicit PartsWindow(const PartsWindowSetup &setup);
    ~PartsWindow() override;
    PartsWindow(const PartsWindow &) = delete;
    PartsWindow &operator=(const PartsWindow &) = delete;

    // The modeless dialog owned by the frame; null on failure.
    HWND Create(HINSTANCE instance, HWND frame);
    HWND Handle() const { return window_; }

    // The deferred set-up (normally run by the first WM_TIMER); false when
    // the parts could not be built.
    bool FinishSetUp();
    // Stops, saves the state into the database, lets go of the engine and
    // the editors. A second run finds nothing to do.
    void CloseSequence();

    // --- what tests and the frame look at
    bool IsBuilt() const { return built_; }
    int CurrentPart() const { return current_; }
    int SelectedPart() override { return selected_; }
    int PartLength(int part) const { return lengths_[part]; }
    bool Loop() const { return loop_ != 0; }
    bool Metronome() const { return metronome_ != 0; }
    PartDrummers &Drummers() { return drummers_; }
    Transport &Playback() { return transport_; }
    SavedPartsState CurrentState() const;
    void Click(int x, int y);
    HWND EditorWindow(int index) const { return editors_[index]; }
    int FrontEditor() const { return frontEditor_; }
    bool Docked(int editor) const { return docked_[editor] != 0; }
    int NameWidth() const { return options_.nameWidth; }
    const int *PositionMarkers() const { return markers_; }
    // False while the output port renders no audio (no WAVE result then).
    bool AudioAvailable() const { return audioAvailable_; }
    // The control the mouse works now (region None when idle): a chooser,
    // popup or copy until it returns, the bank editor while it edits, a
    // drag or default button until the button is released.
    PartsHit MouseMode() const;
    // The in-place editor of the output's bank.
    ValueEditor &BankEditor() { return bankEditor_; }
    // The output's volume and panning (1.0 each: unity and centre); false
    // while the output renders no audio.
    bool Levels(float &volume, float &panning);

    // --- TransportHost
    bool IsPlaying() override;
    void StartPlayback(long startOffset) override;
    void StopPlayback() override;
    bool IsBusy() override { return busy_; }
    long TicksPerQuarter() override;
    long LoopLength() override;
    long MeasureLength() override;
    long SongPosition() override;
    void JumpSongPtr(long tick) override;
    void SwitchPart(int part, int mode, bool restart) override;
    void SetDrummerParam(int part, long id, long value) override;
    long PartChannel(int part) override;
    long SamplesOfTicks(long ticks) override;
    void WriteFirstTempo(float beatsPerMinute) override;
    void InsertTempoHere(float beatsPerMinute) override;
    void EraseInsertedTempos() override;
    void Redraw() override;

    // --- SoundSessionClient
    void StopIfPlaying() override;
    void EnableAudioStreamCommand(bool enable) override;
    CSong *Song() override { return &song_; }
    ASPNotifyProc HostNotifyProc() override { return &PartsWindow::OnHostNotify; }
    ULONG_PTR HostNotifyUser() override { return reinterpret_cast<ULONG_PTR>(this); }

private:
    // Set around every modal step (a chooser, dialog, popup or the drag of
    // the result): the window is not closed, nothing starts playing, and
    // of the host's news only a stop is followed meanwhile.
    class BusyStep {
    public:
        explicit BusyStep(PartsWindow &window) : window_(window), was_(window.busy_.exchange(true))
        {
            if (!was_)
                window_.busyBegins();
        }
        ~BusyStep()
        {
            window_.busy_ = was_;
            if (!was_)
                window_.busyEnds();
        }
        BusyStep(const BusyStep &) = delete;
        BusyStep &operator=(const BusyStep &) = delete;

    private:
        PartsWindow &window_;
        bool was_;
    };
    // The tooltip goes before a chooser, dialog or popup shows and stays
    // away until the mouse moves on to another control; what the host
    // changed meanwhile is applied, and a chooser owed is asked for.
    void busyBegins();
    void busyEnds();
    // The tooltip about to show, placed by the cursor (PlaceTooltip).
    void placeTooltip();
    // The host's last tempo, bend and modulation seen during a busy step,
    // applied once (on whichever thread finds the step over).
    void holdHostValues(float tempo, long bend, long mod);
    void applyHeldHostValues();
    // Whether the caller runs on the window's thread: other threads only
    // post to the window.
    bool onWindowThread() const { return GetCurrentThreadId() == windowThread_; }

    static INT_PTR CALLBACK EditorHostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR handle(UINT message, WPARAM wParam, LPARAM lParam);
    void onInitDialog();
    bool buildOrRestore();
    // False when a drummer is missing (its element in failedElement).
    bool attachDrummers(int *failedElement);
    // Drummers, time selection, tempo and track hooks of the song's parts;
    // fresh parts get their fill measures. False when a drummer is missing
    // (its element in failedElement).
    bool attachParts(bool fresh, int *failedElement = nullptr);
    void applyState(const SavedPartsState &state);
    void applyTimeSelection();
    void relayout();
    // The current part's drummer editors in their host windows.
    void openEditors();
    void closeEditors(int part);
    // The output's soft synth's editor in the fourth editor window.
    void openOutputEditor();
    void closeOutputEditor();
    void placeEditors();
    void setDocked(int editor, bool docked);
    // An editor window sized to its editor plus its frame.
    void sizeEditor(int editor);
    // The top-left corner of the place beside the parts window.
    POINT besidePartsWindow() const;
    // Where an editor window floats the first time.
    POINT firstFloatingPlace(HWND host) const;
    bool isDocked(HWND host) const;
    // A floating editor window remembers where the user moved it.
    void editorMoved(HWND host);
    void updatePosition();
    void onDrag(int x);
    // The bus the selected part's output plays into; false while the
    // output renders no audio.
    bool outputBus(void *&bus);
    void setLevels(float volume, float panning);
    void endDrag();
    // Highlights the control of a mouse mode (one without a control ends
    // the mode) and paints it at once, before a chooser takes over.
    void setMouseMode(const PartsHit &mode);
    void onCommand(int command);
    // The file, export, copy, option and help commands (parts_window_files);
    // false for another command.
    bool onFileCommand(int command);
    void onDropFiles(HDROP drop);
    // The style named on the command line, opened once the parts stand.
    void openCommandLineStyle();
    // The copy-result and drag-result buttons, in the chosen format.
    void copyResult();
    void dragResult();
    friend class PartsWindowFiles;
    // The output port, stream and VST folder commands
    // (parts_window_options); false for another command.
    bool onOptionCommand(int command);
    void chooseOutPort();
    // The database's preset chooser for the current part's drummer of an
    // element, or for the output.
    void chooseDrummerPreset(int element);
    void chooseOutputPreset();
    void chooseAudioStream();
    void chooseVstFolders();
    // The template chooser; before a template loads, the parts let go of
    // their editors, drummers and output (releaseParts).
    void chooseTemplate();
    void releaseParts();
    // A popup of the output strip under the field that starts at x; the
    // choice goes to every part.
    void chooseOutputField(OutputField field, int x);
    // The bank as a number 0..16383 in the in-place editor; its commit
    // reaches every part.
    void editBank();
    void bankEdited();
    void onKey(WPARAM key, LPARAM flags);
    // The thread's message hook that hands the parts window its keys
    // wherever the focus is among the program's windows.
    void hookKeys();
    void unhookKeys();
    KeyPlace keyPlace(HWND target) const;
    static LRESULT CALLBACK KeyHook(int code, WPARAM removal, LPARAM message);
    void onMouseMove(int x, int y);
    // The column grip's cursor over the grip and while its drag lasts.
    bool setCursor();
    void paint(HDC dc, const RECT &client);
    void paintParts(CGUIContext &context, const RECT &client);
    void placeWindow();
    // The window's fixed size for the name column's width.
    SIZE windowSize() const;
    void updateMenu();
    void updateTitle();
    void writeOption(const char *name, int value) { profile_.writeInt(name, value); }
    void invalidate(int area);

    // Engine and song callbacks.
    static void OnHostNotify(ULONG_PTR user, long noteCode, long position, float tempo, long bend, long mod);
    static void OnEngineNotify(ULONG_PTR window);
    static void OnSongPointer(void *window);
    static void OnLoopFlip(CSong *song, ULONG_PTR user);
    static CEvntTransChain *OnPartTrackEvents(CEvntTransChain *chain, long tick, long endTick, void *user);
    void clearCallbacks();

    ProgramDatabase &database_;
    SoundSession &session_;
    CHalvorinApp &bridge_;
    ProgramProfile profile_;
    ProgramOptions options_;
    bool noReload_;
    std::string stylePath_;
    std::string starterStylePath_;
    // The parts were built fresh (no saved state came back).
    bool freshParts_ = false;

    HWND window_ = nullptr;
    HWND frame_ = nullptr;
    HWND editors_[kEditorWindows] = {};
    HWND tooltip_ = nullptr;
    HHOOK keyHook_ = nullptr;
    // The list's pictures and the column grip's cursor.
    PartsImages images_;
    // The soft synth whose editor the fourth window shows.
    IQuorvaneSoftSynth *outputEditor_ = nullptr;
    CSong song_;
    PartDrummers drummers_;
    PartsSink sink_{drummers_};
    Transport transport_{*this, options_};

    DWORD windowThread_ = 0;
    // Read by the stream provider's thread too.
    std::atomic<bool> built_{false};
    std::atomic<bool> busy_{false};
    // Host values held during a busy step (none: -1 and kHostUnchanged).
    std::atomic<float> heldTempo_{-1.0f};
    std::atomic<long> heldBend_{kHostUnchanged};
    std::atomic<long> heldMod_{kHostUnchanged};
    // Fresh parts ask for their output port once the set-up's busy step is
    // over (kMsgOwedOutputChooser).
    bool outputChooserOwed_ = false;
    bool tooltipsPaused_ = false;
    bool setUpDone_ = false;
    // A template that failed to load took the parts with it.
    bool partsLost_ = false;
    bool closed_ = false;
    int current_ = 0;
    int selected_ = 0;
    int frontEditor_ = 1;
    int lengths_[kPartCount];
    int loop_ = 1;
    int metronome_ = 0;
    int docked_[kEditorWindows] = {1, 1, 1, 1};
    // What each editor window shows: its editor's size, and where it
    // floats (once it floated).
    SIZE editorSizes_[kEditorWindows] = {{100, 100}, {100, 100}, {100, 100}, {100, 100}};
    POINT floatingAt_[kEditorWindows] = {};
    bool floatingPlaced_[kEditorWindows] = {};
    int tooltipIndex_ = 0;
    // The position display: the marked measure of the loop-slice row and
    // of the two fill rows (-1 none).
    int markers_[kDrummerElements] = {-1, -1, -1};
    // What the export commands proposed last, and the part or style file
    // last opened or saved (for the title).
    ExportChoices exportChoices_;
    bool audioAvailable_ = true;
    ValueEditor bankEditor_;
    std::string fileTitle_;
    // Mouse drags: none, the tempo or the name column's width.
    enum class Drag { None, Volume, Panning, Tempo, Resize } drag_ = Drag::None;
    PartsHit mouseMode_;
    int dragOriginX_ = 0;
    int dragOriginWidth_ = 0;
};

} // namespace Quorvane
