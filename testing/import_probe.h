// Counts what one module asks of the heap and of the file system from one
// thread. The probe rewrites the module's import table so that its calls to
// the C runtime's malloc, calloc, realloc, _aligned_malloc and fopen and to
// the kernel's CreateFileA/W, ReadFile, WriteFile and SetFilePointerEx pass
// through counters; only calls made on the thread that built the probe
// count. Real-time paths show with it that they neither allocate nor touch
// the disk. One probe at a time.
#pragma once

#include <windows.h>

namespace testing_support {

class ImportProbe {
public:
    explicit ImportProbe(HMODULE module);
    ~ImportProbe();
    ImportProbe(const ImportProbe &) = delete;
    ImportProbe &operator=(const ImportProbe &) = delete;

    // How many import slots were redirected (0: the module imports none of
    // the functions, or its table could not be read).
    int hookedSlots() const { return hooked_; }
    // Counts the calls of one more module too (on the same thread); returns
    // the slots redirected in it.
    int addModule(HMODULE module);
    long allocations() const;
    long fileCalls() const;
    // Starts both counts again from 0.
    void reset();

private:
    HMODULE module_;
    int hooked_ = 0;
};

} // namespace testing_support
