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

// The two classes a drummer module registers: their keys below the
// classes root and their descriptions.
struct ServedClasses {
    std::string drummerKey;
    std::string drummerDescription;
    std::string pageKey;
    std::string pageDescription;
};
// Grindelvosket's.
const ServedClasses &fillDrummerClasses();

// Runs every case with these ways to register and unregister into root;
// module is the path registration must name.
void checkRegistrationCases(HKEY root, const std::string &module,
                            const std::function<HRESULT()> &registerServer,
                            const std::function<HRESULT()> &unregisterServer,
                            const ServedClasses &classes = fillDrummerClasses());

} // namespace grindel_test
