// The private interface through which the stand-alone program drives a
// drummer it created by class id: it attaches its change sink, reads and
// writes the fill parameters by number and asks for note names. The
// loop-slice drummer answers the same interface, so the slot order is the
// contract: never reorder.
#pragma once

#include "plugin/framework/plugin/drummer_sink.h"

#include <windows.h>
#include <unknwn.h>

#include <cstring>
#include <string>

struct IQN3Request : public IUnknown {
    // Keeps the sink (no reference) and cookie; the drummer reports its
    // changes there from now on.
    virtual HRESULT STDMETHODCALLTYPE Attach(IDrummerSink *sink, DWORD cookie) = 0;
    // Value of a parameter; sub is not used (-1).
    virtual HRESULT STDMETHODCALLTYPE GetParam(LONG id, LONG sub, LONG *value) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetParam(LONG id, LONG sub, LONG value) = 0;
    // Name of a note 0..127 of the current note-name set into buffer (at
    // most length bytes with the terminating zero). A null buffer asks for
    // the size: the answer is kNoteNameSizeCode + the bytes needed.
    virtual HRESULT STDMETHODCALLTYPE GetNoteName(LONG note, char *buffer, LONG length) = 0;
};

// {E4A32D0B-A312-56C1-A381-16B4F8C5FB0E}
DEFINE_GUID(IID_IQN3Request, 0xE4A32D0B, 0xA312, 0x56C1, 0xA3, 0x81, 0x16, 0xB4, 0xF8, 0xC5, 0xFB, 0x0E);
__CRT_UUID_DECL(IQN3Request, 0xE4A32D0B, 0xA312, 0x56C1, 0xA3, 0x81, 0x16, 0xB4, 0xF8, 0xC5, 0xFB, 0x0E)

// A successful answer to a size query carries the size in its low 16 bits.
constexpr HRESULT kNoteNameSizeCode = 0x60000000;

// GetNoteName's answer for a note's name: with a null buffer the size
// query's code; with a length of 0 or less E_INVALIDARG; else the name cut
// to length - 1 bytes and a terminating zero.
inline HRESULT answerNoteName(const std::string &name, char *buffer, LONG length)
{
    if (!buffer)
        return kNoteNameSizeCode + static_cast<HRESULT>((name.size() + 1) & 0xFFFF);
    if (length <= 0)
        return E_INVALIDARG;
    strncpy(buffer, name.c_str(), static_cast<size_t>(length));
    buffer[length - 1] = '\0';
    return S_OK;
}

// Parameter ids of the fill drummer.
enum QN3Param : LONG {
    QN3FillMeasure = 0,   // 0-based
    QN3PunchIn = 1,       // 240 ticks per quarter from the fill start, -1 none
    QN3PunchOut = 2,      // same units
    QN3MaskMode = 3,      // 0..3
    QN3PreZone = 4,       // 3 when open, 0 when closed
    QN3AfterZone = 5,     // 3 when open, 0 when closed
    QN3DynamicsLevel = 6, // output velocity dynamics, 0 off
    QN3Gain = 7,          // set: signed 14 bits; get: gain + 8192, 0 when never set
    QN3Unused = 8,
    QN3DynamicsPercent = 9,
};
