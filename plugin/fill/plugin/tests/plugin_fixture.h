// What the in-process tests of the drummer share: COM and OLE on the test
// thread, the module's settings in a private registry key (emptied before
// every test), a private data folder holding the starter fill library, and
// warnings and message boxes that never wait.
#pragma once

#include "plugin/fill/plugin/grindelvosket_mfx.h"
#include "plugin/fill/plugin/tests/test_host.h"

#include <gtest/gtest.h>

#include <string>

namespace grindel_test {

// The folder whose "Fills" holds the starter library.
const std::string &dataFolder();
// Below HKEY_CURRENT_USER: the module's settings root.
const std::string &settingsRoot();

// A drummer holding one reference, released at the end.
class Drummer {
public:
    Drummer();
    ~Drummer();
    Drummer(const Drummer &) = delete;
    Drummer &operator=(const Drummer &) = delete;

    Quorvane::GrindelvosketMFX *operator->() const { return object_; }
    Quorvane::GrindelvosketMFX *get() const { return object_; }
    IQN3Request *request() const { return object_; }
    IMfxEventFilter *filter() const { return object_; }
    IPersistStream *persist() const { return object_; }
    // Gives up the reference without releasing (the test releases it).
    Quorvane::GrindelvosketMFX *take();

private:
    Quorvane::GrindelvosketMFX *object_;
};

class PluginTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Loads a starter fill ("Rock 01" and the like) into the drummer.
    void loadFill(Quorvane::GrindelvosketMFX &drummer, const std::string &name);

    Host host;
};

// Saves through IPersistStream into a fresh memory stream; the bytes.
std::string saveBytes(IPersistStream *persist);
// A memory stream holding bytes, positioned at its start.
IStream *streamOf(const std::string &bytes);

} // namespace grindel_test
