// Bodies of the equipment database's records, byte for byte as stored.
#include "db/equipment/equipment_records.h"

#include "data/strings.h"
#include "db/records/xfile.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace Quorvane {

namespace {

const uint8_t kPortTypes[kPortKinds] = {0x50, 0x51, 0x52, 0x53, 0x54, 0x60, 0x61, 0x62, 0x70, 0x71};

uint32_t textLength(const char *text)
{
    return text ? uint32_t(std::strlen(text)) : 0;
}

// A malloc copy of bytes (null for none), 0 when memory runs out.
int copyBytes(void *&target, uint32_t &targetSize, const void *bytes, uint32_t size)
{
    void *copy = nullptr;
    if (bytes && size) {
        copy = std::malloc(size);
        if (!copy)
            return 0;
        std::memcpy(copy, bytes, size);
    } else {
        size = 0;
    }
    std::free(target);
    target = copy;
    targetSize = size;
    return 1;
}

int copyText(char *&target, const char *text)
{
    char *copy = nullptr;
    if (text && *text && !(copy = CreateString(text)))
        return 0;
    std::free(target);
    target = copy;
    return 1;
}

int readBlob(CXFile *file, void *&blob, uint32_t &size)
{
    std::free(blob);
    blob = nullptr;
    size = 0;
    return file->ReadBlob(&blob, &size);
}

int readText(CXFile *file, char *&text)
{
    std::free(text);
    text = nullptr;
    return file->ReadString(&text);
}

// Orders data bytes over the shorter length; a record without data sorts
// after one with data.
int compareBytes(const void *a, uint32_t aSize, const void *b, uint32_t bSize)
{
    if (!aSize || !bSize)
        return (aSize == 0) - (bSize == 0);
    const int c = std::memcmp(a, b, aSize < bSize ? aSize : bSize);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

template <typename T> int compareValues(T a, T b)
{
    return a < b ? -1 : (a > b ? 1 : 0);
}

} // namespace

uint8_t PortRecordType(int portKind)
{
    return (portKind >= 0 && portKind < kPortKinds) ? kPortTypes[portKind] : 0;
}

int IsPortRecordType(uint8_t type)
{
    for (uint8_t t : kPortTypes)
        if (t == type)
            return 1;
    return 0;
}

uint8_t PresetTypeOfPort(uint8_t portType)
{
    if (portType >= 0x50 && portType <= 0x54)
        return RT_PRESET_OUT;
    if (portType >= 0x60 && portType <= 0x62)
        return RT_PRESET_AEFF;
    if (portType >= 0x70 && portType <= 0x71)
        return RT_PRESET_MEFF;
    return 0;
}

uint32_t ShortStringSize(const char *text)
{
    const uint32_t length = textLength(text);
    return 1 + (length > kShortStringMax ? kShortStringMax : length);
}

int WriteShortString(CXFile *file, const char *text)
{
    const uint8_t length = uint8_t(ShortStringSize(text) - 1);
    return file->Write8(&length) && file->Write(text, length);
}

uint32_t PortDescrRecordSize(const PORTDESCR &d)
{
    return ShortStringSize(d.name) + 4 + 4 + uint32_t(d.data ? d.dataSize : 0) + 4 +
           uint32_t(d.params ? d.paramsSize : 0);
}

int WritePortDescrRecord(CXFile *file, const PORTDESCR &d)
{
    const uint32_t kind = uint32_t(d.kind);
    return WriteShortString(file, d.name) && file->Write32(&kind) &&
           file->WriteBlob(d.data, d.data ? uint32_t(d.dataSize) : 0) &&
           file->WriteBlob(d.params, d.params ? uint32_t(d.paramsSize) : 0);
}

int ReadPortDescrRecord(CXFile *file, PORTDESCR &d)
{
    d.Clear(0);
    uint32_t kind = 0, dataSize = 0, paramsSize = 0;
    const int ok = file->ReadString(&d.name) && file->Read32(&kind) && file->ReadBlob(&d.data, &dataSize) &&
                   file->ReadBlob(&d.params, &paramsSize);
    d.kind = long(kind);
    d.dataSize = long(dataSize);
    d.paramsSize = long(paramsSize);
    if (!ok)
        d.Clear(0);
    return ok;
}

// --- root

ROOTNOTE::ROOTNOTE(uint32_t version, uint32_t id)
    : CSDBInterpretator(RT_ROOT, id, SDB_NO_PARENT), version(version)
{
    std::snprintf(title, sizeof(title), "Tembri %i.%i Main DB", int(version >> 16), int(version & 0xFF));
}

ROOTNOTE::~ROOTNOTE() = default;

int ROOTNOTE::Read(CXFile *file)
{
    char *text = nullptr, *unused = nullptr;
    void *blob = nullptr;
    uint32_t words[3], blobSize = 0;
    const int ok = file->ReadString(&text) && file->ReadString(&unused) && file->Read32(&version) &&
                   file->ReadArray(words, 3, 4) && file->ReadBlob(&blob, &blobSize);
    std::snprintf(title, sizeof(title), "%s", text ? text : "");
    std::free(text);
    std::free(unused);
    std::free(blob);
    return ok;
}

int ROOTNOTE::Write(CXFile *file)
{
    const uint32_t zeros[4] = {};
    return WriteShortString(file, title) && WriteShortString(file, nullptr) && file->Write32(&version) &&
           file->WriteArray(zeros, 3, 4) && file->WriteBlob(nullptr, 0);
}

uint32_t ROOTNOTE::GetSize()
{
    return 22 + ShortStringSize(title) - 1;
}

// --- I/O parameters

IOPARAMSNOTE::IOPARAMSNOTE(uint32_t id) : CSDBInterpretator(RT_IOPARAMS, id, SDB_NO_PARENT) {}

int IOPARAMSNOTE::FoldersFit() const
{
    for (const char *folder : params.strings)
        if (textLength(folder) > kShortStringMax)
            return 0;
    return 1;
}

int IOPARAMSNOTE::Read(CXFile *file)
{
    IOPARAMS read;
    uint32_t numbers[6] = {};
    uint16_t bits = 0;
    int ok = file->Read32(&numbers[0]) && file->Read32(&numbers[1]) && file->Read16(&bits) &&
             file->Read32(&numbers[3]) && file->Read32(&numbers[4]) && file->Read32(&numbers[5]) &&
             ReadPortDescrRecord(file, read.port1) && ReadPortDescrRecord(file, read.port2);
    for (int i = 0; ok && i < IOSTR_COUNT; ++i) {
        char *text = nullptr;
        ok = file->ReadString(&text);
        read.strings[i] = text;
    }
    if (!ok)
        return 0;
    read.timeBase = long(numbers[0]);
    read.sampleRate = long(numbers[1]);
    read.bitsPerSample = long(bits);
    read.bufferFrames = long(numbers[3]);
    read.asp = long(numbers[4]);
    read.aspPort = long(numbers[5]);
    params.Pump(read);
    return 1;
}

int IOPARAMSNOTE::Write(CXFile *file)
{
    if (!FoldersFit())
        return 0;
    const uint32_t numbers[6] = {
        uint32_t(params.timeBase),     uint32_t(params.sampleRate), 0,
        uint32_t(params.bufferFrames), uint32_t(params.asp),        uint32_t(params.aspPort)};
    const uint16_t bits = uint16_t(params.bitsPerSample);
    int ok = file->Write32(&numbers[0]) && file->Write32(&numbers[1]) && file->Write16(&bits) &&
             file->Write32(&numbers[3]) && file->Write32(&numbers[4]) && file->Write32(&numbers[5]) &&
             WritePortDescrRecord(file, params.port1) && WritePortDescrRecord(file, params.port2);
    for (int i = 0; ok && i < IOSTR_COUNT; ++i)
        ok = WriteShortString(file, params.strings[i]);
    return ok;
}

uint32_t IOPARAMSNOTE::GetSize()
{
    uint32_t size = 22 + PortDescrRecordSize(params.port1) + PortDescrRecordSize(params.port2);
    for (const char *folder : params.strings)
        size += ShortStringSize(folder);
    return size;
}

// --- VST scan cache

SCANNOTE::SCANNOTE(uint32_t id) : CSDBInterpretator(RT_SCAN, id, SDB_NO_PARENT) {}

SCANNOTE::~SCANNOTE()
{
    std::free(file);
    std::free(blob);
}

int SCANNOTE::Read(CXFile *f)
{
    std::free(file);
    file = nullptr;
    return f->ReadStringHuge(&file) && f->Read32(&value) && readBlob(f, blob, blobSize);
}

int SCANNOTE::Write(CXFile *f)
{
    return f->WriteStringHuge(file) && f->Write32(&value) && f->WriteBlob(blob, blobSize);
}

int SCANNOTE::Compare(const CSDBInterpretator *other) const
{
    auto o = static_cast<const SCANNOTE *>(other);
    if (const long c = CompareStringA(file, o->file))
        return int(c);
    return compareValues(blobSize, o->blobSize);
}

uint32_t SCANNOTE::GetSize()
{
    return 12 + textLength(file) + blobSize;
}

// --- ports and presets

PORTNOTE::PORTNOTE(uint8_t type, uint32_t id, uint32_t parent) : CSDBInterpretator(type, id, parent) {}

int PORTNOTE::Read(CXFile *file)
{
    return ReadPortDescrRecord(file, descr) && file->Read32(&extra);
}

int PORTNOTE::Write(CXFile *file)
{
    return WritePortDescrRecord(file, descr) && file->Write32(&extra);
}

int PORTNOTE::Compare(const CSDBInterpretator *other) const
{
    auto o = static_cast<const PORTNOTE *>(other);
    if (const long c = CompareStringA(descr.name, o->descr.name))
        return int(c);
    if (const int c = compareValues(descr.kind, o->descr.kind))
        return c;
    if (const int c = compareValues(extra, o->extra))
        return c;
    return compareBytes(descr.data, uint32_t(descr.dataSize), o->descr.data, uint32_t(o->descr.dataSize));
}

uint32_t PORTNOTE::GetSize()
{
    return PortDescrRecordSize(descr) + 4;
}

// --- templates

TEMPLATENOTE::TEMPLATENOTE(uint8_t type, uint32_t id, uint32_t parent) : CSDBInterpretator(type, id, parent)
{
}

TEMPLATENOTE::~TEMPLATENOTE()
{
    std::free(name);
    std::free(blob);
}

int TEMPLATENOTE::SetName(const char *text)
{
    return copyText(name, text);
}

int TEMPLATENOTE::SetBlob(const void *bytes, uint32_t size)
{
    return copyBytes(blob, blobSize, bytes, size);
}

int TEMPLATENOTE::Read(CXFile *file)
{
    return readText(file, name) && readBlob(file, blob, blobSize);
}

int TEMPLATENOTE::Write(CXFile *file)
{
    return WriteShortString(file, name) && file->WriteBlob(blob, blobSize);
}

int TEMPLATENOTE::Compare(const CSDBInterpretator *other) const
{
    return int(CompareStringA(name, static_cast<const TEMPLATENOTE *>(other)->name));
}

uint32_t TEMPLATENOTE::GetSize()
{
    return ShortStringSize(name) + 4 + blobSize;
}

TEMPLATEDATANOTE::TEMPLATEDATANOTE(uint32_t id, uint32_t parent)
    : CSDBInterpretator(RT_TEMPLATE_DATA, id, parent)
{
}

TEMPLATEDATANOTE::~TEMPLATEDATANOTE()
{
    std::free(blob);
}

int TEMPLATEDATANOTE::Read(CXFile *file)
{
    return readBlob(file, blob, blobSize);
}

int TEMPLATEDATANOTE::Write(CXFile *file)
{
    return file->WriteBlob(blob, blobSize);
}

int TEMPLATEDATANOTE::Compare(const CSDBInterpretator *other) const
{
    return compareValues(blobSize, static_cast<const TEMPLATEDATANOTE *>(other)->blobSize);
}

uint32_t TEMPLATEDATANOTE::GetSize()
{
    return 4 + blobSize;
}

// --- tracks

TRACKNOTE::TRACKNOTE(uint32_t id, uint32_t parent) : CSDBInterpretator(RT_TRACK, id, parent) {}

TRACKNOTE::~TRACKNOTE()
{
    std::free(name);
    std::free(blob);
}

int TRACKNOTE::SetName(const char *text)
{
    return copyText(name, text);
}

MASTERSETTINGS TRACKNOTE::GetMaster() const
{
    MASTERSETTINGS master;
    if (blob && blobSize == sizeof(master))
        std::memcpy(&master, blob, sizeof(master));
    if (master.tempo == 0)
        master.tempo = 100;
    return master;
}

int TRACKNOTE::SetMaster(const MASTERSETTINGS &master)
{
    return copyBytes(blob, blobSize, &master, sizeof(master));
}

int TRACKNOTE::Read(CXFile *file)
{
    return file->Read32(&trackId) && file->Read32(&trackKind) && readText(file, name) &&
           file->Read32(&flags) && file->Read32(&output) && file->ReadArray(settings, 8, 4) &&
           readBlob(file, blob, blobSize);
}

int TRACKNOTE::Write(CXFile *file)
{
    return file->Write32(&trackId) && file->Write32(&trackKind) && WriteShortString(file, name) &&
           file->Write32(&flags) && file->Write32(&output) && file->WriteArray(settings, 8, 4) &&
           file->WriteBlob(blob, blobSize);
}

int TRACKNOTE::Compare(const CSDBInterpretator *other) const
{
    auto o = static_cast<const TRACKNOTE *>(other);
    if (const int c = compareValues(trackId, o->trackId))
        return c;
    if (const int c = compareValues(trackKind, o->trackKind))
        return c;
    return int(CompareStringA(name, o->name));
}

uint32_t TRACKNOTE::GetSize()
{
    return 52 + ShortStringSize(name) + blobSize;
}

// --- buses

BUSNOTE::BUSNOTE(uint32_t id, uint32_t parent) : CSDBInterpretator(RT_BUS, id, parent) {}

BUSNOTE::~BUSNOTE()
{
    std::free(blob);
}

int BUSNOTE::Read(CXFile *file)
{
    return file->Read32(&volume) && file->Read32(&pan) && file->Read32(&number) &&
           readBlob(file, blob, blobSize);
}

int BUSNOTE::Write(CXFile *file)
{
    return file->Write32(&volume) && file->Write32(&pan) && file->Write32(&number) &&
           file->WriteBlob(blob, blobSize);
}

int BUSNOTE::Compare(const CSDBInterpretator *other) const
{
    return compareValues(number, static_cast<const BUSNOTE *>(other)->number);
}

uint32_t BUSNOTE::GetSize()
{
    return 16 + blobSize;
}

// --- SysEx entries

SYSEXNOTE::SYSEXNOTE(uint32_t id, uint32_t parent) : CSDBInterpretator(RT_SYSEX, id, parent) {}

SYSEXNOTE::~SYSEXNOTE()
{
    std::free(name);
    std::free(port);
    std::free(data);
}

int SYSEXNOTE::SetName(const char *text)
{
    return copyText(name, text);
}

int SYSEXNOTE::SetPortId(const char *text)
{
    return copyText(port, text);
}

int SYSEXNOTE::SetData(const void *bytes, uint32_t length)
{
    return copyBytes(data, size, bytes, length);
}

int SYSEXNOTE::Read(CXFile *file)
{
    return readText(file, name) && file->Read32(&setting) && readText(file, port) &&
           readBlob(file, data, size);
}

int SYSEXNOTE::Write(CXFile *file)
{
    return WriteShortString(file, name) && file->Write32(&setting) && WriteShortString(file, port) &&
           file->WriteBlob(data, size);
}

int SYSEXNOTE::Compare(const CSDBInterpretator *other) const
{
    auto o = static_cast<const SYSEXNOTE *>(other);
    if (const long c = CompareStringA(name, o->name))
        return int(c);
    if (const long c = CompareStringA(port, o->port))
        return int(c);
    if (const int c = compareValues(size, o->size))
        return c;
    return compareValues(setting, o->setting);
}

uint32_t SYSEXNOTE::GetSize()
{
    return 8 + ShortStringSize(name) + ShortStringSize(port) + size;
}

} // namespace Quorvane
