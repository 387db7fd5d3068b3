// What the property-page tests of both drummers share: a copy of the
// drummer's module and of its data folder in the test's own folder,
// registered for the whole program with the module's settings in a private
// key, and the classes' registration as it was put back at the end; finding
// the system's property frame among the thread's windows, showing it driven
// from a timer, and leaving the page's picture.
#pragma once

#include "testing/screenshot.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace drummer_testing {

struct ModuleCopy {
    const char *moduleFile;   // "Grindelvosket.dll"
    const char *dataFolder;   // the folder copied beside it
    const GUID *drummerClass; // the two classes whose registration is
    const GUID *pageClass;    // put back at the end
    // Run once the copy is registered, given the copy's folder.
    std::function<void(const std::string &folder)> afterRegistration;
};

// Sets the test program up once: call it at namespace scope.
::testing::Environment *addModuleCopyEnvironment(ModuleCopy copy);

// The loaded copy of the module.
HMODULE copiedModule();

// The build's dist folder (the test programs sit in the build's tests
// folder).
std::string distFolder();

// A window's class name.
std::string classOf(HWND window);
// The visible system dialog (the property frame) among this thread's
// windows; null when none.
HWND findPropertyFrame();

// Shows the object's property pages in the system's property frame, owned
// by `owner`, with `drive` called from a thread timer every 150 ms until the
// frame closes (the driver closes it); the frame's answer, or the error of
// asking the object for its pages.
HRESULT showPropertyFrame(HWND owner, IUnknown *object, TIMERPROC drive);

// The page's picture under `name` in the screenshots folder, and beside it
// the page's client size ("width height") for the picture's reader.
void writePagePicture(const testing_support::WindowPicture &picture, const std::string &name,
                      const RECT &client);

} // namespace drummer_testing
