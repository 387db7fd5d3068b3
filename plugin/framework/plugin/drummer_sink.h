// The stand-alone program's change sink: a drummer it drives through
// IQN3Request reports every parameter change here, and says goodbye when
// its host disconnects it. The program implements it; the drummer only
// calls it and holds it without a reference.
#pragma once

#include <windows.h>
#include <unknwn.h>

// The cookie names the drummer to the program: the part number in the high
// 16 bits, the element in the low 16 bits (0 the loop-slice drummer, 1 and 2
// the part's two fill drummers).
struct IDrummerSink : public IUnknown {
    // Parameter id (0..5) of the drummer changed; sub is -1. The program
    // reads the value back through GetParam. The drummer ignores the result.
    virtual HRESULT STDMETHODCALLTYPE ParamChanged(DWORD cookie, LONG id, LONG sub) = 0;
    // The drummer is being disconnected: the program lets go of its
    // pointers to it. The drummer ignores the result and forgets the sink.
    virtual HRESULT STDMETHODCALLTYPE Detach(DWORD cookie) = 0;
};

// {83148657-1A2A-5DEF-B4D0-C548732635A1}
DEFINE_GUID(IID_IDrummerSink, 0x83148657, 0x1A2A, 0x5DEF, 0xB4, 0xD0, 0xC5, 0x48, 0x73, 0x26, 0x35, 0xA1);
__CRT_UUID_DECL(IDrummerSink, 0x83148657, 0x1A2A, 0x5DEF, 0xB4, 0xD0, 0xC5, 0x48, 0x73, 0x26, 0x35, 0xA1)
