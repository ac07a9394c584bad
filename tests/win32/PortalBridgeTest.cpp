// The portal view's host and script bridge, called through their COM
// interfaces exactly as the browser control calls them (Wine's control cannot
// load pages here, so no page can make the calls for us).
#include <gtest/gtest.h>

#include <windows.h>
#include <mshtmhst.h>

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/win32/BrowserSite.h"
#include "app/win32/PortalView.h"
#include "app/win32/ScriptBridge.h"
#include "win32/FakeCaller.h"
#include "win32/PortalViewHost.h"

using app::win::ComPtr;
using app::win::TScriptBridge;

namespace {

constexpr const char* kPortal = PortalViewHost::kHostedPortal;

// One VARIANT argument list, owning its strings.
class Args {
public:
    ~Args()
    {
        for (auto& v : values_)
            ::VariantClear(&v);
    }
    // Arguments in the page's order; COM stores them last first.
    static Args Strings(std::vector<const wchar_t*> texts)
    {
        Args a;
        for (auto it = texts.rbegin(); it != texts.rend(); ++it) {
            VARIANT v;
            ::VariantInit(&v);
            V_VT(&v) = VT_BSTR;
            V_BSTR(&v) = *it ? ::SysAllocString(*it) : nullptr;
            a.values_.push_back(v);
        }
        return a;
    }
    static Args Of(VARIANT v)
    {
        Args a;
        a.values_.push_back(v);
        return a;
    }
    DISPPARAMS* params()
    {
        params_ = DISPPARAMS {values_.data(), nullptr, static_cast<UINT>(values_.size()), 0};
        return &params_;
    }

private:
    std::vector<VARIANT> values_;
    DISPPARAMS params_ {};
};

class ScriptBridge : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::_putenv_s("PICTAVO_PORTAL_URL", kPortal);
        bridge_ = TScriptBridge::Create([this](const std::string& r) { OnRequest(r); },
                                        [this] { return where_; }, "res://Pictavo.exe/Loading");
    }
    void TearDown() override { ::_putenv_s("PICTAVO_PORTAL_URL", ""); }

    void OnRequest(const std::string& request)
    {
        if (!throwWith_.empty())
            throw std::runtime_error(throwWith_);
        received_.push_back(request);
    }
    HRESULT Call(DISPPARAMS* params, DISPID id = app::win::kDownloadPicDispId, EXCEPINFO* error = nullptr,
                 VARIANT* result = nullptr)
    {
        UINT argError = 77;
        return bridge_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, params, result, error, &argError);
    }
    HRESULT Lookup(std::vector<const wchar_t*> names, DISPID* ids)
    {
        std::vector<LPOLESTR> list;
        for (const wchar_t* n : names)
            list.push_back(const_cast<LPOLESTR>(n));
        return bridge_->GetIDsOfNames(IID_NULL, list.data(), static_cast<UINT>(list.size()), LOCALE_USER_DEFAULT, ids);
    }

    ComPtr<TScriptBridge> bridge_;
    std::string where_ = "http://127.0.0.1:17598/gallery?page=2";
    std::string throwWith_;
    std::vector<std::string> received_;
};

TEST_F(ScriptBridge, NameLookupKnowsOnlyDownloadPicAsTheFirstName)
{
    DISPID ids[2] = {-7, -7};
    EXPECT_EQ(Lookup({L"downloadPic"}, ids), S_OK);
    EXPECT_EQ(ids[0], 2000);

    for (const wchar_t* other : {L"DownloadPic", L"downloadpic", L"", L"downloadPic "}) {
        DISPID untouched[1] = {-7};
        EXPECT_EQ(Lookup({other}, untouched), E_NOTIMPL);
        EXPECT_EQ(untouched[0], -7);
    }
    ids[0] = ids[1] = -7;
    EXPECT_EQ(Lookup({L"downloadPic", L"whatever"}, ids), S_OK);
    EXPECT_EQ(ids[0], 2000);
    EXPECT_EQ(ids[1], -7);
    ids[0] = -7;
    EXPECT_EQ(Lookup({L"whatever", L"downloadPic"}, ids), E_NOTIMPL);
    EXPECT_EQ(ids[0], -7);
}

TEST_F(ScriptBridge, StringArgumentReachesTheWorkerExactlyAndTheCallReturnsNothing)
{
    VARIANT result;
    ::VariantInit(&result);
    V_VT(&result) = VT_I4;
    V_I4(&result) = 123;
    auto one = Args::Strings({L"http://p.example/a_1920,1080.jpg;\u58c1\u7eb8.jpg"});
    EXPECT_EQ(Call(one.params(), app::win::kDownloadPicDispId, nullptr, &result), S_OK);
    EXPECT_EQ(V_VT(&result), VT_I4);
    EXPECT_EQ(V_I4(&result), 123);

    auto empty = Args::Strings({L""});
    EXPECT_EQ(Call(empty.params()), S_OK);
    auto null = Args::Strings({nullptr});
    EXPECT_EQ(Call(null.params()), S_OK);
    auto two = Args::Strings({L"first", L"last"});
    EXPECT_EQ(Call(two.params()), S_OK);

    EXPECT_EQ(received_, (std::vector<std::string> {"http://p.example/a_1920,1080.jpg;\xE5\xA3\x81\xE7\xBA\xB8.jpg",
                                                    "", "", "last"}));
}

TEST_F(ScriptBridge, CallsItCannotServeReachNothing)
{
    DISPPARAMS none {nullptr, nullptr, 0, 0};
    EXPECT_EQ(Call(&none), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(Call(nullptr), DISP_E_MEMBERNOTFOUND);
    // An argument array the caller says is empty is not read.
    auto stale = Args::Strings({L"stale"});
    DISPPARAMS* emptyCount = stale.params();
    emptyCount->cArgs = 0;
    EXPECT_EQ(Call(emptyCount), DISP_E_MEMBERNOTFOUND);

    VARIANT number;
    ::VariantInit(&number);
    V_VT(&number) = VT_I4;
    V_I4(&number) = 5;
    auto numeric = Args::Of(number);
    EXPECT_EQ(Call(numeric.params()), DISP_E_TYPEMISMATCH);
    VARIANT object;
    ::VariantInit(&object);
    V_VT(&object) = VT_DISPATCH;
    V_DISPATCH(&object) = nullptr;
    auto dispatch = Args::Of(object);
    EXPECT_EQ(Call(dispatch.params()), DISP_E_TYPEMISMATCH);
    auto emptyVariant = Args::Of(VARIANT {});
    EXPECT_EQ(Call(emptyVariant.params()), DISP_E_TYPEMISMATCH);

    auto text = Args::Strings({L"x"});
    for (DISPID other : {DISPID(0), DISPID(DISPID_VALUE), DISPID(1999), DISPID(2001), DISPID(-5513)})
        EXPECT_EQ(Call(text.params(), other), E_NOTIMPL);
    EXPECT_TRUE(received_.empty());
}

TEST_F(ScriptBridge, AnErrorOnTheWayReachesThePageAsExceptionInfo)
{
    throwWith_ = "disk full";
    auto args = Args::Strings({L"x"});
    EXCEPINFO info {};
    ASSERT_EQ(Call(args.params(), app::win::kDownloadPicDispId, &info), DISP_E_EXCEPTION);
    EXPECT_EQ(info.wCode, 9999);
    EXPECT_EQ(info.scode, 0);
    EXPECT_STREQ(info.bstrDescription, L"disk full");
    EXPECT_STREQ(info.bstrSource, L"std::runtime_error");
    ::SysFreeString(info.bstrDescription);
    ::SysFreeString(info.bstrSource);
    EXPECT_EQ(Call(args.params()), DISP_E_EXCEPTION); // no exception record to fill
}

TEST_F(ScriptBridge, AnswersOnlyThePortalOriginAndTheLoadingPage)
{
    auto args = Args::Strings({L"pick"});
    for (const char* foreign : {"http://evil.example/", "http://127.0.0.1:17599/", "https://127.0.0.1:17598/",
                                "http://127.0.0.1:17598.evil.example/", "res://Other.exe/Loading",
                                "res://Pictavo.exe/Loading2", "about:blank", ""}) {
        where_ = foreign;
        EXPECT_EQ(Call(args.params()), E_ACCESSDENIED) << foreign;
    }
    EXPECT_TRUE(received_.empty());

    where_ = "HTTP://127.0.0.1:17598/other/page.html";
    EXPECT_EQ(Call(args.params()), S_OK);
    where_ = "res://PICTAVO.EXE/loading";
    EXPECT_EQ(Call(args.params()), S_OK);
    EXPECT_EQ(received_.size(), 2u);

    bridge_->Disconnect(); // the view is gone; the page may still hold the object
    EXPECT_EQ(Call(args.params()), E_ACCESSDENIED);
    EXPECT_EQ(received_.size(), 2u);
}

TEST_F(ScriptBridge, WhereTheEngineNamesTheCallerOnlyAPortalDocumentIsServed)
{
    ComPtr<IDispatchEx> ex;
    ASSERT_EQ(bridge_.As(&ex), S_OK);
    DISPID id = 0;
    const auto name = [](const wchar_t* text) { return app::win::UniqueBstr(::SysAllocString(text)); };
    EXPECT_EQ(ex->GetDispID(name(L"downloadPic").get(), fdexNameCaseInsensitive, &id), S_OK);
    EXPECT_EQ(id, 2000);
    EXPECT_EQ(ex->GetDispID(name(L"DownloadPic").get(), fdexNameCaseInsensitive, &id), DISP_E_UNKNOWNNAME);

    auto args = Args::Strings({L"pick"});
    const auto call = [&](IServiceProvider* caller) {
        return ex->InvokeEx(2000, LOCALE_USER_DEFAULT, DISPATCH_METHOD, args.params(), nullptr, nullptr, caller);
    };
    // An advert's frame inside the portal, and a frame that will not say where it is.
    EXPECT_EQ(call(FakeCaller(FAKE_CALLER_AT_URL, L"http://ads.example/frame.html")), E_ACCESSDENIED);
    EXPECT_EQ(call(FakeCaller(FAKE_CALLER_AT_URL, L"https://127.0.0.1:17598/")), E_ACCESSDENIED);
    EXPECT_EQ(call(FakeCaller(FAKE_CALLER_UNREADABLE, nullptr)), E_ACCESSDENIED);
    EXPECT_TRUE(received_.empty());

    EXPECT_EQ(call(FakeCaller(FAKE_CALLER_AT_URL, L"http://127.0.0.1:17598/frames/inner.html")), S_OK);
    // Callers the engine cannot name fall back to the top-level document.
    EXPECT_EQ(call(FakeCaller(FAKE_CALLER_WITHOUT_WINDOW, nullptr)), S_OK);
    EXPECT_EQ(call(nullptr), S_OK);
    where_ = "http://evil.example/";
    EXPECT_EQ(call(FakeCaller(FAKE_CALLER_AT_URL, L"http://127.0.0.1:17598/")), E_ACCESSDENIED);
    EXPECT_EQ(call(nullptr), E_ACCESSDENIED);
    EXPECT_EQ(received_, (std::vector<std::string> {"pick", "pick", "pick"}));
}

// Sets the calling thread's modifier keys as GetKeyState reports them.
void HoldKeys(std::initializer_list<int> keys)
{
    BYTE state[256] {};
    for (int k : keys)
        state[k] = 0x80;
    ::SetKeyboardState(state);
}

TEST(BrowserSite, HostFlagsNoContextMenuAndOneExternalObject)
{
    auto bridge = TScriptBridge::Create([](const std::string&) {}, [] { return std::string(); }, "");
    auto site = app::win::TBrowserSite::Create(nullptr, nullptr, bridge, L"N");
    IDocHostUIHandler* host = site->UIHandler();

    DOCHOSTUIINFO info {};
    info.cbSize = 999;
    info.dwDoubleClick = 7;
    ASSERT_EQ(host->GetHostInfo(&info), S_OK);
    EXPECT_EQ(info.cbSize, 20u);
    // The flags the portal was made for, and pages drawn at the screen's scale.
    EXPECT_EQ(info.dwFlags, 0x44007u | DOCHOSTUIFLAG_DPI_AWARE);
    EXPECT_EQ(info.dwDoubleClick, 0u);

    POINT at {10, 10};
    for (DWORD menu : std::initializer_list<DWORD> {CONTEXT_MENU_DEFAULT, CONTEXT_MENU_IMAGE, CONTEXT_MENU_CONTROL, CONTEXT_MENU_TEXTSELECT,
                       CONTEXT_MENU_ANCHOR, CONTEXT_MENU_UNKNOWN, DWORD(0x7FFF)})
        EXPECT_EQ(host->ShowContextMenu(menu, &at, nullptr, nullptr), S_OK) << menu;

    IDispatch* first = nullptr;
    IDispatch* second = nullptr;
    ASSERT_EQ(host->GetExternal(&first), S_OK);
    ASSERT_EQ(host->GetExternal(&second), S_OK);
    EXPECT_EQ(first, second);
    EXPECT_EQ(first, static_cast<IDispatch*>(bridge.Get()));
    first->Release();
    second->Release();

    // Every role leads back to one identity, as the control expects.
    ComPtr<IUnknown> fromHandler, fromClient, fromInPlace;
    ComPtr<IOleClientSite> client;
    ComPtr<IOleInPlaceSite> inPlace;
    ASSERT_EQ(host->QueryInterface(IID_PPV_ARGS(&client)), S_OK);
    ASSERT_EQ(client->QueryInterface(IID_PPV_ARGS(&inPlace)), S_OK);
    host->QueryInterface(IID_PPV_ARGS(&fromHandler));
    client->QueryInterface(IID_PPV_ARGS(&fromClient));
    inPlace->QueryInterface(IID_PPV_ARGS(&fromInPlace));
    EXPECT_EQ(fromHandler.Get(), fromClient.Get());
    EXPECT_EQ(fromClient.Get(), fromInPlace.Get());

    site->Disconnect();
    IDispatch* gone = reinterpret_cast<IDispatch*>(1);
    EXPECT_EQ(host->GetExternal(&gone), S_FALSE);
    EXPECT_EQ(gone, nullptr);
}

TEST(BrowserSite, SwallowsCtrlNOnly)
{
    auto site = app::win::TBrowserSite::Create(nullptr, nullptr, nullptr, L"N");
    IDocHostUIHandler* host = site->UIHandler();
    auto press = [&](UINT message, WPARAM key) {
        MSG m {};
        m.message = message;
        m.wParam = key;
        return host->TranslateAccelerator(&m, nullptr, 0);
    };
    HoldKeys({VK_CONTROL});
    EXPECT_EQ(press(WM_KEYDOWN, 'N'), S_OK);
    EXPECT_EQ(press(WM_KEYUP, 'N'), S_FALSE);
    EXPECT_EQ(press(WM_KEYDOWN, 'M'), S_FALSE);
    EXPECT_EQ(press(WM_KEYDOWN, 'P'), S_FALSE);
    HoldKeys({VK_CONTROL, VK_SHIFT});
    EXPECT_EQ(press(WM_KEYDOWN, 'N'), S_FALSE);
    HoldKeys({VK_CONTROL, VK_MENU});
    EXPECT_EQ(press(WM_KEYDOWN, 'N'), S_FALSE);
    HoldKeys({});
    EXPECT_EQ(press(WM_KEYDOWN, 'N'), S_FALSE);
}

// The real view in a window, with the control Wine provides.
class PortalViewTest : public PortalViewHost {};

TEST_F(PortalViewTest, SitsBelowTheTitleStripAndServesOnlyWhereItWasSent)
{
    std::vector<std::string> received;
    {
        app::win::PortalView view(parent_, [&](const std::string& r) { received.push_back(r); });
        RECT r {};
        ::GetWindowRect(view.Window(), &r);
        ::MapWindowPoints(nullptr, parent_, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ(r.left, 0);
        EXPECT_EQ(r.top, 27);
        EXPECT_EQ(r.right - r.left, 895);
        EXPECT_EQ(r.bottom - r.top, 550);
        EXPECT_EQ(::GetWindowLongW(view.Window(), GWL_STYLE) & WS_TABSTOP, 0);
        EXPECT_EQ(view.LoadingPageUrl(), "res://win32_tests.exe/Loading");

        ComPtr<IDispatch> external;
        ASSERT_EQ(view.UIHandler().GetExternal(&external), S_OK);
        auto args = Args::Strings({L"pick"});
        DISPID id = 0;
        LPOLESTR name = const_cast<LPOLESTR>(L"downloadPic");
        ASSERT_EQ(external->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK);
        // No document yet: nobody may call.
        const auto invoke = [&] {
            return external->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, args.params(), nullptr, nullptr, nullptr);
        };
        EXPECT_EQ(invoke(), E_ACCESSDENIED);
        view.Navigate(view.LoadingPageUrl());
        view.Navigate(kPortal);
        EXPECT_EQ(view.Navigations(), (std::vector<std::string> {view.LoadingPageUrl(), kPortal}));
        // Wine's control cannot load the portal and stays on the loading page.
        const std::string top = view.TopLevelUrl();
        EXPECT_TRUE(top == view.LoadingPageUrl() || top == kPortal) << top;
        EXPECT_EQ(invoke(), S_OK);
    }
    EXPECT_EQ(received, std::vector<std::string> {"pick"});
}

} // namespace
