#include "plugin/framework/plugin/mfx_property_page.h"

#include "base/registry.h"
#include "plugin/framework/plugin/mfx_plugin.h"
#include "plugin/framework/plugin/plugin_ids.h"
#include "plugin/framework/plugin/plugin_view.h"

#include <cwchar>
#include <new>

namespace Quorvane {

std::wstring MfxPropertyPage::moduleTitle()
{
    std::string name = appProductName();
    if (name.empty()) {
        char path[MAX_PATH] = {};
        GetModuleFileNameA(com::thisModule(), path, MAX_PATH);
        name = path;
        name = name.substr(name.find_last_of("\\/") + 1);
        name = name.substr(0, name.find_last_of('.'));
    }
    std::wstring wide(name.size() + 1, L'\0');
    const int length =
        MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
    wide.resize(length > 0 ? length - 1 : 0);
    return wide;
}

MfxPropertyPage::MfxPropertyPage(std::wstring title)
    : title_(title.empty() ? moduleTitle() : std::move(title))
{
}

MfxPropertyPage::~MfxPropertyPage()
{
    releaseObjects();
    if (site_)
        site_->Release();
}

MfxPlugin *MfxPropertyPage::plugin() const
{
    // The identity face is the plug-in's IMfxEventFilter, its primary base.
    return identity_ ? static_cast<MfxPlugin *>(identity_) : nullptr;
}

void MfxPropertyPage::releaseObjects()
{
    destroyView();
    if (identity_)
        identity_->Release();
    identity_ = nullptr;
    if (object_)
        object_->Release();
    object_ = nullptr;
}

HRESULT STDMETHODCALLTYPE MfxPropertyPage::QueryInterface(REFIID iid, void **out)
{
    if (!out)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPropertyPage)) {
        *out = static_cast<IPropertyPage *>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE MfxPropertyPage::AddRef()
{
    return countUp();
}

ULONG STDMETHODCALLTYPE MfxPropertyPage::Release()
{
    const LONG left = countDown();
    if (left > 0)
        return static_cast<ULONG>(left);
    delete this;
    return 0;
}

HRESULT STDMETHODCALLTYPE MfxPropertyPage::SetPageSite(IPropertyPageSite *site)
{
    if (site) {
        if (site_)
            return E_UNEXPECTED;
        site->AddRef();
        site_ = site;
    } else if (site_) {
        site_->Release();
        site_ = nullptr;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE MfxPropertyPage::Activate(HWND parent, LPCRECT rect, BOOL)
{
    if (!rect)
        return E_POINTER;
    if (!ensureView())
        return E_UNEXPECTED;
    if (!view_->createView(parent, *rect)) {
        destroyView();
        return E_FAIL;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE MfxPropertyPage::Deactivate()
{
    destroyView();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE MfxPropertyPage::GetPageInfo(PROPPAGEINFO *info)
{
    if (!info)
        return E_POINTER;
    ZeroMemory(info, sizeof(*info));
    info->cb = sizeof(*info);
    const size_t bytes = (title_.size() + 1) * sizeof(wchar_t);
    info->pszTitle = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
    if (!info->pszTitle)
        return E_OUTOFMEMORY;
    memcpy(info->pszTitle, title_.c_str(), bytes);
    if (ensureView())
        view_->getViewSize(&info->size);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE MfxPropertyPage::SetObjects(ULONG count, IUnknown **objects)
{
    if (count == 0) {
        releaseObjects();
        return S_OK;
    }
    if (object_)
        return E_UNEXPECTED;
    if (!objects || !objects[0])
        return E_POINTER;
    // Only a plug-in of this framework can be shown.
    IMfxEventFilter *identity = nullptr;
    if (FAILED(objects[0]->QueryInterface(IID_MfxPluginIdentity, reinterpret_cast<void **>(&identity))) ||
        !identity)
        return E_NOINTERFACE;
    objects[0]->AddRef();
    object_ = objects[0];
    identity_ = identity;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE MfxPropertyPage::Show(UINT command)
{
    if (!view_)
        return E_UNEXPECTED;
    if (command == SW_HIDE)
        view_->hideView();
    else if (command == SW_SHOWNORMAL || command == SW_SHOW)
        view_->showView();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE MfxPropertyPage::Move(LPCRECT rect)
{
    if (!rect)
        return E_POINTER;
    if (!view_)
        return E_UNEXPECTED;
    view_->moveView(*rect);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE MfxPropertyPage::IsPageDirty()
{
    return S_FALSE;
}

HRESULT STDMETHODCALLTYPE MfxPropertyPage::Apply()
{
    return S_OK;
}

HRESULT STDMETHODCALLTYPE MfxPropertyPage::Help(LPCOLESTR)
{
    if (!plugin() || !view_)
        return E_NOTIMPL;
    plugin()->showHelp(view_);
    return S_FALSE;
}

HRESULT STDMETHODCALLTYPE MfxPropertyPage::TranslateAccelerator(MSG *)
{
    return E_NOTIMPL;
}

bool MfxPropertyPage::ensureView()
{
    if (!view_ && plugin())
        view_ = plugin()->getView();
    return view_ != nullptr;
}

void MfxPropertyPage::destroyView()
{
    if (!view_)
        return;
    PluginView *view = view_;
    view_ = nullptr;
    view->destroyView();
    if (MfxPlugin *p = plugin())
        p->destroyView(view);
}

HRESULT MfxPropertyPage::Factory::createObject(REFIID iid, void **out)
{
    auto *page = new (std::nothrow) MfxPropertyPage(title_);
    if (!page)
        return E_OUTOFMEMORY;
    page->AddRef();
    const HRESULT result = page->QueryInterface(iid, out);
    page->Release();
    return result;
}

} // namespace Quorvane
