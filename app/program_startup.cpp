#include "app/program_startup.h"

#include "app/command_line.h"
#include "app/program_database.h"
#include "app/program_messages.h"
#include "app/program_options.h"
#include "outside/halvorinapp/halvorin_app.h"

namespace Quorvane {

StartupResult StartProgram(StartupContext &context, const std::string &commandTail, bool shiftHeld)
{
    StartupResult result;
    if (!context.bridge.LaunchApp(commandTail.c_str()))
        return result;
    result.noReload = IsNoReloadSwitch(commandTail) || shiftHeld ||
                      !context.profile.getInt(option::SaveState, ProgramOptions{}.saveState);
    if (!context.session.CreateParams())
        return result;
    if (context.database.CheckFirstTime(kFirstTimeMask) == 1) {
        for (long kind : {kMfxPortKind, kOwnSynthPortKind})
            if (!context.database.RefreshPorts(kind))
                ShowProgramMessage(MsgDatabaseError);
    }
    context.session.Start(context.soundManagerSource);
    result.stylePath = StyleFileArgument(commandTail);
    result.run = true;
    return result;
}

} // namespace Quorvane
