// Volume files: a whole folder tree with its pattern files packed into one
// file, read into memory.
//
// Layout: the 29-byte magic, then the root folder block. A folder block is a
// list of file entries (name, data) ended by a zero length, then a list of
// sub-folder entries (name, folder block) ended by a zero length. Names and
// data are a uint32 length and the bytes; integers are little-endian.
#pragma once

#include "plugin/framework/folders/directory_tree.h"

#include <memory>
#include <vector>

namespace Quorvane::DirectoryTrees {

constexpr uint32_t kVolumeMagicSize = 29;
extern const char kVolumeMagic[kVolumeMagicSize];

// A file inside a volume; its bytes are held in memory.
class InFileTerminalNode : public Leaf {
public:
    using Bytes = std::vector<uint8_t>;

    // Reads the node's bytes from a position of its own. The stream shares
    // the bytes, so it stays valid when a rescan drops or refills the node.
    class Stream : public Object, public InStream {
    public:
        explicit Stream(std::shared_ptr<const Bytes> bytes) : bytes_(std::move(bytes)) {}

        bool atEnd() override { return position_ >= size(); }
        uint32_t readBytes(void *buffer, uint32_t count) override;

    private:
        uint32_t size() const { return bytes_ ? static_cast<uint32_t>(bytes_->size()) : 0; }

        std::shared_ptr<const Bytes> bytes_;
        uint32_t position_ = 0;
    };

    InFileTerminalNode(std::string name, Tree *parent);

    RefPtr<InStream> open() override;
    // Writes the data length and the bytes.
    bool save(OutputStream &out) override;
    // Reads a data length and that many bytes; false when the stream ends
    // early (the node keeps its old content then).
    virtual bool load(InputStream &in);
    void adopt(Leaf &fresh) override;

    uint32_t size() const { return bytes_ ? static_cast<uint32_t>(bytes_->size()) : 0; }
    const uint8_t *data() const { return bytes_ && !bytes_->empty() ? bytes_->data() : nullptr; }
    void setData(Bytes bytes);

private:
    std::shared_ptr<const Bytes> bytes_;
};

// A folder inside a volume.
class FileBaseNode : public Tree {
public:
    FileBaseNode(std::string name, Tree *parent);

    // Adds the entries of a folder block. False when the block is damaged;
    // the entries read before the damage stay.
    virtual bool load(InputStream &in);
};

// A volume file on disk, shown as a folder. A file whose magic does not match
// shows as an empty folder.
class VolumeNode : public FileBaseNode {
public:
    VolumeNode(std::string name, Tree *parent);

    // The volume file's own path, without a backslash at the end.
    uint32_t getPathLength() const override;
    char *writePath(char *buffer) const override;
    bool pathEndsWithSeparator() const override { return false; }
    // Re-reads the file. Entries that are still there keep their identity.
    void rescan() override;

    // Whether the last rescan found a volume with the right magic.
    bool isLoaded() const { return loaded_; }

private:
    bool loaded_ = false;
};

// Writes a tree as a volume file, through a temporary file that replaces the
// target only when everything was written. False when anything failed (a
// name that cannot be stored, a file that cannot be read, a short write, too
// deep a tree); the old file is then left as it was.
bool writeVolumeFile(Tree &tree, const std::string &path);

} // namespace Quorvane::DirectoryTrees
