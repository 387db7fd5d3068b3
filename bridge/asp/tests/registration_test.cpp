#include "bridge/asp/registration.h"

#include "bridge/common/this_module.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <string>

using namespace Halvorin;

namespace {

std::string registeredPath()
{
    char path[MAX_PATH + 1] = {};
    DWORD size = MAX_PATH;
    DWORD type = 0;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, "Software\\Quorvane\\AudioStreamProviders", "Halvorin", RRF_RT_ANY,
                     &type, path, &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return {};
    return path;
}

TEST(Registration, TheProviderNamesItsModuleUnderHalvorin)
{
    testing_support::LocalMachineOverride machine;
    ASSERT_TRUE(machine.active());
    EXPECT_EQ(UnregisterProvider(), E_FAIL) << "nothing registered yet";
    ASSERT_EQ(RegisterProvider(ThisModule()), S_OK);
    char module[MAX_PATH];
    GetModuleFileNameA(ThisModule(), module, sizeof module);
    EXPECT_EQ(registeredPath(), module);
    EXPECT_EQ(UnregisterProvider(), S_OK);
    EXPECT_EQ(registeredPath(), "");
    EXPECT_EQ(UnregisterProvider(), E_FAIL) << "already gone";
}

} // namespace
