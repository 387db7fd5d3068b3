// What the shared test set-up offers the tests.
#pragma once

#include "base/message_box.h"

#include <string>

namespace plugin_test {

// The hook installed between tests: any message box fails the test.
Quorvane::MessageBoxHook unexpectedMessageBox();

// The module's settings key below HKEY_CURRENT_USER (private to this run).
const std::string &settingsPath();

} // namespace plugin_test
