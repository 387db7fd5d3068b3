// What the in-process tests of the drummer share: the drummers' common
// fixture (private settings, warnings and message boxes that never wait)
// with a private data folder holding the starter fill library.
#pragma once

#include "plugin/fill/plugin/grindelvosket_mfx.h"
#include "plugin/fill/plugin/tests/test_host.h"
#include "plugin/framework/plugin/tests/drummer_fixture.h"

#include <gtest/gtest.h>

#include <string>

namespace grindel_test {

// The folder whose "Fills" holds the starter library.
using drummer_testing::dataFolder;
// Below HKEY_CURRENT_USER: the module's settings root.
using drummer_testing::settingsRoot;

// A drummer holding one reference, released at the end.
using Drummer = drummer_testing::DrummerRef<Quorvane::GrindelvosketMFX>;

class PluginTest : public drummer_testing::DrummerTest<Quorvane::GrindelvosketMFX> {
protected:
    void SetUp() override;

    // Loads a starter fill ("Rock 01" and the like) into the drummer.
    void loadFill(Quorvane::GrindelvosketMFX &drummer, const std::string &name);

    Host host;
};

// Saves through IPersistStream into a fresh memory stream; the bytes.
std::string saveBytes(IPersistStream *persist);
// A memory stream holding bytes, positioned at its start.
IStream *streamOf(const std::string &bytes);

} // namespace grindel_test
