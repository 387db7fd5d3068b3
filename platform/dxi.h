// The DXi soft-synthesizer interfaces: what a DXi host calls on a hosted
// synthesizer, what the synthesizer asks of its host (musical time, the
// events and tempo changes of a block, name lists, a page site), the name
// lists an instrument hands out, and the float-buffer interface of an audio
// sample. Declared once here for the hosts and synthesizers of this system;
// the slot order of each interface is the contract, add nothing in between.
#pragma once

#include <windows.h>
#include <strmif.h>
#include <unknwn.h>

#include <cstdint>

namespace dxi_detail {

constexpr unsigned hexDigit(char c)
{
    return c >= '0' && c <= '9'   ? unsigned(c - '0')
           : c >= 'A' && c <= 'F' ? unsigned(c - 'A' + 10)
                                  : unsigned(c - 'a' + 10);
}

constexpr unsigned long hexAt(const char *text, int from, int digits)
{
    unsigned long value = 0;
    for (int i = 0; i < digits; ++i)
        value = value << 4 | hexDigit(text[from + i]);
    return value;
}

// "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX" as a GUID.
constexpr GUID guid(const char *text)
{
    GUID g = {};
    g.Data1 = hexAt(text, 0, 8);
    g.Data2 = static_cast<unsigned short>(hexAt(text, 9, 4));
    g.Data3 = static_cast<unsigned short>(hexAt(text, 14, 4));
    g.Data4[0] = static_cast<unsigned char>(hexAt(text, 19, 2));
    g.Data4[1] = static_cast<unsigned char>(hexAt(text, 21, 2));
    for (int i = 0; i < 6; ++i)
        g.Data4[2 + i] = static_cast<unsigned char>(hexAt(text, 24 + 2 * i, 2));
    return g;
}

} // namespace dxi_detail

// The synthesizer.
inline constexpr IID IID_IDXiSynth = dxi_detail::guid("96A07706-FDE5-515C-9613-55D42D7A999A");
// The same interface, answered by a synthesizer that names its own
// instruments; hosts ask it first for names.
inline constexpr IID IID_IDXiSynthNames = dxi_detail::guid("25E99A78-65F5-5EA7-BDEF-9A2B50CC79C5");
inline constexpr IID IID_IDXiHostObjectAccess = dxi_detail::guid("5F321ABA-E7AD-578C-8998-B2DC2C35D7DB");
inline constexpr IID IID_IDXiSourceSettings = dxi_detail::guid("95EDBD3D-CC40-5AF4-8C00-B9DB0A01613D");
inline constexpr IID IID_IInstrumentNames = dxi_detail::guid("3CFC782F-A939-5A54-9413-71838D4F617A");
// A name list; a host's list of numbers answers the first id.
inline constexpr IID IID_INameList = dxi_detail::guid("F238385E-9CC8-56E4-8099-A2BE2EF08555");
inline constexpr IID IID_INameListOld = dxi_detail::guid("1112F869-189F-5682-A1A0-24D48FE57608");
// The host.
inline constexpr IID IID_IHostTempoMap = dxi_detail::guid("EA926E7E-725C-5B1A-84CF-66FC9D1392C7");
inline constexpr IID IID_IHostMeterMap = dxi_detail::guid("E87789A6-A238-546E-A30A-C35C2DC7225A");
inline constexpr IID IID_IHostKeySigMap = dxi_detail::guid("0571A113-1631-58E7-84FA-2FA62D08D7BB");
inline constexpr IID IID_IHostTimeConverter = dxi_detail::guid("E9DE3DBA-11CD-55DD-9283-C5C5BD193F6A");
inline constexpr IID IID_IHostTempoChangeList = dxi_detail::guid("EE6F4C14-C3FF-5E84-BF47-B61C135B0DCA");
inline constexpr IID IID_IHostEventList = dxi_detail::guid("8096BA8A-F110-52E4-B0F8-8BA9861D6435");
inline constexpr IID IID_IHostNameSetSource = dxi_detail::guid("C40DEBE0-14EA-5C5B-A534-BD44F621F44E");
inline constexpr IID IID_IHostNameSet = dxi_detail::guid("662ECC3E-DF1A-58BB-AD93-DD3A056723D9");
inline constexpr IID IID_IHostNameList = IID_INameList;
inline constexpr IID IID_IHostCallback = dxi_detail::guid("7F0A45E7-D270-5C0D-BCE0-5AB530964FCD");
inline constexpr IID IID_IHostPinListener = dxi_detail::guid("860EF739-A93C-5848-81CA-4275DAF44C4D");
// An audio sample's float buffer.
inline constexpr IID IID_IDXiFloatBuffer = dxi_detail::guid("5ABE2329-EA87-5480-9C59-4E5AF668898F");

// Hosts find soft synthesizers under HKEY_CLASSES_ROOT "MfxSoftSynths\{class id}",
// whose value "Description" names the synthesizer.
inline constexpr char kDxiSoftSynthsKey[] = "MfxSoftSynths";

#pragma pack(push, 1)

// A time in one of four formats; converters read and write only these 16
// bytes of a caller's record.
enum : int32_t { DXI_TIME_SECONDS = 1, DXI_TIME_SAMPLES = 2, DXI_TIME_TICKS = 3, DXI_TIME_MBT = 5 };
struct DXI_TIME {
    int32_t format;
    int32_t unused;
    union {
        double seconds;  // DXI_TIME_SECONDS
        int64_t samples; // DXI_TIME_SAMPLES
        int32_t ticks;   // DXI_TIME_TICKS
        struct {         // DXI_TIME_MBT: measure and beat counted from 1
            int32_t measure;
            int16_t beat;
            int16_t tick;
        } mbt;
    };
};
static_assert(sizeof(DXI_TIME) == 16);

// One event of a block, as the host's event list hands it out.
enum : uint8_t {
    DXI_EVENT_NOTE = 0,
    DXI_EVENT_KEY_AFTERTOUCH = 1,
    DXI_EVENT_CONTROLLER = 2,
    DXI_EVENT_PATCH = 3,
    DXI_EVENT_CHANNEL_AFTERTOUCH = 4,
    DXI_EVENT_WHEEL = 5,
};
// Bank-select methods of a patch change.
enum : uint8_t { DXI_BANK_NONE_OR_BOTH = 0, DXI_BANK_MSB = 1, DXI_BANK_LSB = 2 };
struct DXI_EVENT {
    int32_t time; // ticks
    uint8_t reserved0;
    uint8_t channel;
    uint8_t kind;
    uint8_t reserved1[3];
    union {
        struct {
            uint8_t number; // note, key, controller number
            uint8_t value;  // velocity, pressure, controller value
            uint8_t releaseVelocity;
            int32_t duration; // ticks
        } note;
        struct {
            uint8_t program;
            uint8_t method;
            int16_t bank; // -1 when none was given
        } patch;
        int16_t wheel; // -8192 .. 8191
        uint8_t bytes[7];
    };
};
static_assert(sizeof(DXI_EVENT) == 17);

// A change of the tempo map: its tick and the 32-bit message that carried it.
struct DXI_TEMPO_CHANGE {
    int32_t tick;
    int32_t value;
};
static_assert(sizeof(DXI_TEMPO_CHANGE) == 8);

#pragma pack(pop)

// A per-source setting of a synthesizer (IDXiSourceSettings).
struct DXI_SOURCE_SETTING {
    int32_t kind; // 0 .. 5
    int32_t key;
    uint8_t value;
    uint8_t mask;
};

// A place in a name list, handed back to get the next entry.
using DXI_NAME_POSITION = void *;

struct IInstrumentNames;
struct INameList;
struct IHostEventList;
struct IHostTempoChangeList;
struct IHostCallback;

// ---- the synthesizer

struct IDXiSynth : public IUnknown {
    // The callee takes over the caller's reference on host, also when it
    // fails, and queries the host for the interfaces it wants.
    virtual HRESULT STDMETHODCALLTYPE ConnectHost(IUnknown *host) = 0;       // 3
    virtual HRESULT STDMETHODCALLTYPE DisconnectHost() = 0;                  // 4
    virtual HRESULT STDMETHODCALLTYPE TransportStart(LONG tick) = 0;         // 5
    virtual HRESULT STDMETHODCALLTYPE TransportLoop(LONG from, LONG to) = 0; // 6
    virtual HRESULT STDMETHODCALLTYPE TransportStop(LONG tick) = 0;          // 7
    // The events of the coming block, whose ticks run from start to end;
    // the list is readable only during the call.
    virtual HRESULT STDMETHODCALLTYPE ProcessEvents(LONG startTick, LONG endTick, LONG reserved,
                                                    IHostEventList *events) = 0; // 8
    virtual HRESULT STDMETHODCALLTYPE ProcessTempoChanges(LONG reserved,
                                                          IHostTempoChangeList *changes) = 0; // 9
    // Names: the bank numbers in a task-allocator array the caller frees.
    virtual HRESULT STDMETHODCALLTYPE GetBanks(int32_t **banks, int32_t *count) = 0;             // 10
    virtual HRESULT STDMETHODCALLTYPE QueryPatch(LONG bank, LONG patch) = 0;                     // 11
    virtual HRESULT STDMETHODCALLTYPE QueryPatch2(LONG bank, LONG patch) = 0;                    // 12
    virtual HRESULT STDMETHODCALLTYPE GetPatchNames(LONG bank, INameList **list) = 0;            // 13
    virtual HRESULT STDMETHODCALLTYPE GetNoteNames(LONG bank, LONG patch, INameList **list) = 0; // 14
    virtual HRESULT STDMETHODCALLTYPE GetControllerNames(INameList **list) = 0;                  // 15
    virtual HRESULT STDMETHODCALLTYPE GetRpnNames(INameList **list) = 0;                         // 16
    virtual HRESULT STDMETHODCALLTYPE GetNrpnNames(INameList **list) = 0;                        // 17
    virtual HRESULT STDMETHODCALLTYPE GetInstrumentNames(IInstrumentNames **names) = 0;          // 18
};

// A synthesizer that keeps its host's callback object.
struct IDXiHostObjectAccess : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetHostObject(IHostCallback *object) = 0;  // 3
    virtual HRESULT STDMETHODCALLTYPE GetHostObject(IHostCallback **object) = 0; // 4
};

struct IDXiSourceSettings : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetSourceSetting(const DXI_SOURCE_SETTING *setting) = 0; // 3
};

struct IInstrumentNames : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetInstrumentName(char *buffer, LONG size) = 0;            // 3
    virtual HRESULT STDMETHODCALLTYPE GetBanks(int32_t **banks, int32_t *count) = 0;             // 4
    virtual HRESULT STDMETHODCALLTYPE QueryPatch(LONG bank, LONG patch) = 0;                     // 5
    virtual HRESULT STDMETHODCALLTYPE QueryPatch2(LONG bank, LONG patch) = 0;                    // 6
    virtual HRESULT STDMETHODCALLTYPE GetPatchNames(LONG bank, INameList **list) = 0;            // 7
    virtual HRESULT STDMETHODCALLTYPE GetNoteNames(LONG bank, LONG patch, INameList **list) = 0; // 8
    virtual HRESULT STDMETHODCALLTYPE GetControllerNames(INameList **list) = 0;                  // 9
    virtual HRESULT STDMETHODCALLTYPE GetRpnNames(INameList **list) = 0;                         // 10
    virtual HRESULT STDMETHODCALLTYPE GetNrpnNames(INameList **list) = 0;                        // 11
};

// Names of numbers (patches, notes, controllers): texts of at most size
// bytes, the terminator included.
struct INameList : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetListName(char *buffer, LONG size) = 0; // 3
    // How many numbers the list covers (0 .. count - 1).
    virtual HRESULT STDMETHODCALLTYPE GetNumberCount(LONG *count) = 0; // 4
    // The empty text for a number without a name.
    virtual HRESULT STDMETHODCALLTYPE GetNameOfNumber(LONG number, char *buffer, LONG size) = 0; // 5
    // The numbers that have names, walked in order.
    virtual HRESULT STDMETHODCALLTYPE GetEntryCount(LONG *count) = 0;                    // 6
    virtual HRESULT STDMETHODCALLTYPE GetFirstPosition(DXI_NAME_POSITION *position) = 0; // 7
    virtual HRESULT STDMETHODCALLTYPE GetNextName(DXI_NAME_POSITION *position, LONG *number, char *buffer,
                                                  LONG size) = 0; // 8
    // S_FALSE, and the buffer untouched, for a number without a name.
    virtual HRESULT STDMETHODCALLTYPE FindName(LONG number, char *buffer, LONG size) = 0; // 9
};

// ---- the host

struct IHostTempoMap : public IUnknown {
    virtual LONG STDMETHODCALLTYPE TicksToMs(LONG tick) = 0;         // 3
    virtual LONG STDMETHODCALLTYPE MsToTicks(LONG milliseconds) = 0; // 4
    virtual LONG STDMETHODCALLTYPE GetTimeBase() = 0;                // 5: ticks per quarter
    virtual LONG STDMETHODCALLTYPE GetTempoIndexAt(LONG tick) = 0;   // 6
    virtual LONG STDMETHODCALLTYPE GetTempoCount() = 0;              // 7
    // Tempo in hundredths of a beat per minute.
    virtual HRESULT STDMETHODCALLTYPE GetTempo(LONG index, LONG *startTick, LONG *tempo) = 0; // 8
};

// Measures and beats counted from 1; denominators as powers of two.
struct IHostMeterMap : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE TicksToMbt(LONG tick, LONG *measure, LONG *beat,
                                                 LONG *tickInBeat) = 0;                      // 3
    virtual LONG STDMETHODCALLTYPE MbtToTicks(LONG measure, LONG beat, LONG tickInBeat) = 0; // 4
    virtual LONG STDMETHODCALLTYPE GetMeterIndexAt(LONG tick) = 0;                           // 5
    virtual LONG STDMETHODCALLTYPE GetMeterCount() = 0;                                      // 6
    virtual HRESULT STDMETHODCALLTYPE GetMeter(LONG index, LONG *startMeasure, LONG *numerator,
                                               LONG *denominatorPower) = 0; // 7
};

// Accidentals: the number of sharps, or minus the number of flats.
struct IHostKeySigMap : public IUnknown {
    virtual LONG STDMETHODCALLTYPE GetKeyIndexAt(LONG tick) = 0;                                     // 3
    virtual LONG STDMETHODCALLTYPE GetKeyCount() = 0;                                                // 4
    virtual HRESULT STDMETHODCALLTYPE GetKey(LONG index, LONG *startMeasure, LONG *accidentals) = 0; // 5
};

struct IHostTimeConverter : public IUnknown {
    // Converts the record in place to the target format; E_NOTIMPL, the
    // record unchanged, for a pair that does not convert.
    virtual HRESULT STDMETHODCALLTYPE ConvertTime(DXI_TIME *time, LONG targetFormat) = 0; // 3
};

struct IHostTempoChangeList : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Reserved(void *argument) = 0;                             // 3
    virtual HRESULT STDMETHODCALLTYPE GetTempoChangeCount(LONG *count) = 0;                     // 4
    virtual HRESULT STDMETHODCALLTYPE GetTempoChange(LONG index, DXI_TEMPO_CHANGE *change) = 0; // 5
};

struct IHostEventList : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Reserved(void *argument) = 0;               // 3
    virtual HRESULT STDMETHODCALLTYPE GetEventCount(LONG *count) = 0;             // 4
    virtual HRESULT STDMETHODCALLTYPE GetEvent(LONG index, DXI_EVENT *event) = 0; // 5
};

struct IHostNameSet : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetListCount(LONG *count) = 0;             // 3
    virtual HRESULT STDMETHODCALLTYPE GetList(LONG index, INameList **list) = 0; // 4
};

// Three ways to the host's name sets.
struct IHostNameSetSource : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetNameSet(IHostNameSet **set) = 0;  // 3
    virtual HRESULT STDMETHODCALLTYPE GetNameSet2(IHostNameSet **set) = 0; // 4
    virtual HRESULT STDMETHODCALLTYPE GetNameSet3(IHostNameSet **set) = 0; // 5
};

struct IHostCallback : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Callback(LONG code, LONG_PTR data) = 0; // 3
};

// Told before (phase 1) and after (phase 2) a synthesizer changes its
// number of output pins; a failure before stops the change.
struct IHostPinListener : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE OnPinChange(LONG phase, IBaseFilter *filter, LONG outputCount) = 0; // 3
};

// ---- audio samples

// A sample whose buffer fills itself with near-silence only when a reader
// asks for its pointer while a fill is pending.
struct IDXiFloatBuffer : public IUnknown {
    virtual LONG STDMETHODCALLTYPE GetPendingFill() = 0;                // 3
    virtual HRESULT STDMETHODCALLTYPE SetPendingFill(LONG pending) = 0; // 4
    // The buffer as it is; a pending fill is dropped, not done.
    virtual HRESULT STDMETHODCALLTYPE GetBufferNoFill(BYTE **buffer) = 0; // 5
};
