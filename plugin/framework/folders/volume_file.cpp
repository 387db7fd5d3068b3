#include "plugin/framework/folders/volume_file.h"

#include "base/safe_file.h"
#include "base/simple_stream.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace Quorvane::DirectoryTrees {

const char kVolumeMagic[kVolumeMagicSize] = {'Q', 'u', 'o', 'r', 'v', 'a', 'n', 'e', ' ', 'V',
                                             'o', 's', 't', 'r', 'a', 'p', 'e', 'l', 'l', 'i',
                                             'n', ' ', 'V', 'o', 'l', 'u', 'm', 'e', 0x1A};

namespace {

// Reads the lengths and byte runs of a volume. A length never sizes a buffer
// beyond what the source can still deliver: when the bytes left are known, a
// longer length is damage; otherwise the buffer grows only with bytes that
// actually arrived. After the first damage every read fails, so nothing
// behind it is taken for entries.
class VolumeReader {
public:
    VolumeReader(InputStream &in, std::optional<uint64_t> available) : in_(in), left_(available) {}

    bool failed() const { return failed_; }
    bool fail()
    {
        failed_ = true;
        return false;
    }

    // False at the end of a list (length 0) and on damage.
    bool readName(std::string &name)
    {
        uint32_t length = 0;
        if (!readLength(length) || length == 0)
            return false;
        Bytes bytes;
        if (!readRun(length, bytes))
            return false;
        name.assign(bytes.begin(), bytes.end());
        return true;
    }

    bool readData(InFileTerminalNode::Bytes &bytes)
    {
        uint32_t length = 0;
        return readLength(length) && readRun(length, bytes);
    }

private:
    using Bytes = InFileTerminalNode::Bytes;

    bool take(uint32_t count)
    {
        if (left_)
            *left_ -= count;
        return true;
    }

    bool readLength(uint32_t &length)
    {
        if (failed_ || (left_ && *left_ < sizeof(length)) || !in_.read(length))
            return fail();
        return take(sizeof(length));
    }

    bool readRun(uint32_t length, Bytes &bytes)
    {
        if (left_ && *left_ < length)
            return fail();
        bytes.clear();
        if (left_) {
            bytes.resize(length);
            if (length && in_.readBytes(bytes.data(), length) != length)
                return fail();
            return take(length);
        }
        while (bytes.size() < length) {
            const size_t have = bytes.size();
            const size_t piece = std::min<size_t>(length - have, std::max<size_t>(have, 64 * 1024));
            bytes.resize(have + piece);
            if (in_.readBytes(bytes.data() + have, static_cast<uint32_t>(piece)) != piece)
                return fail();
        }
        return true;
    }

    InputStream &in_;
    std::optional<uint64_t> left_;
    bool failed_ = false;
};

bool loadBlock(Tree &folder, VolumeReader &in, int depth)
{
    // Entries are gathered and added in one go; those read before any
    // damage stay.
    std::vector<std::unique_ptr<Leaf>> leaves;
    std::string name;
    while (in.readName(name)) {
        InFileTerminalNode::Bytes bytes;
        if (!in.readData(bytes))
            break;
        // Names become paths: one that could climb out or nest is dropped.
        if (!isSafeNodeName(name))
            continue;
        auto leaf = std::make_unique<InFileTerminalNode>(name, &folder);
        leaf->setData(std::move(bytes));
        leaves.push_back(std::move(leaf));
    }
    folder.addLeaves(std::move(leaves));
    if (in.failed())
        return false;

    std::vector<std::unique_ptr<Tree>> folders;
    bool complete = true;
    while (complete && in.readName(name)) {
        // Deeper nesting counts as damage: the entries so far stay.
        if (depth >= kMaxDepth) {
            complete = in.fail();
            break;
        }
        auto sub = std::make_unique<FileBaseNode>(name, &folder);
        complete = loadBlock(*sub, in, depth + 1);
        if (isSafeNodeName(name))
            folders.push_back(std::move(sub));
    }
    folder.addSubTrees(std::move(folders));
    return complete && !in.failed();
}

} // namespace

// ---- InFileTerminalNode -----------------------------------------------------

uint32_t InFileTerminalNode::Stream::readBytes(void *buffer, uint32_t count)
{
    if (position_ >= size())
        return 0;
    const uint32_t piece = std::min(count, size() - position_);
    std::memcpy(buffer, bytes_->data() + position_, piece);
    position_ += piece;
    return piece;
}

InFileTerminalNode::InFileTerminalNode(std::string name, Tree *parent)
    : Leaf(std::move(name), parent, InVolume)
{
}

RefPtr<InStream> InFileTerminalNode::open()
{
    return RefPtr<InStream>::adopt(new Stream(bytes_));
}

bool InFileTerminalNode::save(OutputStream &out)
{
    const uint32_t length = size();
    return out.write(length) && (length == 0 || out.writeBytes(bytes_->data(), length) == length);
}

bool InFileTerminalNode::load(InputStream &in)
{
    VolumeReader reader(in, std::nullopt);
    Bytes bytes;
    if (!reader.readData(bytes))
        return false;
    setData(std::move(bytes));
    return true;
}

void InFileTerminalNode::adopt(Leaf &fresh)
{
    if (auto *other = dynamic_cast<InFileTerminalNode *>(&fresh))
        bytes_ = other->bytes_;
}

void InFileTerminalNode::setData(Bytes bytes)
{
    if (bytes.empty())
        bytes_.reset();
    else
        bytes_ = std::make_shared<const Bytes>(std::move(bytes));
}

// ---- FileBaseNode and VolumeNode --------------------------------------------

FileBaseNode::FileBaseNode(std::string name, Tree *parent) : Tree(std::move(name), parent, InVolume) {}

bool FileBaseNode::load(InputStream &in)
{
    VolumeReader reader(in, std::nullopt);
    return loadBlock(*this, reader, 0);
}

VolumeNode::VolumeNode(std::string name, Tree *parent) : FileBaseNode(std::move(name), parent) {}

uint32_t VolumeNode::getPathLength() const
{
    const uint32_t own = static_cast<uint32_t>(name().size());
    return parent() ? parent()->childPrefixLength() + own : own;
}

char *VolumeNode::writePath(char *buffer) const
{
    if (parent())
        buffer = parent()->writeChildPrefix(buffer);
    std::memcpy(buffer, name().data(), name().size());
    return buffer + name().size();
}

void VolumeNode::rescan()
{
    FileBaseNode fresh(std::string(), nullptr);
    loaded_ = false;
    {
        File file(getPath().c_str(), GENERIC_READ, OPEN_EXISTING);
        char magic[kVolumeMagicSize];
        if (file.read(magic, sizeof(magic)) == sizeof(magic) &&
            std::memcmp(magic, kVolumeMagic, sizeof(magic)) == 0) {
            loaded_ = true;
            FileStream in(&file);
            VolumeReader reader(in, uint64_t{file.getSize()} - sizeof(magic));
            loadBlock(fresh, reader, 0);
        }
    }
    mergeFrom(fresh, true);
}

bool writeVolumeFile(Tree &tree, const std::string &path)
{
    SafeFileWriter out(path);
    if (!out.isOpen() || out.writeBytes(kVolumeMagic, kVolumeMagicSize) != kVolumeMagicSize ||
        !tree.save(out))
        return false;
    return out.commit();
}

} // namespace Quorvane::DirectoryTrees
