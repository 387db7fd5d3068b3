#include "bridge/dxi/bridge_property_page.h"

#include "bridge/common/dialog_owner.h"
#include "bridge/common/this_module.h"
#include "bridge/dxi/bridge_ids.h"
#include "bridge/dxi/bridge_media_params.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace Halvorin {

namespace {

constexpr UINT_PTR kTimerId = 1000;
constexpr UINT kTimerMs = 200;

template <typename Interface> void drop(Interface *&held)
{
    if (held)
        held->Release();
    held = nullptr;
}

// Whether the object is a bridge filter of this module (whose media
// parameters the page may then reach inside).
bool isBridge(IUnknown *object)
{
    IPersist *persist = nullptr;
    if (FAILED(object->QueryInterface(IID_IPersist, reinterpret_cast<void **>(&persist))))
        return false;
    CLSID id = {};
    const bool ours = SUCCEEDED(persist->GetClassID(&id)) && id == CLSID_BridgeDxiFilter;
    persist->Release();
    return ours;
}

} // namespace

CDsUnknown *CBridgePropertyPage::Create(IUnknown *outer, HRESULT *result)
{
    auto *page = new (std::nothrow) CBridgePropertyPage(outer);
    if (!page && result)
        *result = E_OUTOFMEMORY;
    return page;
}

CBridgePropertyPage::CBridgePropertyPage(IUnknown *outer) : CDsUnknown("QN3_HalvorinDXiPropPage", outer) {}

CBridgePropertyPage::~CBridgePropertyPage()
{
    Deactivate();
    forget();
    drop(site_);
}

HRESULT STDMETHODCALLTYPE CBridgePropertyPage::NonDelegatingQueryInterface(REFIID iid, void **out)
{
    if (!out)
        return E_POINTER;
    if (iid == IID_IPropertyPage)
        return DsGetInterface(static_cast<IPropertyPage *>(this), out);
    return CDsUnknown::NonDelegatingQueryInterface(iid, out);
}

void CBridgePropertyPage::forget()
{
    drop(params_);
    drop(callback_);
    bridge_ = nullptr;
}

const HalvorinConnection *CBridgePropertyPage::provider() const
{
    return bridge_ ? &bridge_->Provider() : nullptr;
}

HRESULT STDMETHODCALLTYPE CBridgePropertyPage::SetPageSite(IPropertyPageSite *site)
{
    if (site)
        site->AddRef();
    drop(site_);
    site_ = site;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBridgePropertyPage::SetObjects(ULONG count, IUnknown **objects)
{
    forget();
    for (ULONG i = 0; objects && i < count; ++i) {
        if (!objects[i])
            continue;
        IMediaParams *params = nullptr;
        IParamsUICallback *callback = nullptr;
        if (SUCCEEDED(
                objects[i]->QueryInterface(IID_BridgeMediaParams, reinterpret_cast<void **>(&params))) &&
            SUCCEEDED(
                objects[i]->QueryInterface(IID_IParamsUICallback, reinterpret_cast<void **>(&callback)))) {
            params_ = params;
            callback_ = callback;
            if (isBridge(objects[i]))
                bridge_ = static_cast<CBridgeMediaParams *>(params);
            break;
        }
        if (params)
            params->Release();
    }
    if (window_) {
        showChannel();
        followProgram();
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBridgePropertyPage::Activate(HWND parent, LPCRECT rect, BOOL)
{
    Deactivate();
    CreateDialogParamA(ThisModule(), MAKEINTRESOURCEA(kDxiPageDialog), parent, dialogProc,
                       reinterpret_cast<LPARAM>(this));
    if (!window_)
        return E_FAIL;
    if (rect)
        Move(rect);
    showChannel();
    followProgram();
    SetTimer(window_, kTimerId, kTimerMs, nullptr);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBridgePropertyPage::Deactivate()
{
    if (window_) {
        KillTimer(window_, kTimerId);
        DestroyWindow(window_);
    }
    window_ = nullptr;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBridgePropertyPage::GetPageInfo(PROPPAGEINFO *info)
{
    if (!info)
        return E_POINTER;
    static const WCHAR title[] = L"Rallimoth Omvel";
    info->cb = sizeof *info;
    info->pszTitle = static_cast<LPOLESTR>(CoTaskMemAlloc(sizeof title));
    if (!info->pszTitle)
        return E_OUTOFMEMORY;
    std::memcpy(info->pszTitle, title, sizeof title);
    info->size = {0, 0};
    if (HWND measured = CreateDialogParamA(
            ThisModule(), MAKEINTRESOURCEA(kDxiPageDialog), GetDesktopWindow(),
            [](HWND, UINT message, WPARAM, LPARAM) -> INT_PTR { return message == WM_INITDIALOG; }, 0)) {
        RECT bounds;
        GetWindowRect(measured, &bounds);
        info->size = {bounds.right - bounds.left, bounds.bottom - bounds.top};
        DestroyWindow(measured);
    }
    info->pszDocString = nullptr;
    info->pszHelpFile = nullptr;
    info->dwHelpContext = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBridgePropertyPage::Show(UINT command)
{
    if (!window_)
        return E_UNEXPECTED;
    ShowWindow(window_, command);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBridgePropertyPage::Move(LPCRECT rect)
{
    if (!rect)
        return E_POINTER;
    if (!window_)
        return E_UNEXPECTED;
    MoveWindow(window_, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, TRUE);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBridgePropertyPage::IsPageDirty()
{
    return S_FALSE;
}

HRESULT STDMETHODCALLTYPE CBridgePropertyPage::Apply()
{
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBridgePropertyPage::Help(LPCOLESTR)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CBridgePropertyPage::TranslateAccelerator(MSG *)
{
    return S_FALSE;
}

INT_PTR CALLBACK CBridgePropertyPage::dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto *page = DialogOwner(window, message, lParam, &CBridgePropertyPage::window_);
    if (!page)
        return message == WM_INITDIALOG;
    switch (message) {
    case WM_TIMER:
        if (wParam == kTimerId)
            page->followProgram();
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == kDxiConnectBox && HIWORD(wParam) == BN_CLICKED)
            page->connectClicked();
        return TRUE;
    }
    return FALSE;
}

void CBridgePropertyPage::showChannel()
{
    const HalvorinConnection *connection = provider();
    const int channel = connection ? connection->Channel() : -1;
    char text[40] = "No channel was assigned.";
    if (channel >= 0 && channel < kChannels)
        std::snprintf(text, sizeof text, "Halvorin channel %i", channel + 1);
    SetDlgItemTextA(window_, kDxiChannelText, text);
    EnableWindow(GetDlgItem(window_, kDxiConnectBox), channel >= 0 && channel < kChannels);
}

void CBridgePropertyPage::followProgram()
{
    const HalvorinConnection *connection = provider();
    char name[kProgramNameSize] = {};
    const bool ours =
        connection && connection->Request(kOpProgramName, name) == 1 && std::strcmp(name, kProgramName) == 0;
    CheckDlgButton(window_, kDxiConnectBox, ours ? BST_CHECKED : BST_UNCHECKED);
}

void CBridgePropertyPage::connectClicked()
{
    const HalvorinConnection *connection = provider();
    if (!connection)
        return;
    const bool checked = IsDlgButtonChecked(window_, kDxiConnectBox) == BST_CHECKED;
    connection->Request(kOpProgram, const_cast<char *>(checked ? kProgramName : ""));
}

} // namespace Halvorin
