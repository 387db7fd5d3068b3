#include "db/songfile/song_notes.h"

#include "data/strings.h"
#include "db/equipment/equipment_records.h"
#include "db/records/xfile.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace Quorvane {

namespace {

// A copy of a text for a record (null for null or empty); 0 when memory
// runs out.
int CopyText(char *&copy, const char *text)
{
    std::free(copy);
    copy = text && *text ? CreateString(text) : nullptr;
    return !text || !*text || copy;
}

// Writes a blob and the bytes, or reads one into a malloc block.
int ReadOwnedBlob(CXFile *file, const void **data, uint32_t *size, bool *owned)
{
    void *read = nullptr;
    if (!file->ReadBlob(&read, size))
        return 0;
    if (*owned)
        std::free(const_cast<void *>(*data));
    *data = read;
    *owned = true;
    return 1;
}

void FreeOwned(const void *data, bool owned)
{
    if (owned)
        std::free(const_cast<void *>(data));
}

int CompareBytes(const void *a, uint32_t aSize, const void *b, uint32_t bSize)
{
    if (aSize != bSize)
        return aSize < bSize ? -1 : 1;
    const int order = aSize ? std::memcmp(a, b, aSize) : 0;
    return order < 0 ? -1 : order > 0;
}

} // namespace

// ---- root

SONGROOTNOTE::~SONGROOTNOTE()
{
    std::free(title);
}

void SONGROOTNOTE::SetTitle(uint32_t value)
{
    char text[64];
    std::snprintf(text, sizeof text, "Tembri %u.%u Song", unsigned(value >> 16), unsigned(value & 0xFF));
    std::free(title);
    title = static_cast<char *>(std::malloc(std::strlen(text) + 1));
    if (title)
        std::strcpy(title, text);
}

int SONGROOTNOTE::Read(CXFile *file)
{
    std::free(title);
    title = nullptr;
    char *spare = nullptr;
    uint32_t unused = 0;
    void *blob = nullptr;
    uint32_t blobSize = 0;
    const int ok = file->ReadString(&title) && file->ReadString(&spare) && file->Read32(&version) &&
                   file->Read32(&fields[0]) && file->Read32(&fields[1]) && file->Read32(&unused) &&
                   file->ReadBlob(&blob, &blobSize);
    std::free(spare);
    std::free(blob);
    return ok;
}

int SONGROOTNOTE::Write(CXFile *file)
{
    const uint32_t zero = 0;
    return WriteShortString(file, title) && WriteShortString(file, nullptr) && file->Write32(&version) &&
           file->Write32(&fields[0]) && file->Write32(&fields[1]) && file->Write32(&zero) &&
           file->WriteBlob(nullptr, 0);
}

uint32_t SONGROOTNOTE::GetSize()
{
    return 21 + ShortStringSize(title);
}

// ---- song information

SONGINFONOTE::~SONGINFONOTE()
{
    for (char *text : texts)
        std::free(text);
}

int SONGINFONOTE::SetText(int index, const char *text)
{
    return CopyText(texts[index], text);
}

int SONGINFONOTE::Read(CXFile *file)
{
    for (char *&text : texts) {
        std::free(text);
        text = nullptr;
        if (!file->ReadString(&text))
            return 0;
    }
    void *blob = nullptr;
    uint32_t blobSize = 0;
    const int ok = file->ReadBlob(&blob, &blobSize);
    std::free(blob);
    return ok;
}

int SONGINFONOTE::Write(CXFile *file)
{
    for (const char *text : texts)
        if (!WriteShortString(file, text))
            return 0;
    return file->WriteBlob(nullptr, 0);
}

uint32_t SONGINFONOTE::GetSize()
{
    uint32_t size = 4;
    for (const char *text : texts)
        size += ShortStringSize(text);
    return size;
}

// ---- events and melody text

SONGBLOBNOTE::~SONGBLOBNOTE()
{
    FreeOwned(data, owned);
}

int SONGBLOBNOTE::Read(CXFile *file)
{
    return ReadOwnedBlob(file, &data, &size, &owned);
}

int SONGBLOBNOTE::Write(CXFile *file)
{
    return file->WriteBlob(data, size);
}

int SONGBLOBNOTE::Compare(const CSDBInterpretator *other) const
{
    const auto *that = static_cast<const SONGBLOBNOTE *>(other);
    return CompareBytes(data, size, that->data, that->size);
}

// ---- audio blocks

SONGAUDIONOTE::~SONGAUDIONOTE()
{
    FreeOwned(data, owned);
}

int SONGAUDIONOTE::Read(CXFile *file)
{
    char *spare = nullptr;
    const int ok = file->ReadString(&spare) && file->Read8(&mark) && file->Read32(&setting) &&
                   file->Read32(&frames) && file->Read32(&channels) && file->Read64(&value) &&
                   ReadOwnedBlob(file, &data, &size, &owned);
    std::free(spare);
    return ok;
}

int SONGAUDIONOTE::Write(CXFile *file)
{
    return WriteShortString(file, nullptr) && file->Write8(&mark) && file->Write32(&setting) &&
           file->Write32(&frames) && file->Write32(&channels) && file->Write64(&value) &&
           file->WriteBlob(data, size);
}

int SONGAUDIONOTE::Compare(const CSDBInterpretator *other) const
{
    const auto *that = static_cast<const SONGAUDIONOTE *>(other);
    return CompareBytes(data, size, that->data, that->size);
}

// ---- application record

SONGAPPNOTE::~SONGAPPNOTE()
{
    std::free(tag);
    FreeOwned(data, owned);
}

int SONGAPPNOTE::SetTag(const char *text)
{
    return CopyText(tag, text);
}

int SONGAPPNOTE::Read(CXFile *file)
{
    std::free(tag);
    tag = nullptr;
    if (!file->ReadString(&tag))
        return 0;
    for (uint32_t &word : words)
        if (!file->Read32(&word))
            return 0;
    return ReadOwnedBlob(file, &data, &size, &owned);
}

int SONGAPPNOTE::Write(CXFile *file)
{
    if (!WriteShortString(file, tag))
        return 0;
    for (const uint32_t &word : words)
        if (!file->Write32(&word))
            return 0;
    return file->WriteBlob(data, size);
}

int SONGAPPNOTE::Compare(const CSDBInterpretator *other) const
{
    const auto *that = static_cast<const SONGAPPNOTE *>(other);
    return std::strcmp(tag ? tag : "", that->tag ? that->tag : "");
}

uint32_t SONGAPPNOTE::GetSize()
{
    return ShortStringSize(tag) + 4 * SONG_APP_WORDS + 4 + size;
}

} // namespace Quorvane
