// Counts what one module asks of the heap, of the file system and of the
// user from one thread. The probe rewrites the module's import table so that
// its calls to the C runtime's malloc, calloc, realloc, _aligned_malloc and
// fopen, to the kernel's CreateFileA/W, ReadFile, WriteFile and
// SetFilePointerEx and to MessageBoxA/W pass through counters; only calls
// made on the thread that built the probe count, and a message box counted
// there is answered IDOK without being shown. Real-time paths show with it
// that they neither allocate nor touch the disk, and code that must not ask
// the user shows that it does not. One probe at a time.
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
    long allocations() const;
    long fileCalls() const;
    long messageBoxes() const;
    // Starts the counts again from 0.
    void reset();

private:
    HMODULE module_;
    int hooked_ = 0;
};

} // namespace testing_support
