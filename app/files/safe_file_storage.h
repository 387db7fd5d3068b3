// The storage every file the program saves is written through: the bytes
// go to a file beside the target, which replaces the target only once the
// whole file is written and on the disk. A save that fails part-way (a
// drummer refusing its state, a full disk, a folder gone) leaves the user's
// old file as it was.
#pragma once

#include "base/safe_file.h"
#include "data/storage.h"

#include <string>

namespace Quorvane {

class SafeFileStorage final : public CStorage {
public:
    explicit SafeFileStorage(const std::string &target) : writer_(target) {}

    // False when the file beside the target could not be made.
    bool IsOpen() const { return writer_.isOpen(); }

    // Write only: nothing is read back.
    int InternalGetBuffer(void *, long) override { return 0; }
    int InternalPutBuffer(const void *source, long length) override;
    long GetLength() override;
    long GetPos() override;
    long SetPos(long position) override;

    // Replaces the target with what was written; false, and the target
    // left as it was, when anything failed. Without it the target stays.
    bool Commit();

private:
    SafeFileWriter writer_;
};

} // namespace Quorvane
