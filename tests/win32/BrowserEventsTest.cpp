// The portal view's answers to the browser control's events, fired at it as
// the control fires them: the main frame keeps to the portal, the control
// opens no window, and only what the user asked for reaches the browser.
#include <gtest/gtest.h>

#include <windows.h>
#include <commdlg.h>
#include <exdispid.h>
#include <downloadmgr.h>
#include <mshtmhst.h>
#include <urlmon.h>

#include <array>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/win32/BrowserEvents.h"
#include "app/win32/BrowserSite.h"
#include "app/win32/PortalView.h"
#include "app/win32/ScriptBridge.h"
#include "ui/BrowseForFolder.h"
#include "win32/PortalViewHost.h"

using app::win::ComPtr;
using app::win::TBrowserEvents;

namespace {

constexpr const char* kPortal = PortalViewHost::kHostedPortal;

// One event's arguments, given in their declared order.
class EventCall {
public:
    ~EventCall()
    {
        for (auto& v : held_)
            ::VariantClear(&v);
        for (auto& v : args_)
            if (V_VT(&v) == VT_BSTR)
                ::VariantClear(&v);
    }
    EventCall& Browser(IDispatch* browser)
    {
        VARIANT v;
        ::VariantInit(&v);
        V_VT(&v) = VT_DISPATCH;
        V_DISPATCH(&v) = browser;
        return Add(v);
    }
    // By reference, as the control passes BeforeNavigate2's and NavigateError's.
    EventCall& HeldText(const wchar_t* text)
    {
        VARIANT& target = held_.at(heldCount_++);
        V_VT(&target) = VT_BSTR;
        V_BSTR(&target) = ::SysAllocString(text);
        VARIANT v;
        V_VT(&v) = VT_BYREF | VT_VARIANT;
        V_VARIANTREF(&v) = &target;
        return Add(v);
    }
    EventCall& Text(const wchar_t* text)
    {
        VARIANT v;
        V_VT(&v) = VT_BSTR;
        V_BSTR(&v) = ::SysAllocString(text);
        return Add(v);
    }
    EventCall& Number(LONG n)
    {
        VARIANT v;
        V_VT(&v) = VT_I4;
        V_I4(&v) = n;
        return Add(v);
    }
    EventCall& Flag(bool on)
    {
        VARIANT v;
        V_VT(&v) = VT_BOOL;
        V_BOOL(&v) = on ? VARIANT_TRUE : VARIANT_FALSE;
        return Add(v);
    }
    EventCall& Cancel()
    {
        VARIANT v;
        V_VT(&v) = VT_BYREF | VT_BOOL;
        V_BOOLREF(&v) = &cancel_;
        return Add(v);
    }
    EventCall& NewBrowser()
    {
        VARIANT v;
        V_VT(&v) = VT_BYREF | VT_DISPATCH;
        V_DISPATCHREF(&v) = &newBrowser_;
        return Add(v);
    }
    // True when the handler cancelled the event.
    bool Fire(IDispatch& sink, DISPID id)
    {
        std::vector<VARIANT> stored(args_.rbegin(), args_.rend()); // COM stores them last first
        DISPPARAMS params {stored.data(), nullptr, static_cast<UINT>(stored.size()), 0};
        EXPECT_EQ(sink.Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
                  S_OK);
        return cancel_ == VARIANT_TRUE;
    }

private:
    EventCall& Add(VARIANT v)
    {
        args_.push_back(v);
        return *this;
    }
    std::vector<VARIANT> args_;
    std::array<VARIANT, 4> held_ {};
    std::size_t heldCount_ = 0;
    VARIANT_BOOL cancel_ = VARIANT_FALSE;
    IDispatch* newBrowser_ = nullptr;
};

// CoInternetIsFeatureEnabled(FEATURE_RESTRICT_FILEDOWNLOAD, GET_FEATURE_FROM_PROCESS),
// which the headers name only for Windows XP SP2 and later.
HRESULT FileDownloadsRestricted()
{
    using IsFeatureEnabled = HRESULT(WINAPI*)(int, DWORD);
    const FARPROC found = ::GetProcAddress(::GetModuleHandleW(L"urlmon.dll"), "CoInternetIsFeatureEnabled");
    return found ? reinterpret_cast<IsFeatureEnabled>(reinterpret_cast<void (*)()>(found))(12, 0x2) : E_NOTIMPL;
}

class BrowserEvents : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::_putenv_s("PICTAVO_PORTAL_URL", kPortal);
        events_ = TBrowserEvents::Create(Identity(mainFrame_.Get()), "res://Pictavo.exe/Loading",
                                         [this] { return userActing_; },
                                         [this](const std::string& url) { opened_.push_back(url); });
    }
    void TearDown() override { ::_putenv_s("PICTAVO_PORTAL_URL", ""); }

    static IUnknown* Identity(IDispatch* object)
    {
        ComPtr<IUnknown> identity;
        object->QueryInterface(IID_PPV_ARGS(&identity));
        return identity.Get();
    }
    // Any COM object stands for a browser here: only its identity counts.
    static ComPtr<IDispatch> AnObject()
    {
        return app::win::TScriptBridge::Create(nullptr, nullptr, "");
    }
    bool BeforeNavigate(IDispatch* frame, const wchar_t* url)
    {
        return EventCall()
            .Browser(frame)
            .HeldText(url)
            .Number(0)
            .HeldText(L"")
            .HeldText(L"")
            .HeldText(L"")
            .Cancel()
            .Fire(*events_.Get(), DISPID_BEFORENAVIGATE2);
    }
    bool NewWindow(DWORD flags, const wchar_t* url)
    {
        return EventCall()
            .NewBrowser()
            .Cancel()
            .Number(static_cast<LONG>(flags))
            .Text(L"http://127.0.0.1:17598/")
            .Text(url)
            .Fire(*events_.Get(), DISPID_NEWWINDOW3);
    }

    ComPtr<IDispatch> mainFrame_ = AnObject();
    ComPtr<IDispatch> innerFrame_ = AnObject();
    ComPtr<TBrowserEvents> events_;
    bool userActing_ = false;
    std::vector<std::string> opened_;
};

TEST_F(BrowserEvents, TheControlOpensNoWindowAndOnlyTheUsersFirstReachesTheBrowser)
{
    // NWMF_USERINITED | NWMF_FIRST: the window a click asked for.
    EXPECT_TRUE(NewWindow(0x6, L"http://example.com/a b\"c"));
    EXPECT_TRUE(NewWindow(0x80, L"https://example.com/shift-click")); // NWMF_USERREQUESTED
    EXPECT_TRUE(NewWindow(0x2, L"http://example.com/second-window-of-one-click"));
    EXPECT_TRUE(NewWindow(0x0, L"http://example.com/on-a-timer"));
    EXPECT_TRUE(NewWindow(0x7, L"http://example.com/while-unloading"));
    EXPECT_TRUE(NewWindow(0x6, L"file:///C:/Windows/win.ini"));
    EXPECT_TRUE(EventCall().NewBrowser().Cancel().Fire(*events_.Get(), DISPID_NEWWINDOW2));
    EXPECT_EQ(opened_, (std::vector<std::string> {"http://example.com/a%20b%22c", "https://example.com/shift-click"}));
}

TEST_F(BrowserEvents, TheMainFrameKeepsToThePortalAndTheUserLeavesForTheBrowser)
{
    EXPECT_FALSE(BeforeNavigate(mainFrame_.Get(), L"res://Pictavo.exe/Loading"));
    EXPECT_FALSE(BeforeNavigate(mainFrame_.Get(), L"http://127.0.0.1:17598/gallery?page=3"));
    EXPECT_TRUE(BeforeNavigate(mainFrame_.Get(), L"http://evil.example/"));
    EXPECT_TRUE(BeforeNavigate(mainFrame_.Get(), L"file:///C:/Users/me/Desktop/dropped.html"));
    // A frame inside the page may go anywhere: it cannot use the bridge.
    EXPECT_FALSE(BeforeNavigate(innerFrame_.Get(), L"http://ads.example/next"));
    EXPECT_TRUE(opened_.empty());

    userActing_ = true;
    EXPECT_TRUE(BeforeNavigate(mainFrame_.Get(), L"https://elsewhere.example/article"));
    EXPECT_TRUE(BeforeNavigate(mainFrame_.Get(), L"mailto:me@example.com"));
    EXPECT_FALSE(BeforeNavigate(mainFrame_.Get(), L"http://127.0.0.1:17598/next"));
    EXPECT_EQ(opened_, std::vector<std::string> {"https://elsewhere.example/article"});
}

TEST_F(BrowserEvents, AFailedOrStrayLoadOfTheMainFrameIsNoticedUntilItSetsOffForThePortal)
{
    const auto error = [this](IDispatch* frame) {
        EventCall()
            .Browser(frame)
            .HeldText(L"http://127.0.0.1:17598/")
            .HeldText(L"")
            .HeldText(L"")
            .Cancel()
            .Fire(*events_.Get(), DISPID_NAVIGATEERROR);
    };
    const auto landed = [this](const wchar_t* url) {
        EventCall().Browser(mainFrame_.Get()).HeldText(url).Fire(*events_.Get(), DISPID_NAVIGATECOMPLETE2);
    };
    error(innerFrame_.Get());
    landed(L"http://127.0.0.1:17598/");
    EXPECT_FALSE(events_->LeftPortal());
    error(mainFrame_.Get());
    EXPECT_TRUE(events_->LeftPortal());
    BeforeNavigate(mainFrame_.Get(), L"http://127.0.0.1:17598/");
    EXPECT_FALSE(events_->LeftPortal());
    landed(L"http://redirected.example/"); // a server's redirect is announced only here
    EXPECT_TRUE(events_->LeftPortal());
}

// A server's redirect is announced only when the page has landed: the view
// goes back to the portal, and says so rather than going back again when the
// portal's own load leads away.
TEST_F(BrowserEvents, ARedirectOffThePortalSendsTheViewBackOnce)
{
    using app::win::StrayLanding;
    std::vector<StrayLanding> answers;
    events_ = TBrowserEvents::Create(Identity(mainFrame_.Get()), "res://Pictavo.exe/Loading", [] { return false; },
                                     [](const std::string&) {},
                                     [&](StrayLanding what) { answers.push_back(what); });
    const auto landed = [this](IDispatch* frame, const wchar_t* url) {
        EventCall().Browser(frame).HeldText(url).Fire(*events_.Get(), DISPID_NAVIGATECOMPLETE2);
    };
    landed(mainFrame_.Get(), L"res://Pictavo.exe/Loading");
    landed(mainFrame_.Get(), L"http://127.0.0.1:17598/");
    landed(innerFrame_.Get(), L"https://ads.example/banner");
    landed(mainFrame_.Get(), L"res://ieframe.dll/dnserror.htm"); // the control's own page after an error
    EXPECT_TRUE(answers.empty());

    landed(mainFrame_.Get(), L"https://advertiser.example/"); // /click?to=... answered with a 302
    landed(mainFrame_.Get(), L"https://advertiser.example/"); // and the portal's home does the same
    landed(mainFrame_.Get(), L"http://127.0.0.1:17598/gallery");
    landed(mainFrame_.Get(), L"http://advertiser.example/");
    EXPECT_EQ(answers, (std::vector<StrayLanding> {StrayLanding::BackToPortal, StrayLanding::GiveUp,
                                                   StrayLanding::BackToPortal}));
}

TEST_F(BrowserEvents, AFileIsNeverSavedOrRunWhileAPageStillShows)
{
    const auto download = [this](std::optional<bool> shownInView) {
        EventCall call;
        if (shownInView) // named since Internet Explorer 7
            call.Flag(*shownInView);
        return call.Cancel().Fire(*events_.Get(), DISPID_FILEDOWNLOAD);
    };
    EXPECT_TRUE(download(false)); // setup.exe, an attachment
    EXPECT_TRUE(download(std::nullopt));
    EXPECT_FALSE(download(true)); // the portal's next page
}

// Where the event does not come (another frame's download, a script's), the
// control asks the host for a download manager.
TEST(BrowserSiteDownloads, TheControlFindsADownloadManagerThatDropsEveryFile)
{
    auto site = app::win::TBrowserSite::Create(nullptr, nullptr, nullptr, L"N");
    ComPtr<IServiceProvider> services;
    ASSERT_EQ(site->ClientSite()->QueryInterface(IID_PPV_ARGS(&services)), S_OK);
    ComPtr<IDownloadManager> manager;
    ASSERT_EQ(services->QueryService(__uuidof(IDownloadManager), IID_PPV_ARGS(&manager)), S_OK);
    ComPtr<IMoniker> file;
    ASSERT_EQ(::CreateURLMonikerEx(nullptr, L"http://127.0.0.1:9/setup.exe", &file, URL_MK_UNIFORM), S_OK);
    // Taken: a manager that fails hands the file back to the Open/Save dialog.
    EXPECT_EQ(manager->Download(file.Get(), nullptr, BINDVERB_GET, 0, nullptr, nullptr, nullptr, CP_UTF8), S_OK);
    ComPtr<IUnknown> other;
    EXPECT_EQ(services->QueryService(IID_IUnknown, IID_PPV_ARGS(&other)), E_NOINTERFACE);
}

TEST(BrowserSiteDrop, NothingDroppedOntoTheViewIsTaken)
{
    auto site = app::win::TBrowserSite::Create(nullptr, nullptr, nullptr, L"N");
    ComPtr<IDropTarget> target;
    ASSERT_EQ(site->UIHandler()->GetDropTarget(nullptr, &target), S_OK);
    ASSERT_TRUE(target);
    for (DWORD offered : {DWORD(DROPEFFECT_COPY | DROPEFFECT_LINK | DROPEFFECT_MOVE), DWORD(DROPEFFECT_LINK)}) {
        DWORD effect = offered;
        EXPECT_EQ(target->DragEnter(nullptr, MK_LBUTTON, POINTL {5, 5}, &effect), S_OK);
        EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE));
        effect = offered;
        EXPECT_EQ(target->DragOver(MK_LBUTTON, POINTL {6, 6}, &effect), S_OK);
        EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE));
        effect = offered;
        EXPECT_EQ(target->Drop(nullptr, 0, POINTL {6, 6}, &effect), S_OK);
        EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE));
    }
}

// The real view, whose control announces its navigations to the view's events.
class ViewEvents : public PortalViewHost {
protected:
    static MSG Message(HWND window, UINT id, WPARAM wParam = 0)
    {
        MSG m {};
        m.hwnd = window;
        m.message = id;
        m.wParam = wParam;
        return m;
    }
};

TEST_F(ViewEvents, OnlyTheUsersClickOrTapInTheViewTakesALinkToTheBrowser)
{
    std::vector<std::string> opened;
    app::win::PortalView view(parent_, [](const std::string&) {},
                              [&](const std::string& url) { opened.push_back(url); });
    ASSERT_TRUE(view.HasControl());
    EXPECT_EQ(FileDownloadsRestricted(), S_OK) << "the control's own downloads are forbidden in this process";
    view.Navigate(view.LoadingPageUrl());
    const auto leave = [&](MSG handled) {
        view.TranslateAccelerator(handled);
        view.Navigate("http://elsewhere.example/");
        // The control announces it from a message of its own, handled within this one.
        for (MSG m; ::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE);)
            ::DispatchMessageW(&m);
        EXPECT_NE(view.TopLevelUrl(), "http://elsewhere.example/");
    };
    leave(Message(view.Window(), WM_TIMER, 1));
    leave(Message(view.Window(), WM_MOUSEMOVE));
    leave(Message(parent_, WM_LBUTTONUP)); // a click, but outside the view
    EXPECT_TRUE(opened.empty());
    leave(Message(view.Window(), WM_LBUTTONUP));
    leave(Message(view.Window(), WM_KEYDOWN, VK_RETURN));
    leave(Message(view.Window(), 0x0247)); // WM_POINTERUP: a finger's tap
    EXPECT_EQ(opened, std::vector<std::string>(3, "http://elsewhere.example/"));
}

TEST_F(ViewEvents, AfterARedirectAwayTheViewLoadsThePortalOrSaysItCannotBeReached)
{
    using app::win::StrayLanding;
    app::win::PortalView view(parent_, [](const std::string&) {}, [](const std::string&) {});
    ASSERT_TRUE(view.HasControl());
    view.Navigate(view.LoadingPageUrl());
    const HWND control = ::GetWindow(view.Window(), GW_CHILD);
    ASSERT_NE(control, nullptr);
    const auto told = [&](StrayLanding what) {
        ::SendMessageW(view.Window(), app::win::PortalView::kStrayLanding, static_cast<WPARAM>(what), 0);
    };
    told(StrayLanding::BackToPortal);
    EXPECT_EQ(view.Navigations(), (std::vector<std::string> {view.LoadingPageUrl(), kPortal}));
    const auto shown = [control] { return (::GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) != 0; };
    EXPECT_TRUE(shown());
    told(StrayLanding::GiveUp);
    EXPECT_FALSE(shown()) << "nothing of the page it was led to stays in view";
    EXPECT_EQ(view.Navigations().size(), 2u);
    view.Navigate(kPortal); // shown again: one more try
    EXPECT_TRUE(shown());
}

TEST_F(ViewEvents, ShowingAViewThatIsNotOnThePortalLoadsThePortalAgain)
{
    app::win::PortalView view(parent_, [](const std::string&) {}, [](const std::string&) {});
    ASSERT_TRUE(view.HasControl());
    view.Navigate(view.LoadingPageUrl());
    // Wine's control cannot load the portal: the view stays off it.
    view.ReturnToPortal();
    EXPECT_EQ(view.Navigations(), (std::vector<std::string> {view.LoadingPageUrl(), kPortal}));
}

// Every dialog box this thread shows, closed from a timer as soon as it is
// seen: a dialog that should never have opened fails the test, not hangs it.
std::set<HWND> gDialogsSeen;

BOOL CALLBACK CloseIfDialog(HWND window, LPARAM)
{
    wchar_t name[16] {};
    ::GetClassNameW(window, name, 16);
    if (::lstrcmpW(name, L"#32770") == 0 && ::IsWindowVisible(window) && gDialogsSeen.insert(window).second)
        ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    return TRUE;
}

void CALLBACK CloseDialogs(HWND, UINT, UINT_PTR, DWORD)
{
    ::EnumThreadWindows(::GetCurrentThreadId(), &CloseIfDialog, 0);
}

TEST_F(ViewEvents, APagesFileChooserNeverOpensWhileAlertsAndTheProgramsOwnDialogsDo)
{
    gDialogsSeen.clear();
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 100, &CloseDialogs);
    {
        app::win::PortalView view(parent_, [](const std::string&) {}, [](const std::string&) {});
        ASSERT_TRUE(view.HasControl());
        const HWND control = ::GetWindow(view.Window(), GW_CHILD);
        ASSERT_NE(control, nullptr);
        // What a file input does: the Open dialog, owned by the control or its host.
        for (const HWND owner : {view.Window(), control}) {
            wchar_t file[MAX_PATH] {};
            OPENFILENAMEW open {};
            open.lStructSize = sizeof open;
            open.hwndOwner = owner;
            open.lpstrFile = file;
            open.nMaxFile = MAX_PATH;
            open.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST;
            EXPECT_FALSE(::GetOpenFileNameW(&open));
        }
        EXPECT_TRUE(gDialogsSeen.empty()) << "an Open dialog was shown for the page";
        // The program's own dialogs are owned by the window the view is in.
        ::ShowWindow(parent_, SW_SHOW);
        ::SetActiveWindow(parent_);
        ASSERT_EQ(::GetActiveWindow(), parent_);
        ::MessageBoxW(control, L"A page's alert", L"Page", MB_OK);
        ::MessageBoxW(parent_, L"The program's own notice", L"Pictavo", MB_OK);
        ui::BrowseForFolder("The program's own folder browser", ui::TBrowseKind::bkFolders, true);
        EXPECT_EQ(gDialogsSeen.size(), 3u) << "the alert and the program's own dialogs open";
    }
    ::KillTimer(nullptr, timer);
}

} // namespace
