// A delegate that calls a function object: the panel's small listeners that
// need more than one member function can name (which child of a row took the
// focus, which zone of the track view was clicked).
#pragma once

#include "base/delegate.h"

#include <functional>
#include <utility>

namespace Quorvane {

template <typename... Args> class FunctionDelegate final : public CountedDelegate<DelegateOf<Args...>> {
public:
    static RefPtr<DelegateOf<Args...>> create(std::function<void(Args...)> function)
    {
        return RefPtr<DelegateOf<Args...>>::adopt(new FunctionDelegate(std::move(function)));
    }

    void invoke(Args... args) override { function_(args...); }

private:
    explicit FunctionDelegate(std::function<void(Args...)> function)
        : CountedDelegate<DelegateOf<Args...>>(1), function_(std::move(function))
    {
    }

    std::function<void(Args...)> function_;
};

} // namespace Quorvane
