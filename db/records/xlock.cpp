#include "db/records/xlock.h"

#include "db/records/dbuid.h"

#include <cstdio>

namespace Quorvane {

CXLock::~CXLock()
{
    Close();
}

int CXLock::Create(const DBUID *uid)
{
    Close();
    char name[40];
    std::snprintf(name, sizeof(name), "SDBM%0X%0X%0X%0X", uid->m_words[0], uid->m_words[1], uid->m_words[2],
                  uid->m_words[3]);
    m_mutex = CreateMutexA(nullptr, FALSE, name);
    if (!m_mutex)
        return 0;
    return GetLastError() == ERROR_ALREADY_EXISTS ? 2 : 1;
}

void CXLock::Lock()
{
    if (m_mutex)
        WaitForSingleObject(m_mutex, INFINITE);
}

void CXLock::Unlock()
{
    if (m_mutex)
        ReleaseMutex(m_mutex);
}

void CXLock::Close()
{
    if (m_mutex)
        CloseHandle(m_mutex);
    m_mutex = nullptr;
}

} // namespace Quorvane
