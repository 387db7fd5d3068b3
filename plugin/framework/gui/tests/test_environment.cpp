// Set-up shared by every toolkit test: COM and OLE on the main thread, and
// message boxes that never wait (an unexpected one fails the test).
#include "base/message_box.h"

#include <gtest/gtest.h>

#include <ole2.h>

namespace {

class Environment : public ::testing::Environment {
public:
    void SetUp() override
    {
        OleInitialize(nullptr);
        Quorvane::setMessageBoxHook([](HWND, const char *text, const char *caption, UINT) {
            ADD_FAILURE() << "unexpected message box \"" << caption << "\": " << text;
            return IDOK;
        });
    }
    void TearDown() override
    {
        Quorvane::setMessageBoxHook({});
        OleUninitialize();
    }
};

[[maybe_unused]] ::testing::Environment *const environment =
    ::testing::AddGlobalTestEnvironment(new Environment);

} // namespace
