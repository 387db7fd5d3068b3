// The DXi bridge's property page: the bridge's channel, and a "Connect"
// box that starts the program for it or lets the program go, checked while
// the program is attached.
#pragma once

#include "bridge/common/halvorin_connection.h"
#include "dshow/ds_object.h"

#include <ocidl.h>

namespace Halvorin {

class CBridgeMediaParams;

constexpr int kDxiPageDialog = 200;
constexpr int kDxiChannelText = 1000;
constexpr int kDxiConnectBox = 1001;

class CBridgePropertyPage final : public CDsUnknown, public IPropertyPage {
public:
    static CDsUnknown *Create(IUnknown *outer, HRESULT *result);

    DS_FORWARD_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void **out) override;

    HRESULT STDMETHODCALLTYPE SetPageSite(IPropertyPageSite *site) override;
    HRESULT STDMETHODCALLTYPE Activate(HWND parent, LPCRECT rect, BOOL modal) override;
    HRESULT STDMETHODCALLTYPE Deactivate() override;
    HRESULT STDMETHODCALLTYPE GetPageInfo(PROPPAGEINFO *info) override;
    HRESULT STDMETHODCALLTYPE SetObjects(ULONG count, IUnknown **objects) override;
    HRESULT STDMETHODCALLTYPE Show(UINT command) override;
    HRESULT STDMETHODCALLTYPE Move(LPCRECT rect) override;
    HRESULT STDMETHODCALLTYPE IsPageDirty() override;
    HRESULT STDMETHODCALLTYPE Apply() override;
    HRESULT STDMETHODCALLTYPE Help(LPCOLESTR folder) override;
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG *message) override;

    HWND Window() const { return window_; }

private:
    explicit CBridgePropertyPage(IUnknown *outer);
    ~CBridgePropertyPage() override;

    static INT_PTR CALLBACK dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void forget();
    void showChannel();
    void followProgram();
    void connectClicked();
    // The bridge's connection to the provider, or null.
    const HalvorinConnection *provider() const;

    IPropertyPageSite *site_ = nullptr; // one reference held
    IUnknown *params_ = nullptr;        // the bridge's media parameters; one reference held
    IUnknown *callback_ = nullptr;      // its user-interface callback; one reference held
    CBridgeMediaParams *bridge_ = nullptr;
    HWND window_ = nullptr;
};

} // namespace Halvorin
