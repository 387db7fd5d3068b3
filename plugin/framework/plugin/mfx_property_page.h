// The COM property page through which a host shows a plug-in's editor: the
// host makes it by the id the plug-in's GetPages answers, hands it the
// plug-in, and the page embeds the plug-in's own view.
#pragma once

#include "plugin/framework/mfx/mfx_host.h"
#include "plugin/framework/plugin/com_object.h"

#include <ocidl.h>

#include <string>

namespace Quorvane {

class MfxPlugin;
class PluginView;

class MfxPropertyPage : public IPropertyPage, public com::ObjectBase {
public:
    class Factory;

    // The title the host shows for the page: the plug-in's product name.
    // Empty: the module's product name from its registry settings, else the
    // module's file name.
    explicit MfxPropertyPage(std::wstring title = {});
    MfxPropertyPage(const MfxPropertyPage &) = delete;
    MfxPropertyPage &operator=(const MfxPropertyPage &) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE SetPageSite(IPropertyPageSite *site) override;
    HRESULT STDMETHODCALLTYPE Activate(HWND parent, LPCRECT rect, BOOL modal) override;
    HRESULT STDMETHODCALLTYPE Deactivate() override;
    HRESULT STDMETHODCALLTYPE GetPageInfo(PROPPAGEINFO *info) override;
    HRESULT STDMETHODCALLTYPE SetObjects(ULONG count, IUnknown **objects) override;
    HRESULT STDMETHODCALLTYPE Show(UINT command) override;
    HRESULT STDMETHODCALLTYPE Move(LPCRECT rect) override;
    HRESULT STDMETHODCALLTYPE IsPageDirty() override;
    HRESULT STDMETHODCALLTYPE Apply() override;
    HRESULT STDMETHODCALLTYPE Help(LPCOLESTR helpFolder) override;
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG *message) override;

    virtual ~MfxPropertyPage();
    // Asks the plug-in for its view unless one is held; true when one is.
    virtual bool ensureView();
    // Closes the view and hands it back to the plug-in.
    virtual void destroyView();

    const std::wstring &title() const { return title_; }
    PluginView *view() const { return view_; }

    // The module's product name as the default title.
    static std::wstring moduleTitle();

private:
    MfxPlugin *plugin() const;
    void releaseObjects();

    IPropertyPageSite *site_ = nullptr;
    IUnknown *object_ = nullptr;
    IMfxEventFilter *identity_ = nullptr;
    PluginView *view_ = nullptr;
    std::wstring title_;
};

// Makes pages with the title it was given; aggregation is refused.
class MfxPropertyPage::Factory : public com::ObjectFactory {
public:
    explicit Factory(std::wstring title = {}) : title_(std::move(title)) {}

protected:
    HRESULT createObject(REFIID iid, void **out) override;

private:
    std::wstring title_;
};

} // namespace Quorvane
