// The song files the tests write, kept with what the test knows they hold,
// for the independent reader that the test run ends with.
#pragma once

#include <string>

namespace Quorvane {
class CSong;
}

namespace songfile_test {

// Copies a song file to the reader's folder with a listing of the song it
// holds: per track its id, the hash of its events as the data model stores
// them and, for audio tracks, its channels, frames, start offset and the
// hash of its samples; the five texts' lengths and the application tag.
void keepForReader(const std::string &path, Quorvane::CSong &song, const char *tag);

// FNV-1a, 64 bits.
unsigned long long fnv1a(const void *bytes, size_t length);

} // namespace songfile_test
