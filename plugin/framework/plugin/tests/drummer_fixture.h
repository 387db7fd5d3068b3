// What the in-process tests of both drummers share: COM and OLE on the test
// thread, the module's settings in a private registry key (emptied before
// every test), a private data folder that each drummer fills with its own
// content, and warnings and message boxes that never wait.
#pragma once

#include "plugin/framework/mfx/mfx_host.h"
#include "plugin/framework/plugin/qn3_request.h"

#include <windows.h>

#include <objidl.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>

namespace drummer_testing {

// Sets the test program up once: call it from a drummer's fixture file, at
// namespace scope. writeContent fills the new data folder; then the module
// is rooted in it with setDataFolder.
::testing::Environment *addDrummerEnvironment(std::function<void(const std::string &folder)> writeContent,
                                              void (*setDataFolder)(const std::string &folder));

// The private data folder.
const std::string &dataFolder();
// Below HKEY_CURRENT_USER: the module's settings root.
const std::string &settingsRoot();

// Empties the module's settings and fails the test at any message box or
// warning; and takes the hooks back.
void startDrummerTest();
void endDrummerTest();

// A drummer holding one reference, released at the end.
template <class Mfx> class DrummerRef {
public:
    DrummerRef() : object_(new Mfx()) { object_->AddRef(); }
    ~DrummerRef()
    {
        if (object_)
            object_->Release();
    }
    DrummerRef(const DrummerRef &) = delete;
    DrummerRef &operator=(const DrummerRef &) = delete;

    Mfx *operator->() const { return object_; }
    Mfx *get() const { return object_; }
    IQN3Request *request() const { return object_; }
    IMfxEventFilter *filter() const { return object_; }
    IPersistStream *persist() const { return object_; }
    // Gives up the reference without releasing (the test releases it).
    Mfx *take() { return std::exchange(object_, nullptr); }

private:
    Mfx *object_;
};

// Every test starts from the defaults (no "Globals", no "Last", no
// remembered warnings) and ends with no drummer left in the requester chain.
template <class Mfx> class DrummerTest : public ::testing::Test {
protected:
    void SetUp() override { startDrummerTest(); }
    void TearDown() override
    {
        endDrummerTest();
        EXPECT_TRUE(Mfx::requesters().head() == nullptr) << "a drummer stayed in the chain";
    }
};

} // namespace drummer_testing
