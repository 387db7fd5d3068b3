#include "app/options/accent_dialog.h"

#include "app/options/dialog_controls.h"
#include "app/options/option_dialog_ids.h"
#include "plugin/framework/plugin/qn3_request.h"

#include <algorithm>
#include <cstdio>

namespace Quorvane {

namespace {

constexpr int kNoteLists[] = {IDC_ACCENT_NOTE1, IDC_ACCENT_NOTE2A, IDC_ACCENT_NOTE2B};
constexpr const char *kDurations[] = {"1 / 4", "1 / 8", "1 / 16", "1 / 32"};
constexpr int kTopNote = 127;

struct AccentDialog {
    ProgramOptions options;
    const NoteNamer &names;
};

std::string noteText(const NoteNamer &names, int note)
{
    std::string text = names ? names(note) : std::string();
    if (text.empty()) {
        char number[8];
        std::snprintf(number, sizeof(number), "%i", note);
        text = number;
    }
    return text;
}

// The lists run from the top note down: the list index is 127 - note.
void fillNoteList(HWND list, const NoteNamer &names, int selected)
{
    for (int note = kTopNote; note >= 0; --note)
        SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(noteText(names, note).c_str()));
    SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(kTopNote - std::clamp(selected, 0, kTopNote)), 0);
}

int selectedNote(HWND dialog, int id, int fallback)
{
    const LRESULT index = SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0);
    return index >= 0 && index <= kTopNote ? kTopNote - static_cast<int>(index) : fallback;
}

void enableControls(HWND dialog)
{
    const BOOL on = IsDlgButtonChecked(dialog, IDC_ACCENT_ON) == BST_CHECKED;
    for (int id :
         {IDC_ACCENT_THRESHOLD, IDC_ACCENT_THRESHOLD_SPIN, IDC_ACCENT_VELOCITY, IDC_ACCENT_VELOCITY_SPIN,
          IDC_ACCENT_NOTE1, IDC_ACCENT_NOTE2A, IDC_ACCENT_NOTE2B, IDC_ACCENT_DURATION})
        EnableWindow(GetDlgItem(dialog, id), on);
}

void initialise(HWND dialog, AccentDialog &state)
{
    const ProgramOptions &s = state.options;
    CheckDlgButton(dialog, IDC_ACCENT_ON, s.accent ? BST_CHECKED : BST_UNCHECKED);
    SetupSpin(dialog, IDC_ACCENT_THRESHOLD_SPIN, 1, 127, s.accThreshold);
    SetupSpin(dialog, IDC_ACCENT_VELOCITY_SPIN, 1, 127, s.accVelocity);
    const int notes[] = {s.accNote1, s.accNote2a, s.accNote2b};
    for (int i = 0; i < 3; ++i)
        fillNoteList(GetDlgItem(dialog, kNoteLists[i]), state.names, notes[i]);
    HWND durations = GetDlgItem(dialog, IDC_ACCENT_DURATION);
    for (const char *text : kDurations)
        SendMessageA(durations, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    SendMessageA(durations, CB_SETCURSEL, static_cast<WPARAM>(std::clamp(s.accDuration, 0, 3)), 0);
    enableControls(dialog);
}

void readBack(HWND dialog, ProgramOptions &s)
{
    s.accent = IsDlgButtonChecked(dialog, IDC_ACCENT_ON) == BST_CHECKED ? 1 : 0;
    s.accThreshold = ReadNumber(dialog, IDC_ACCENT_THRESHOLD, 1, 127);
    s.accVelocity = ReadNumber(dialog, IDC_ACCENT_VELOCITY, 1, 127);
    s.accNote1 = selectedNote(dialog, IDC_ACCENT_NOTE1, s.accNote1);
    s.accNote2a = selectedNote(dialog, IDC_ACCENT_NOTE2A, s.accNote2a);
    s.accNote2b = selectedNote(dialog, IDC_ACCENT_NOTE2B, s.accNote2b);
    const LRESULT duration = SendDlgItemMessageA(dialog, IDC_ACCENT_DURATION, CB_GETCURSEL, 0, 0);
    if (duration >= 0 && duration <= 3)
        s.accDuration = static_cast<int>(duration);
}

INT_PTR CALLBACK accentProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto *state = DialogState<AccentDialog>(dialog, message, lParam);
    switch (message) {
    case WM_INITDIALOG:
        initialise(dialog, *state);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_ACCENT_ON:
            enableControls(dialog);
            return TRUE;
        case IDOK:
            readBack(dialog, state->options);
            EndDialog(dialog, IDOK);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

} // namespace

NoteNamer DrummerNoteNamer(IQN3Request *drummer)
{
    return [drummer](int note) -> std::string {
        char name[128] = {};
        if (!drummer || drummer->GetNoteName(note, name, sizeof(name)) != S_OK)
            return {};
        name[sizeof(name) - 1] = '\0';
        return name;
    };
}

IQN3Request *FirstAttachedDrummer(const PartDrummers &drummers)
{
    for (int part = 0; part < kPartCount; ++part)
        for (int element = 0; element < kDrummerElements; ++element)
            if (IQN3Request *request = drummers.Request(part, element))
                return request;
    return nullptr;
}

bool RunAccentDialog(HWND owner, ProgramOptions &options, const NoteNamer &names)
{
    AccentDialog state{options, names};
    if (!RunModalDialog(owner, IDD_ACCENT, accentProc, &state))
        return false;
    options = state.options;
    return true;
}

} // namespace Quorvane
