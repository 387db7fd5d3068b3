// A DirectShow filter built on the kit for the enumeration's tests: it
// registers itself with the platform's filter mapper with the pins the test
// asks for (audio in, audio out), as a filter module's registration does,
// class key included.
#pragma once

#include <windows.h>

#include <string>

namespace equipment_test {

enum AudioPins { kAudioIn = 1, kAudioOut = 2 };

void registerAudioFilter(const GUID &id, const std::wstring &name, int pins);
void unregisterAudioFilter(const GUID &id);
// Registers the filter once more, in a second category of the mapper.
void registerInSecondCategory(const GUID &id, const std::wstring &name);

} // namespace equipment_test
