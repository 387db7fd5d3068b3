// Small helpers for the 16-bit strings of filter names, pin names, pin ids
// and persisted numbers.
#pragma once

#include <windows.h>

// Characters before the terminator.
int DsStrLen(const WCHAR *text);
// Copies at most n - 1 characters and always ends destination with a
// terminator; n = 0 writes nothing. Returns destination.
WCHAR *DsStrCopyN(WCHAR *destination, const WCHAR *source, int n);
// 0 when equal, else the first differing pair as unsigned numbers, a - b.
int DsStrCompare(const WCHAR *a, const WCHAR *b);
// Formats like wsprintf through the ANSI code page into destination (room
// for destinationChars characters, terminator included); formats and results
// longer than 255 bytes are cut. Returns the characters formatted.
int DsFormatWide(WCHAR *destination, int destinationChars, const WCHAR *format, ...);
// A copy of text from the COM task allocator, which the receiver frees.
HRESULT DsGetWideString(const WCHAR *text, LPWSTR *out);
