// The media-parameter interfaces of a DXi instrument as this system's hosts
// and property pages speak them: the platform's IMediaParams and
// IMediaParamInfo (with their parameter and envelope records), answered
// under this system's own ids, and the two user-interface callback
// interfaces a page uses to tell the instrument of its edits.
#pragma once

#include "platform/dxi.h"

#include <medparam.h>

inline constexpr IID IID_BridgeMediaParams = dxi_detail::guid("C25CDBE5-62E9-5423-B22B-C3391170E780");
inline constexpr IID IID_BridgeMediaParamInfo = dxi_detail::guid("4A7ACCCE-412F-5C32-B0AC-F6AE25BB4FD7");
inline constexpr IID IID_IParamsUICallbackSetter = dxi_detail::guid("D3A5E27F-0010-5D3E-B9B2-729130D24D3D");
inline constexpr IID IID_IParamsUICallback = dxi_detail::guid("E7BF5A4C-F717-5B64-B0BB-3A80295BF73D");
// Envelope times in 100-nanosecond units.
inline constexpr GUID GUID_BridgeTimeReference = dxi_detail::guid("41065A8B-B1F8-5B6D-842A-5C1A2A67762F");

static_assert(sizeof(MP_PARAMINFO) == 148);
static_assert(sizeof(MP_ENVELOPE_SEGMENT) == 32);

// A page (or host) edits parameters: it brackets a gesture with a capture
// and reports every change of the values of the listed parameters.
struct IParamsUICallback : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE ParamsBeginCapture(DWORD *indexes, DWORD count) = 0;             // 3
    virtual HRESULT STDMETHODCALLTYPE ParamsChanged(DWORD *indexes, DWORD count, MP_DATA *values) = 0; // 4
    virtual HRESULT STDMETHODCALLTYPE ParamsEndCapture(DWORD *indexes, DWORD count) = 0;               // 5
};

// Where the instrument passes those calls on.
struct IParamsUICallbackSetter : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetParamsUICallback(IParamsUICallback *callback) = 0; // 3
};
