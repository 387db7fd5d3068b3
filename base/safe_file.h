// Writes a file so that a failure never destroys the old one: the bytes go to
// a temporary file in the same folder, which replaces the target only when
// every write was complete.
#pragma once

#include "base/file.h"
#include "base/stream.h"

#include <string>

namespace Quorvane {

class SafeFileWriter : public Stream, public OutputStream {
public:
    explicit SafeFileWriter(const std::string &target);
    SafeFileWriter(const SafeFileWriter &) = delete;
    SafeFileWriter &operator=(const SafeFileWriter &) = delete;
    // Without a commit the temporary file is removed and the target stays.
    ~SafeFileWriter();

    bool isOpen() const { return file_.isOpen(); }
    // False once any write came up short.
    bool good() const { return good_; }

    uint32_t writeBytes(const void *buffer, uint32_t count) override;

    // Where the next write goes, and how many bytes the file holds: a writer
    // that patches a size it wrote before seeks back and forth. A seek that
    // fails leaves the writer not good.
    uint32_t position();
    uint32_t size();
    bool seek(uint32_t position);

    // Flushes the written file to the disk and moves it over the target;
    // false (and the target left as it was) when the file could not be made,
    // a write or seek came up short, or the flush or the move failed.
    bool commit();

private:
    std::string target_;
    std::string temp_;
    File file_;
    bool good_ = false;
    bool committed_ = false;
};

} // namespace Quorvane
