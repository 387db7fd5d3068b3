#include "app/program_messages.h"

#include "app/program_identity.h"
#include "base/message_box.h"

namespace Quorvane {

const char *ProgramMessageText(int id)
{
    switch (id) {
    case MsgDatabaseError:
        return "Main DataBase error.";
    case MsgEngineNotStarted:
        return "Sound engine was not started.";
    case MsgUnexpectedError:
        return "Unexpected error.";
    case MsgCantLoadSliceDrummer:
        return "Can't load Quorvane Vostrapellin";
    case MsgCantLoadFillDrummer:
        return "Can't load Quorvane Grindelvosket";
    case MsgCantLoadOutputPort:
        return "Can't load Output Port.";
    case MsgCantExportMidi:
        return "Can't export MIDI-file.";
    case MsgCantExportWave:
        return "Can't export WAVE-file.";
    case MsgCantLoadTemplate:
        return "Can't load template.";
    case MsgCantLoadStyle:
        return "Can't load style.";
    case MsgCantSaveStyle:
        return "Can't save style.";
    case MsgNoMemory:
        return "No enough memory to perform operation.";
    case MsgCantCreateTempFile:
        return "Cat't create temporary file.";
    case MsgCantLoadStyleSet:
        return "Can't load style set.";
    case MsgCantSaveStyleSet:
        return "Can't save style set.";
    case MsgInvalidFiles:
        return "Invalid file(s).";
    case MsgShellError:
        return "Shell error.";
    case MsgNoSoundDevice:
        return "No sound device plays the audio stream: the program plays without sound.\n"
               "Choose a device in Options > Audio Stream...";
    case MsgRestartNeeded:
        return "Changed options requires program restart.";
    default:
        return "";
    }
}

void ShowProgramMessage(int id, HWND owner, UINT icon)
{
    showMessageBox(owner, ProgramMessageText(id), kProgramTitle, MB_OK | icon);
}

void ShowProgramText(const std::string &text, HWND owner)
{
    showMessageBox(owner, text.c_str(), kProgramTitle, MB_OK | MB_ICONHAND);
}

std::string SavedStateDrummerText(int element)
{
    return std::string(ProgramMessageText(element == 0 ? MsgCantLoadSliceDrummer : MsgCantLoadFillDrummer)) +
           "\n\nThe saved parts need it, so Rallimoth closes. Start Rallimoth with /N, or hold Shift "
           "while it starts, to begin without the saved parts.";
}

std::string NoStoredPortText(const std::string &name)
{
    return "No presets for " + name +
           ": the equipment database lists no such port to keep them with. It lists what is installed.";
}

} // namespace Quorvane
