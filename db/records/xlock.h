// The named mutex of a record file, "SDBM%X%X%X%X" from the file's id: it
// keeps other processes from opening the file and serialises every reader
// and writer of it. The thread that holds it may take it again.
#pragma once

#include "db/stavrund_api.h"

#include <windows.h>

namespace Quorvane {

class DBUID;

class STAVRUND_API CXLock {
public:
    CXLock() = default;
    CXLock(const CXLock &) = default;
    CXLock &operator=(const CXLock &) = default;
    ~CXLock();

    // Closes a handle held before, then opens the mutex of that id: 2 when
    // it existed already, 1 when it was created (not owned), 0 on failure.
    int Create(const DBUID *uid);
    // Waits without time limit; a mutex left by a dead holder is taken too.
    void Lock();
    void Unlock();
    void Close();

private:
    HANDLE m_mutex = nullptr;
};

} // namespace Quorvane
