#include "plugin/framework/plugin/mfx_property_page.h"

#include "base/registry.h"
#include "plugin/framework/plugin/tests/fake_host_windows.h"
#include "plugin/framework/plugin/tests/test_host.h"
#include "plugin/framework/plugin/tests/test_plugin.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <olectl.h>

#include <string>

using plugin_test::TestPlugin;
using plugin_test::TestView;
using Quorvane::MfxPropertyPage;

namespace {

// A page made by its factory, as a host makes it.
IPropertyPage *newPage(const wchar_t *title = L"Grindelvosket")
{
    IPropertyPage *page = nullptr;
    auto *factory = new MfxPropertyPage::Factory(title);
    factory->AddRef();
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IPropertyPage, reinterpret_cast<void **>(&page)), S_OK);
    factory->Release();
    return page;
}

struct TestSite : plugin_test::Counted<IPropertyPageSite> {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void **out) override
    {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE OnStatusChange(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetLocaleID(LCID *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPageContainer(IUnknown **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG *) override { return E_NOTIMPL; }
};

class PropertyPageTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (page)
            page->Release();
        plugin->Release();
        if (parent)
            DestroyWindow(parent);
    }

    IUnknown *pluginUnknown() { return static_cast<IMfxEventFilter *>(plugin); }

    IPropertyPage *page = newPage();
    TestPlugin *plugin = TestPlugin::create();
    HWND parent = nullptr;
};

TEST_F(PropertyPageTest, AnswersItsInterfacesOnly)
{
    void *face = nullptr;
    EXPECT_EQ(page->QueryInterface(IID_IUnknown, &face), S_OK);
    EXPECT_EQ(face, page);
    page->Release();
    EXPECT_EQ(page->QueryInterface(IID_IPropertyPage, &face), S_OK);
    page->Release();
    EXPECT_EQ(page->QueryInterface(IID_IPropertyPage2, &face), E_NOINTERFACE);
    EXPECT_EQ(face, nullptr);
    EXPECT_EQ(page->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
    EXPECT_EQ(page->IsPageDirty(), S_FALSE);
    EXPECT_EQ(page->Apply(), S_OK);
    EXPECT_EQ(page->TranslateAccelerator(nullptr), E_NOTIMPL);
}

TEST_F(PropertyPageTest, KeepsOneSite)
{
    TestSite site, other;
    EXPECT_EQ(page->SetPageSite(&site), S_OK);
    EXPECT_EQ(site.references, 2);
    EXPECT_EQ(page->SetPageSite(&other), E_UNEXPECTED);
    EXPECT_EQ(other.references, 1);
    EXPECT_EQ(page->SetPageSite(nullptr), S_OK);
    EXPECT_EQ(site.references, 1);
    EXPECT_EQ(page->SetPageSite(&other), S_OK);
    page->Release();
    page = nullptr;
    EXPECT_EQ(other.references, 1) << "released with the page";
}

TEST_F(PropertyPageTest, TakesOnePluginAtATime)
{
    EXPECT_EQ(page->SetObjects(0, nullptr), S_OK);
    EXPECT_EQ(page->SetObjects(1, nullptr), E_POINTER);
    IUnknown *none = nullptr;
    EXPECT_EQ(page->SetObjects(1, &none), E_POINTER);
    TestSite notAPlugin;
    IUnknown *wrong = &notAPlugin;
    EXPECT_EQ(page->SetObjects(1, &wrong), E_NOINTERFACE);
    EXPECT_EQ(notAPlugin.references, 1);

    IUnknown *object = pluginUnknown();
    ASSERT_EQ(page->SetObjects(1, &object), S_OK);
    EXPECT_EQ(plugin->referenceCount(), 3) << "the object and its identity face";
    EXPECT_EQ(page->SetObjects(1, &object), E_UNEXPECTED);
    EXPECT_EQ(page->SetObjects(0, nullptr), S_OK);
    EXPECT_EQ(plugin->referenceCount(), 1);
    EXPECT_EQ(page->SetObjects(1, &object), S_OK);
    page->Release();
    page = nullptr;
    EXPECT_EQ(plugin->referenceCount(), 1) << "released with the page";
}

TEST_F(PropertyPageTest, TitleNamesThePluginsModule)
{
    IUnknown *object = pluginUnknown();
    ASSERT_EQ(page->SetObjects(1, &object), S_OK);
    PROPPAGEINFO info{};
    ASSERT_EQ(page->GetPageInfo(&info), S_OK);
    EXPECT_EQ(info.cb, sizeof(PROPPAGEINFO));
    EXPECT_STREQ(info.pszTitle, L"Grindelvosket");
    EXPECT_EQ(info.size.cx, TestView::kSize.cx);
    EXPECT_EQ(info.size.cy, TestView::kSize.cy);
    EXPECT_EQ(info.pszDocString, nullptr);
    CoTaskMemFree(info.pszTitle);
    EXPECT_EQ(page->GetPageInfo(nullptr), E_POINTER);

    // Without a title of its own: the module's product name.
    IPropertyPage *untitled = newPage(L"");
    ASSERT_EQ(untitled->GetPageInfo(&info), S_OK);
    const std::string &product = Quorvane::appProductName();
    EXPECT_EQ(info.pszTitle, std::wstring(product.begin(), product.end()));
    EXPECT_EQ(info.size.cx, 0) << "no plug-in, no view";
    CoTaskMemFree(info.pszTitle);
    untitled->Release();
}

TEST_F(PropertyPageTest, EmbedsThePluginsViewInTheHostsFrame)
{
    parent = plugin_test::makeWindow("PluginTestFrame", "Frame", WS_OVERLAPPEDWINDOW, nullptr);
    ASSERT_TRUE(parent) << "windows need a display";
    RECT rect{10, 20, 330, 200};
    EXPECT_EQ(page->Activate(parent, &rect, TRUE), E_UNEXPECTED) << "no plug-in yet";
    EXPECT_EQ(page->Show(SW_SHOW), E_UNEXPECTED);
    EXPECT_EQ(page->Help(nullptr), E_NOTIMPL);

    IUnknown *object = pluginUnknown();
    ASSERT_EQ(page->SetObjects(1, &object), S_OK);
    EXPECT_EQ(page->Activate(parent, nullptr, TRUE), E_POINTER);
    ASSERT_EQ(page->Activate(parent, &rect, TRUE), S_OK);
    TestView *view = plugin->view;
    ASSERT_TRUE(view);
    ASSERT_TRUE(IsWindow(view->window));
    EXPECT_EQ(GetParent(view->window), parent);
    EXPECT_TRUE(GetDlgItem(view->window, plugin_test::kTestViewLabel)) << "made from its template";

    EXPECT_EQ(page->Show(SW_SHOW), S_OK);
    EXPECT_TRUE(IsWindowVisible(view->window) || !IsWindowVisible(parent));
    EXPECT_EQ(view->shows, 1);
    EXPECT_EQ(page->Show(SW_SHOWMINIMIZED), S_OK);
    EXPECT_EQ(view->shows + view->hides, 1) << "other commands do nothing";
    EXPECT_EQ(page->Show(SW_SHOWNORMAL), S_OK);
    EXPECT_EQ(page->Show(SW_HIDE), S_OK);
    EXPECT_EQ(view->shows, 2);
    EXPECT_EQ(view->hides, 1);
    EXPECT_FALSE(IsWindowVisible(view->window));

    RECT moved{5, 6, 105, 86};
    EXPECT_EQ(page->Move(nullptr), E_POINTER);
    EXPECT_EQ(page->Move(&moved), S_OK);
    RECT now{};
    GetWindowRect(view->window, &now);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT *>(&now), 2);
    EXPECT_EQ(now.left, 5);
    EXPECT_EQ(now.right - now.left, 100);

    EXPECT_EQ(page->Help(L""), S_FALSE);
    EXPECT_EQ(plugin->helpView, view);

    HWND window = view->window;
    EXPECT_EQ(page->Deactivate(), S_OK);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(plugin->view, nullptr);
    EXPECT_EQ(plugin->viewsDeleted, 1);
    EXPECT_EQ(page->Move(&moved), E_UNEXPECTED);

    // Activated again and released while active: the view goes too.
    ASSERT_EQ(page->Activate(parent, &rect, TRUE), S_OK);
    window = plugin->view->window;
    page->Release();
    page = nullptr;
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(plugin->viewsDeleted, 2);
}

// The host's side: the system's property frame, closed by a timer.
struct FrameVisit {
    std::wstring tabTitle;
    bool viewShown = false;
    TestPlugin *plugin = nullptr;
};
FrameVisit *visit = nullptr;

// The frame is the visible dialog holding the page tabs (not necessarily
// owned by the window given to it).
BOOL CALLBACK findFrame(HWND window, LPARAM found)
{
    char className[16] = {};
    GetClassNameA(window, className, sizeof(className));
    if (std::string(className) == "#32770" && IsWindowVisible(window) &&
        FindWindowExA(window, nullptr, WC_TABCONTROLA, nullptr)) {
        *reinterpret_cast<HWND *>(found) = window;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK closeFrame(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND frame = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), findFrame, reinterpret_cast<LPARAM>(&frame));
    if (!frame)
        return;
    KillTimer(nullptr, timer);
    if (HWND tabs = FindWindowExA(frame, nullptr, WC_TABCONTROLA, nullptr)) {
        wchar_t text[64] = {};
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = 64;
        SendMessageW(tabs, TCM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        visit->tabTitle = text;
    }
    visit->viewShown = visit->plugin->view && IsWindow(visit->plugin->view->window);
    PostMessageA(frame, WM_COMMAND, IDCANCEL, 0);
}

TEST_F(PropertyPageTest, ShownInTheSystemPropertyFrame)
{
    parent = plugin_test::makeWindow("PluginTestFrame", "Host", WS_OVERLAPPEDWINDOW, nullptr);
    ASSERT_TRUE(parent);
    DWORD cookie = 0;
    auto *factory = new MfxPropertyPage::Factory(L"Grindelvosket");
    factory->AddRef();
    ASSERT_EQ(CoRegisterClassObject(plugin_test::CLSID_TestPage, static_cast<IClassFactory *>(factory),
                                    CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie),
              S_OK);
    factory->Release();

    CAUUID pages{};
    ASSERT_EQ(plugin->GetPages(&pages), S_OK);
    FrameVisit seen;
    seen.plugin = plugin;
    visit = &seen;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, closeFrame);
    IUnknown *object = pluginUnknown();
    const HRESULT shown = OleCreatePropertyFrame(parent, 0, 0, L"Drummer", 1, &object, pages.cElems,
                                                 pages.pElems, 0, 0, nullptr);
    KillTimer(nullptr, timer);
    visit = nullptr;
    CoTaskMemFree(pages.pElems);
    CoRevokeClassObject(cookie);

    EXPECT_EQ(shown, S_OK);
    EXPECT_EQ(seen.tabTitle, L"Grindelvosket");
    EXPECT_TRUE(seen.viewShown);
    EXPECT_EQ(plugin->view, nullptr) << "the frame deactivated the page";
    EXPECT_EQ(plugin->referenceCount(), 1);
}

} // namespace
