// The test instrument's property page: its level and a button that raises
// it by 10, marking the page dirty with its site.
#include "synth/dxi/tests/instrument/test_instrument.h"

#include <cstdio>
#include <new>

namespace {

// This module, whose window procedure the class names.
HINSTANCE moduleInstance()
{
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&moduleInstance), &module);
    return module;
}

constexpr wchar_t kPageClass[] = L"TembriTestDxiPage";
constexpr int kLouderButton = 1001;
constexpr int kLevelText = 1002;
constexpr SIZE kPageSize = {240, 120};

// Lets a test act while the page's window opens or closes.
void holdForTest()
{
    TEST_DXI_CONTROL &control = Control();
    if (!control.pageEntered || !control.pageGoOn)
        return;
    SetEvent(control.pageEntered);
    if (WaitForSingleObject(control.pageGoOn, 5000) != WAIT_OBJECT_0)
        ++control.pageWaitsRanOut;
}

class CInstrumentPage : public CDsUnknown, public IPropertyPage {
public:
    CInstrumentPage(IUnknown *outer) : CDsUnknown("CInstrumentPage", outer) {}
    ~CInstrumentPage() override
    {
        Deactivate();
        SetObjects(0, nullptr);
        SetPageSite(nullptr);
    }

    DS_FORWARD_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void **out) override
    {
        if (out && iid == IID_IPropertyPage)
            return DsGetInterface(static_cast<IPropertyPage *>(this), out);
        return CDsUnknown::NonDelegatingQueryInterface(iid, out);
    }

    HRESULT STDMETHODCALLTYPE SetPageSite(IPropertyPageSite *site) override
    {
        if (site)
            site->AddRef();
        if (site_)
            site_->Release();
        site_ = site;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Activate(HWND parent, LPCRECT rect, BOOL) override
    {
        if (window_)
            return E_UNEXPECTED;
        registerClass();
        window_ = CreateWindowExW(0, kPageClass, L"", WS_CHILD | WS_CLIPCHILDREN, rect->left, rect->top,
                                  rect->right - rect->left, rect->bottom - rect->top, parent, nullptr,
                                  moduleInstance(), this);
        if (!window_)
            return E_FAIL;
        holdForTest();
        CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 10, 10, 220, 24, window_,
                        reinterpret_cast<HMENU>(kLevelText), nullptr, nullptr);
        CreateWindowExW(0, L"BUTTON", L"Louder", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 50, 100, 30,
                        window_, reinterpret_cast<HMENU>(kLouderButton), nullptr, nullptr);
        showLevel();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Deactivate() override
    {
        if (window_) {
            holdForTest();
            DestroyWindow(window_);
        }
        window_ = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPageInfo(PROPPAGEINFO *info) override
    {
        if (!info)
            return E_POINTER;
        info->size = kPageSize;
        static const wchar_t title[] = L"Test DXi";
        info->pszTitle = static_cast<LPOLESTR>(CoTaskMemAlloc(sizeof(title)));
        if (info->pszTitle)
            wcscpy(info->pszTitle, title);
        info->pszDocString = nullptr;
        info->pszHelpFile = nullptr;
        info->dwHelpContext = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetObjects(ULONG count, IUnknown **objects) override
    {
        if (level_)
            level_->Release();
        level_ = nullptr;
        for (ULONG i = 0; i < count && !level_; ++i)
            if (objects[i] &&
                FAILED(objects[i]->QueryInterface(IID_ITestDxiLevel, reinterpret_cast<void **>(&level_))))
                level_ = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Show(UINT command) override
    {
        if (window_)
            ShowWindow(window_, command);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Move(LPCRECT rect) override
    {
        if (window_ && rect)
            MoveWindow(window_, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top,
                       TRUE);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE IsPageDirty() override { return dirty_ ? S_OK : S_FALSE; }
    HRESULT STDMETHODCALLTYPE Apply() override
    {
        dirty_ = false;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Help(LPCOLESTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG *) override { return S_FALSE; }

private:
    static void registerClass()
    {
        WNDCLASSW c = {};
        c.lpfnWndProc = &CInstrumentPage::proc;
        c.hInstance = moduleInstance();
        c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        c.lpszClassName = kPageClass;
        c.hCursor = LoadCursor(nullptr, IDC_ARROW);
        RegisterClassW(&c);
    }
    static LRESULT CALLBACK proc(HWND window, UINT message, WPARAM w, LPARAM l)
    {
        if (message == WM_NCCREATE)
            SetWindowLongPtrW(
                window, GWLP_USERDATA,
                reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW *>(l)->lpCreateParams));
        auto *page = reinterpret_cast<CInstrumentPage *>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (page && message == WM_COMMAND && LOWORD(w) == kLouderButton) {
            page->louder();
            return 0;
        }
        return DefWindowProcW(window, message, w, l);
    }
    void louder()
    {
        if (!level_)
            return;
        level_->SetLevel(level_->GetLevel() + 10);
        showLevel();
        dirty_ = true;
        if (site_)
            site_->OnStatusChange(PROPPAGESTATUS_DIRTY);
    }
    void showLevel()
    {
        wchar_t text[32];
        swprintf(text, 32, L"Level: %ld", level_ ? level_->GetLevel() : 0L);
        SetDlgItemTextW(window_, kLevelText, text);
    }

    IPropertyPageSite *site_ = nullptr;
    ITestDxiLevel *level_ = nullptr;
    HWND window_ = nullptr;
    bool dirty_ = false;
};

} // namespace

CDsUnknown *CreateTestInstrumentPage(IUnknown *outer, HRESULT *)
{
    return new (std::nothrow) CInstrumentPage(outer);
}
