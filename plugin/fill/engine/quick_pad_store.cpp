#include "plugin/fill/engine/quick_pad_store.h"

#include "base/string_stream.h"
#include "plugin/fill/engine/bounded_read.h"

namespace Quorvane {

namespace {
constexpr int32_t kStoreVersion = 1;
} // namespace

const std::string *QuickPadStore::find(int32_t key) const
{
    for (const Pad &pad : pads_)
        if (pad.key == key)
            return &pad.bytes;
    return nullptr;
}

void QuickPadStore::put(int32_t key, std::string bytes)
{
    for (Pad &pad : pads_) {
        if (pad.key == key) {
            pad.bytes = std::move(bytes);
            return;
        }
    }
    pads_.push_back(Pad{key, std::move(bytes)});
}

void QuickPadStore::store(int32_t key)
{
    std::string bytes;
    stringStream out(bytes, 1024);
    if (owner_.saveSnapshot(out))
        put(key, std::move(bytes));
    else if (!has(key))
        put(key, std::string());
}

bool QuickPadStore::recall(int32_t key, bool notify)
{
    const std::string *bytes = find(key);
    if (!bytes)
        return false;
    // The owner may store pads while it reads; read from a copy.
    std::string copy = *bytes;
    stringStream in(copy);
    owner_.loadSnapshot(in, notify);
    return true;
}

bool QuickPadStore::save(OutputStream &out) const
{
    bool ok = out.write(kStoreVersion) && out.write(static_cast<int32_t>(pads_.size()));
    for (const Pad &pad : pads_) {
        ok = ok && out.write(pad.key) && out.write(static_cast<int32_t>(pad.bytes.size()));
        ok = ok &&
             out.writeBytes(pad.bytes.data(), static_cast<uint32_t>(pad.bytes.size())) == pad.bytes.size();
    }
    return ok;
}

bool QuickPadStore::load(InputStream &in)
{
    int32_t version = 0;
    int32_t count = 0;
    if (!in.read(version) || !in.read(count) || count < 0)
        return false;
    std::vector<Pad> pads;
    for (int32_t i = 0; i < count; ++i) {
        Pad pad{0, std::string()};
        int32_t length = 0;
        if (!in.read(pad.key) || !in.read(length))
            return false;
        if (pad.key < 0 || pad.key >= padCount_)
            return false;
        if (!readBoundedBytes(in, length, pad.bytes))
            return false;
        pads.push_back(std::move(pad));
    }
    pads_ = std::move(pads);
    return true;
}

} // namespace Quorvane
