// Delegates: counted callables bound to a listener's member function. A
// publisher keeps one chain; adding a listener combines it into a multicast
// node, and invoking the chain calls every listener in the order added.
#pragma once

#include "base/object.h"

#include <typeinfo>

namespace Quorvane {

class AbstractDelegate : public RefCounted {
public:
    // True when both are of the same concrete class; a null other matches
    // only a null this.
    virtual bool equals(const AbstractDelegate *other) const
    {
        return other && typeid(*this) == typeid(*other);
    }

protected:
    ~AbstractDelegate() = default;
};

// The interface of a delegate taking Args: Delegate takes nothing,
// Delegate1<T> one T.
template <typename... Args> class DelegateOf : public AbstractDelegate {
public:
    virtual void invoke(Args... args) = 0;

protected:
    ~DelegateOf() = default;
};

using Delegate = DelegateOf<>;
template <typename T> using Delegate1 = DelegateOf<T>;

using DelegatePtr = RefPtr<Delegate>;
template <typename T> using Delegate1Ptr = RefPtr<Delegate1<T>>;

// The count and the Object root that every concrete delegate shares.
template <typename Interface> class CountedDelegate : public Interface, public Object {
public:
    int32_t addRef() override { return ++count_; }
    int32_t release() override
    {
        const int32_t left = --count_;
        if (left == 0)
            delete this;
        return left;
    }

protected:
    explicit CountedDelegate(int32_t count) : count_(count) {}

private:
    std::atomic<int32_t> count_;
};

// Invokes the first delegate, then the second, with the same arguments. A
// chain of n listeners is a left-leaning tree of n - 1 nodes.
template <typename... Args> class MulticastNode final : public CountedDelegate<DelegateOf<Args...>> {
    using Interface = DelegateOf<Args...>;

public:
    // combine(null, b) is b and combine(a, null) is a, no node made. When the
    // node cannot be allocated the existing chain a is kept; only the new
    // listener is lost.
    static Interface *combine(Interface *a, Interface *b)
    {
        if (!a)
            return b;
        if (!b)
            return a;
        MulticastNode *node = new MulticastNode(a, b);
        return node ? static_cast<Interface *>(node) : a;
    }

    void invoke(Args... args) override
    {
        first_->invoke(args...);
        second_->invoke(args...);
    }

private:
    MulticastNode(Interface *first, Interface *second)
        : CountedDelegate<Interface>(0), first_(first), second_(second)
    {
    }

    // Members go in reverse: the second delegate is released first.
    RefPtr<Interface> first_;
    RefPtr<Interface> second_;
};

using MulticastDelegate = MulticastNode<>;
template <typename T> using MulticastDelegate1 = MulticastNode<T>;

// Calls a member function of a listener object.
template <typename C, typename... Args>
class MemberDelegate final : public CountedDelegate<DelegateOf<Args...>> {
public:
    using Method = void (C::*)(Args...);

    static RefPtr<DelegateOf<Args...>> create(C *object, Method method)
    {
        if (!object || !method)
            return {};
        return RefPtr<DelegateOf<Args...>>::adopt(new MemberDelegate(object, method));
    }

    void invoke(Args... args) override { (object_->*method_)(args...); }

    bool equals(const AbstractDelegate *other) const override
    {
        auto *same = dynamic_cast<const MemberDelegate *>(other);
        return same && same->object_ == object_ && same->method_ == method_;
    }

private:
    MemberDelegate(C *object, Method method)
        : CountedDelegate<DelegateOf<Args...>>(1), object_(object), method_(method)
    {
    }

    C *object_;
    Method method_;
};

template <typename C> using MemberDelegateT = MemberDelegate<C>;
template <typename T, typename C> using MemberDelegate1T = MemberDelegate<C, T>;

// Calls a member function taking an int with an index fixed at creation, so
// one listener can tell many sources apart.
template <typename C> class IndexedDelegateT final : public CountedDelegate<Delegate> {
public:
    using Method = void (C::*)(int);

    static DelegatePtr create(C *object, Method method, int index)
    {
        if (!object || !method)
            return {};
        return DelegatePtr::adopt(new IndexedDelegateT(object, method, index));
    }

    void invoke() override { (object_->*method_)(index_); }

    bool equals(const AbstractDelegate *other) const override
    {
        auto *same = dynamic_cast<const IndexedDelegateT *>(other);
        return same && same->object_ == object_ && same->method_ == method_ && same->index_ == index_;
    }

private:
    IndexedDelegateT(C *object, Method method, int index)
        : CountedDelegate<Delegate>(1), object_(object), method_(method), index_(index)
    {
    }

    C *object_;
    Method method_;
    int index_;
};

// What every publisher does to add a listener to its chain.
template <typename... Args>
void addDelegate(RefPtr<DelegateOf<Args...>> &chain, DelegateOf<Args...> *listener)
{
    DelegateOf<Args...> *result = MulticastNode<Args...>::combine(chain.get(), listener);
    if (result != chain.get())
        chain = RefPtr<DelegateOf<Args...>>(result);
}

// Fires a chain that may be empty.
template <typename... Args, typename... Values>
void invokeDelegate(const RefPtr<DelegateOf<Args...>> &chain, Values &&...values)
{
    if (chain)
        chain->invoke(std::forward<Values>(values)...);
}

} // namespace Quorvane
