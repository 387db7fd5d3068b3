// Rallimoth: start-up, the frame's modal run, and the end.
#include "app/command_line.h"
#include "app/frame_dialog.h"
#include "app/parts_window.h"
#include "app/program_identity.h"
#include "app/program_startup.h"
#include "app/starter/starter_style.h"
#include "app/equipment_database.h"
#include "app/style_file_type.h"
#include "outside/halvorinapp/halvorin_app.h"
#include "sound/sound_mngr.h"

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <string>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    using namespace Quorvane;
    OleInitialize(nullptr);
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    int result = 0;
    {
        CHalvorinApp bridge(kProgramTitle);
        // The program reaches the equipment database through this one
        // object.
        EquipmentDatabase database;
        ProgramProfile profile;
        SoundSession session(database, bridge);
        StartupContext context{bridge, database, session, profile,
                               [](const char *client) { return TindrelGetSoundMngrInterface(client); }};
        const StartupResult started =
            StartProgram(context, CommandTail(GetCommandLineA()), (GetAsyncKeyState(VK_SHIFT) & 0x8000) != 0);
        if (started.run) {
            char path[MAX_PATH] = {};
            GetModuleFileNameA(nullptr, path, MAX_PATH);
            RegisterStyleFileType(path);
            // Fresh parts start from the starter style the build lays out
            // beside the program.
            std::string starter = path;
            starter = starter.substr(0, starter.find_last_of('\\') + 1) + StarterStyle::kFolder + "\\" +
                      StarterStyle::kFileName;
            PartsWindow parts(
                {database, session, bridge, profile, started.noReload, started.stylePath, starter});
            RunFrameDialog(instance, parts);
            Sleep(100);
        }
        session.Shutdown();
    }
    OleUninitialize();
    return result;
}
