#include "dshow/ds_wide_string.h"

#include <cstdarg>
#include <cstring>

int DsStrLen(const WCHAR *text)
{
    int n = 0;
    while (text[n] != 0)
        ++n;
    return n;
}

WCHAR *DsStrCopyN(WCHAR *destination, const WCHAR *source, int n)
{
    if (n <= 0)
        return destination;
    int i = 0;
    for (; i < n - 1 && source[i] != 0; ++i)
        destination[i] = source[i];
    destination[i] = 0;
    return destination;
}

int DsStrCompare(const WCHAR *a, const WCHAR *b)
{
    for (;; ++a, ++b) {
        const auto x = static_cast<unsigned short>(*a);
        const auto y = static_cast<unsigned short>(*b);
        if (x != y)
            return static_cast<int>(x) - static_cast<int>(y);
        if (x == 0)
            return 0;
    }
}

int DsFormatWide(WCHAR *destination, int destinationChars, const WCHAR *format, ...)
{
    char narrowFormat[256];
    if (WideCharToMultiByte(GetACP(), 0, format, -1, narrowFormat, sizeof narrowFormat, nullptr, nullptr) ==
        0)
        narrowFormat[sizeof narrowFormat - 1] = 0;
    // wvsprintfA takes no buffer size but never writes more than 1024 bytes.
    char formatted[1025];
    va_list arguments;
    va_start(arguments, format);
    const int length = wvsprintfA(formatted, narrowFormat, arguments);
    va_end(arguments);
    formatted[255] = 0;
    if (destinationChars > 0 &&
        MultiByteToWideChar(CP_ACP, 0, formatted, -1, destination, destinationChars) == 0)
        destination[destinationChars - 1] = 0;
    return length < 0 ? 0 : (length > 255 ? 255 : length);
}

HRESULT DsGetWideString(const WCHAR *text, LPWSTR *out)
{
    if (!out)
        return E_POINTER;
    const size_t bytes = (DsStrLen(text) + 1) * sizeof(WCHAR);
    *out = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    if (!*out)
        return E_OUTOFMEMORY;
    std::memcpy(*out, text, bytes);
    return S_OK;
}
