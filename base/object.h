// The root of the framework's heap objects and their intrusive, thread-safe
// reference counts.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace Quorvane {

// Framework objects are allocated through one pair of functions; a failed
// allocation yields null rather than an exception.
void *allocObject(size_t size) noexcept;
void freeObject(void *pointer) noexcept;

class Base {};

class Object : public Base {
public:
    virtual ~Object() = default;

    static void *operator new(size_t size) noexcept { return allocObject(size); }
    static void operator delete(void *pointer) noexcept { freeObject(pointer); }
};

class RefCounted {
public:
    virtual int32_t addRef() = 0;
    // Returns the new count; at 0 the object is destroyed.
    virtual int32_t release() = 0;

protected:
    ~RefCounted() = default;
};

// A counted Object without a virtual interface of its own (the drawing
// resources): the count sits right after the vtable and starts at 1.
class CountedObject : public Object {
public:
    int32_t addRef() { return ++count_; }
    int32_t release()
    {
        const int32_t left = --count_;
        if (left == 0)
            delete this;
        return left;
    }

private:
    std::atomic<int32_t> count_{1};
};

// Holds one reference to a counted object.
template <typename T> class RefPtr {
public:
    RefPtr() = default;
    // Takes over a reference the caller already holds.
    static RefPtr adopt(T *object)
    {
        RefPtr p;
        p.object_ = object;
        return p;
    }
    // Adds a reference of its own.
    explicit RefPtr(T *object) : object_(object)
    {
        if (object_)
            object_->addRef();
    }
    RefPtr(const RefPtr &other) : RefPtr(other.object_) {}
    RefPtr(RefPtr &&other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    RefPtr &operator=(RefPtr other) noexcept
    {
        std::swap(object_, other.object_);
        return *this;
    }
    ~RefPtr() { reset(); }

    void reset()
    {
        if (T *old = std::exchange(object_, nullptr))
            old->release();
    }
    T *get() const { return object_; }
    T *operator->() const { return object_; }
    T &operator*() const { return *object_; }
    explicit operator bool() const { return object_ != nullptr; }

private:
    T *object_ = nullptr;
};

} // namespace Quorvane
