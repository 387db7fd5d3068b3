// What the tests of both drummer modules share: the module loaded and
// registered once for the whole program, with the program's settings in a
// private key (HKEY_CURRENT_USER is mapped there) and this program's own
// engines reading the library beside the module; its entry points, its
// objects' faces and their stored states.
#pragma once

#include "plugin/fill/plugin/tests/registration_cases.h"

#include <windows.h>

#include <objidl.h>

#include <gtest/gtest.h>

#include <string>

namespace grindel_test {

// Sets the test program up once: call it from a module test, at namespace
// scope. referenceName names this program's own settings; setDataFolder
// roots this program's engines in the module's folder.
::testing::Environment *addModuleEnvironment(const char *referenceName,
                                             void (*setDataFolder)(const std::string &folder),
                                             std::string (*modulePath)());

// The loaded module.
HMODULE loadedModule();
using EntryPoint = HRESULT(STDAPICALLTYPE *)();
EntryPoint entry(const char *name);

// Creates an object of the module's class through COM; null on failure.
template <typename Interface> Interface *create(REFCLSID clsid, REFIID iid)
{
    Interface *object = nullptr;
    const HRESULT result =
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, reinterpret_cast<void **>(&object));
    EXPECT_EQ(result, S_OK);
    return object;
}

template <typename Interface> Interface *query(IUnknown *object, REFIID iid)
{
    Interface *face = nullptr;
    EXPECT_EQ(object->QueryInterface(iid, reinterpret_cast<void **>(&face)), S_OK);
    return face;
}

// The module's DllGetClassObject; null when it exports none.
using GetClassObject = HRESULT(STDAPICALLTYPE *)(REFCLSID, REFIID, void **);
GetClassObject classObjectEntry();
// Asked for a class it does not serve, the module answers
// CLASS_E_CLASSNOTAVAILABLE and hands out nothing.
void checkNoFactoryFor(REFCLSID clsid);

// Loads bytes into the object through a memory stream.
HRESULT load(IPersistStream *persist, const std::string &bytes);

// The module's entry points as hosts meet them: exported by their plain
// names, registering and unregistering both classes through every case,
// the drummer's class unknown once unregistered and creatable again once
// registered, and the module unloadable only while no drummer lives.
void checkEntryPoints(REFCLSID drummer, const ServedClasses &classes);

} // namespace grindel_test
