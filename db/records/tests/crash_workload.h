// The work of the crash test's writer, shared by the writer, the checker and
// the test: a committed file of thousands of records in trees, and a fixed
// series of additions, replacements and deletions over it. Every body says
// whose it is and carries a checksum, so a checker can tell a whole body.
#pragma once

#include "db/records/sdb.h"

#include <cstdint>
#include <string>

namespace crash_workload {

// "TPRS".
constexpr uint32_t kMagic = 0x53525054;

// Writes a new committed file of `count` records.
bool buildBase(const char *path, uint32_t count);
// The body of record `id` in its `generation`: id, generation, payload, checksum.
std::string makeBody(uint32_t id, uint32_t generation, uint32_t payloadLength);
bool bodyIsWhole(uint32_t id, const void *body, uint32_t size);
// The writer's changes, always the same for the same file; false when one fails.
bool applyChanges(Quorvane::CSDB &db);

} // namespace crash_workload
