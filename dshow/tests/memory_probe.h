// Counts the kit's heap and COM task-allocator traffic in this test process
// and lets a test make the next allocations fail.
#pragma once

#include <windows.h>

namespace ds_test {

// Allocations made with new (std::nothrow) since the process started.
long nothrowAllocations();
// Makes n nothrow allocations fail, after letting skip more succeed.
void failNextNothrowAllocations(int n, int skip = 0);

// Spies on the COM task allocator while it lives (one at a time).
class TaskMemoryProbe {
public:
    TaskMemoryProbe();
    ~TaskMemoryProbe();
    TaskMemoryProbe(const TaskMemoryProbe &) = delete;
    TaskMemoryProbe &operator=(const TaskMemoryProbe &) = delete;

    long allocations() const;
    long frees() const;
    // Makes the next n task allocations answer null.
    void failNext(int n);
    bool active() const { return registered_; }

private:
    bool registered_ = false;
};

} // namespace ds_test
