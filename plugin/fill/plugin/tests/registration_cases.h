// The drummer's self-registration as one table of cases, run against the
// server's own functions and against the module's entry points: register,
// unregister (twice), a step that cannot be written, register again.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace grindel_test {

// The default value of a key below root; "<missing>" when there is none.
std::string readDefault(HKEY root, const std::string &path);

// Runs every case with these ways to register and unregister into root;
// module is the path registration must name.
void checkRegistrationCases(HKEY root, const std::string &module,
                            const std::function<HRESULT()> &registerServer,
                            const std::function<HRESULT()> &unregisterServer);

} // namespace grindel_test
