// Where the tests find the program stand-in (stand_in_program.cpp) and how
// they wait for what it leaves behind.
#pragma once

#include <windows.h>

#include <string>

namespace halvorin_test {

// The folder of the running test program, ending with a backslash.
std::string testsFolder();
// The stand-in's path, quoted for a command line.
std::string standInCommand();

// Registers a string (or other typed) value under HKEY_LOCAL_MACHINE
// "Software\Quorvane\HalvorinApp".
void registerLaunch(const char *name, const std::string &data, DWORD type = REG_SZ);

// The file's contents once it exists and is no longer growing; empty when
// it did not appear within the time.
std::string awaitFile(const std::string &path, DWORD timeoutMs = 10000);

} // namespace halvorin_test
