#include "app/files/chain_drummers.h"

#include "data/meff_chain.h"
#include "data/stream_buffer.h"

#include <new>

namespace Quorvane {

CMEffElem *ChainDrummers::element(int index) const
{
    if (index < 0)
        return nullptr;
    CMEffElem *elem = chain_.GetFirstElem();
    for (; elem && index > 0; --index)
        elem = static_cast<CMEffElem *>(elem->GetNext());
    return elem;
}

bool ChainDrummers::isActive(int index)
{
    const CMEffElem *elem = element(index);
    return elem && elem->active;
}

void ChainDrummers::setActive(int index, bool active)
{
    CMEffElem *elem = element(index);
    if (elem && (elem->active != 0) != active)
        chain_.ActiveMEffElem(elem);
}

bool ChainDrummers::saveState(int index, std::string &state)
{
    CMEffElem *elem = element(index);
    if (!elem || !elem->effect)
        return false;
    auto *allocator = new (std::nothrow) StreamAllocator();
    if (!allocator)
        return false;
    auto *buffer = new (std::nothrow) StreamBuffer(allocator);
    if (!buffer) {
        allocator->release();
        return false;
    }
    bool ok;
    {
        BufferStream out(buffer);
        ok = elem->effect->SaveState(&out) != 0;
    }
    try {
        if (ok && buffer->getSize() > 0)
            state.assign(reinterpret_cast<const char *>(buffer->getBuffer()), buffer->getSize());
        else
            state.clear();
    } catch (const std::bad_alloc &) {
        ok = false;
    }
    buffer->release();
    return ok;
}

bool ChainDrummers::loadState(int index, const std::string &state)
{
    CMEffElem *elem = element(index);
    if (!elem || !elem->effect)
        return false;
    // A buffer without an allocator only reads the memory it is given.
    auto *buffer = new (std::nothrow)
        StreamBuffer(nullptr, false, const_cast<char *>(state.data()), static_cast<uint32_t>(state.size()));
    if (!buffer)
        return false;
    bool ok;
    {
        BufferStream in(buffer);
        ok = elem->effect->LoadState(&in) != 0;
    }
    buffer->release();
    return ok;
}

} // namespace Quorvane
