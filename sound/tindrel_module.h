// The Tindrel module itself: its handle and resources.
#pragma once

#include <windows.h>

namespace Quorvane {

// The dialog shown while the engine starts.
constexpr int kStartMessageDialog = 20000;

HMODULE TindrelModule();

} // namespace Quorvane
