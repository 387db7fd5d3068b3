#include "db/records/dbuid.h"

#include "db/records/xfile.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace Quorvane {

namespace {

uint32_t timeWord()
{
    SYSTEMTIME now;
    GetSystemTime(&now);
    return (uint32_t(now.wYear) << 16) + now.wMonth + (uint32_t(now.wDayOfWeek) << 16) + now.wDay +
           (uint32_t(now.wHour) << 16) + now.wMinute + (uint32_t(now.wSecond) << 16) + now.wMilliseconds;
}

uint32_t processWord()
{
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof(version);
    GetVersionExA(&version);
    const auto pseudoHandle = uint32_t(reinterpret_cast<uintptr_t>(GetCurrentProcess()));
    return GetCurrentProcessId() + GetCurrentThreadId() + pseudoHandle + version.dwMajorVersion +
           version.dwMinorVersion + version.dwBuildNumber + version.dwPlatformId;
}

uint32_t nameWord(const char *fileName)
{
    uint32_t sum = 1, weight = 3;
    for (const char *c = fileName; c && *c; ++c, ++weight)
        sum += uint32_t(int32_t(static_cast<signed char>(*c)) * int32_t(weight));
    return sum;
}

uint32_t randomWord()
{
    return (uint32_t(std::rand()) << 16) | uint32_t(std::rand());
}

} // namespace

void DBUID::CreateDBUID(const char *fileName)
{
    m_words[0] = GetTickCount();
    m_words[1] = timeWord();
    m_words[2] = processWord();
    m_words[3] = nameWord(fileName);
    for (uint32_t &word : m_words) {
        do
            word += randomWord();
        while (word == 0);
    }
}

int DBUID::GetDBUID(const char *fileName)
{
    CXFile file;
    if (file.Open(fileName, 0) && file.SeekToPos(4) && file.Read(m_words, sizeof(m_words)))
        return 1;
    Clear();
    return 0;
}

int DBUID::WriteToDB(CXFile *file) const
{
    return file->SeekToPos(4) && file->Write(m_words, sizeof(m_words));
}

void DBUID::Clear()
{
    std::memset(m_words, 0, sizeof(m_words));
}

bool DBUID::operator==(const DBUID &other) const
{
    return std::memcmp(m_words, other.m_words, sizeof(m_words)) == 0;
}

int DBUID::operator!=(const DBUID &other) const
{
    const int order = std::memcmp(m_words, other.m_words, sizeof(m_words));
    return order < 0 ? -1 : order > 0 ? 1 : 0;
}

} // namespace Quorvane
