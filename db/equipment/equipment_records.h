// The record kinds of the equipment database and of templates: the root
// record, the stored I/O parameters, the VST scan cache, ports and presets,
// templates with their data, and the track, bus and SysEx records a template
// keeps. Each codec reads and writes one record body; strings and blobs read
// back are malloc blocks the codec owns (null for length 0).
#pragma once

#include "data/io_params.h"
#include "db/records/sdb_note.h"
#include "db/stavrund_api.h"

#include <cstdint>

namespace Quorvane {

class CXFile;

// Record types of the equipment database.
enum : uint8_t {
    RT_ROOT = 0x00,
    RT_IOPARAMS = 0x01,
    RT_TRACK = 0x10,
    RT_SCAN = 0x30,
    RT_PORT_FIRST = 0x50, // "PQRST`abpq": one type per port kind
    RT_PRESET_OUT = 0x81,
    RT_PRESET_AEFF = 0x82,
    RT_PRESET_MEFF = 0x83,
    RT_BUS = 0x80,
    RT_TEMPLATE_NEWSONG = 0xE0,
    RT_TEMPLATE_SONGTRACT = 0xE1,
    RT_TEMPLATE_SYSEX = 0xE2,
    RT_TEMPLATE_DATA = 0xEF,
    RT_SYSEX = 0xF1,
};

// Port kinds (ITembriPort::TYPE) and their record types.
constexpr int kPortKinds = 10;
STAVRUND_API uint8_t PortRecordType(int portKind); // 0 for an unknown kind
STAVRUND_API int IsPortRecordType(uint8_t type);
// The preset type that belongs below a port record type (0 for none).
STAVRUND_API uint8_t PresetTypeOfPort(uint8_t portType);

// The longest short string; longer names are cut to it.
constexpr uint32_t kShortStringMax = 255;
// Bytes a short string of the text takes, the name cut to 255 bytes.
STAVRUND_API uint32_t ShortStringSize(const char *text);
STAVRUND_API int WriteShortString(CXFile *file, const char *text);

// The stored form of a port descriptor: short string name, u32 kind, blob
// data, blob parameter data.
STAVRUND_API uint32_t PortDescrRecordSize(const PORTDESCR &descriptor);
STAVRUND_API int WritePortDescrRecord(CXFile *file, const PORTDESCR &descriptor);
STAVRUND_API int ReadPortDescrRecord(CXFile *file, PORTDESCR &descriptor);

class STAVRUND_API ROOTNOTE : public CSDBInterpretator {
public:
    explicit ROOTNOTE(uint32_t version = 0x10000, uint32_t id = 0);
    ~ROOTNOTE() override;
    int Read(CXFile *file) override;
    int Write(CXFile *file) override;
    int Compare(const CSDBInterpretator *) const override { return 0; }
    uint32_t GetSize() override;

    char title[64] = {};
    uint32_t version;
};

class STAVRUND_API IOPARAMSNOTE : public CSDBInterpretator {
public:
    explicit IOPARAMSNOTE(uint32_t id = 0);
    int Read(CXFile *file) override;
    int Write(CXFile *file) override;
    int Compare(const CSDBInterpretator *) const override { return 0; }
    uint32_t GetSize() override;
    // 0 when a folder is longer than a short string holds.
    int FoldersFit() const;

    IOPARAMS params;
};

class STAVRUND_API SCANNOTE : public CSDBInterpretator {
public:
    explicit SCANNOTE(uint32_t id = 0);
    // It owns its blocks: no copies.
    SCANNOTE(const SCANNOTE &) = delete;
    SCANNOTE &operator=(const SCANNOTE &) = delete;
    ~SCANNOTE() override;
    int Read(CXFile *file) override;
    int Write(CXFile *file) override;
    int Compare(const CSDBInterpretator *other) const override;
    uint32_t GetSize() override;

    char *file = nullptr;
    uint32_t value = 0;
    void *blob = nullptr;
    uint32_t blobSize = 0;
};

// Ports and presets share the body: a descriptor and a trailing u32.
class STAVRUND_API PORTNOTE : public CSDBInterpretator {
public:
    PORTNOTE(uint8_t type, uint32_t id = 0, uint32_t parent = SDB_NO_PARENT);
    int Read(CXFile *file) override;
    int Write(CXFile *file) override;
    int Compare(const CSDBInterpretator *other) const override;
    uint32_t GetSize() override;

    PORTDESCR descr;
    uint32_t extra = 0;
};
using PRESETNOTE = PORTNOTE;

class STAVRUND_API TEMPLATENOTE : public CSDBInterpretator {
public:
    TEMPLATENOTE(uint8_t type, uint32_t id = 0, uint32_t parent = SDB_NO_PARENT);
    // It owns its blocks: no copies.
    TEMPLATENOTE(const TEMPLATENOTE &) = delete;
    TEMPLATENOTE &operator=(const TEMPLATENOTE &) = delete;
    ~TEMPLATENOTE() override;
    int Read(CXFile *file) override;
    int Write(CXFile *file) override;
    int Compare(const CSDBInterpretator *other) const override;
    uint32_t GetSize() override;
    // Replaces the name with a copy; 0 when memory runs out.
    int SetName(const char *text);
    int SetBlob(const void *bytes, uint32_t size);

    char *name = nullptr;
    void *blob = nullptr;
    uint32_t blobSize = 0;
};

class STAVRUND_API TEMPLATEDATANOTE : public CSDBInterpretator {
public:
    explicit TEMPLATEDATANOTE(uint32_t id = 0, uint32_t parent = SDB_NO_PARENT);
    // It owns its blocks: no copies.
    TEMPLATEDATANOTE(const TEMPLATEDATANOTE &) = delete;
    TEMPLATEDATANOTE &operator=(const TEMPLATEDATANOTE &) = delete;
    ~TEMPLATEDATANOTE() override;
    int Read(CXFile *file) override;
    int Write(CXFile *file) override;
    int Compare(const CSDBInterpretator *other) const override;
    uint32_t GetSize() override;

    void *blob = nullptr;
    uint32_t blobSize = 0;
};

// The master track's blob: meter, key and tempo at tick 0.
struct MASTERSETTINGS {
    uint32_t numerator = 4;
    uint32_t denominator = 2; // as a power of two
    uint32_t key = 15;
    uint32_t tempo = 100; // whole quarters per minute; 0 counts as 100
};

class STAVRUND_API TRACKNOTE : public CSDBInterpretator {
public:
    explicit TRACKNOTE(uint32_t id = 0, uint32_t parent = SDB_NO_PARENT);
    // It owns its blocks: no copies.
    TRACKNOTE(const TRACKNOTE &) = delete;
    TRACKNOTE &operator=(const TRACKNOTE &) = delete;
    ~TRACKNOTE() override;
    int Read(CXFile *file) override;
    int Write(CXFile *file) override;
    int Compare(const CSDBInterpretator *other) const override;
    uint32_t GetSize() override;
    int SetName(const char *text);
    // The master track's settings from the 16-byte blob (defaults without).
    MASTERSETTINGS GetMaster() const;
    int SetMaster(const MASTERSETTINGS &master);

    uint32_t trackId = 0;
    uint32_t trackKind = 0;
    char *name = nullptr;
    uint32_t flags = 0;
    uint32_t output = 0;
    // channel, bank, bank mode, program, volume, pan, transposition, offset
    int32_t settings[8] = {-1, -1, 0, -1, 100, 64, 0, 0};
    void *blob = nullptr;
    uint32_t blobSize = 0;
};

class STAVRUND_API BUSNOTE : public CSDBInterpretator {
public:
    explicit BUSNOTE(uint32_t id = 0, uint32_t parent = SDB_NO_PARENT);
    // It owns its blocks: no copies.
    BUSNOTE(const BUSNOTE &) = delete;
    BUSNOTE &operator=(const BUSNOTE &) = delete;
    ~BUSNOTE() override;
    int Read(CXFile *file) override;
    int Write(CXFile *file) override;
    int Compare(const CSDBInterpretator *other) const override;
    uint32_t GetSize() override;

    float volume = 1.0f;
    float pan = 1.0f;
    uint32_t number = 0;
    void *blob = nullptr;
    uint32_t blobSize = 0;
};

class STAVRUND_API SYSEXNOTE : public CSDBInterpretator {
public:
    explicit SYSEXNOTE(uint32_t id = 0, uint32_t parent = SDB_NO_PARENT);
    // It owns its blocks: no copies.
    SYSEXNOTE(const SYSEXNOTE &) = delete;
    SYSEXNOTE &operator=(const SYSEXNOTE &) = delete;
    ~SYSEXNOTE() override;
    int Read(CXFile *file) override;
    int Write(CXFile *file) override;
    int Compare(const CSDBInterpretator *other) const override;
    uint32_t GetSize() override;
    int SetName(const char *text);
    int SetPortId(const char *text);
    int SetData(const void *bytes, uint32_t size);

    char *name = nullptr;
    uint32_t setting = 0; // the entry's mute flag
    char *port = nullptr; // the identifying data of the output
    void *data = nullptr;
    uint32_t size = 0;
};

} // namespace Quorvane
