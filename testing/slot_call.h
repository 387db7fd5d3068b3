// A call through an interface slot by its number, not through the
// interface's declaration, the object first as every slot takes it: the
// tests of a contract between modules built apart pin its slot order so.
#pragma once

namespace testing_support {

template <typename Result, typename... Args> Result callSlot(void *object, int slot, Args... args)
{
    void **table = *static_cast<void ***>(object);
    return reinterpret_cast<Result (*)(void *, Args...)>(table[slot])(object, args...);
}

} // namespace testing_support
