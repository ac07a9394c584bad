#include "app/win32/UnitMain.h"

#include <cwchar>
#include <stdexcept>

#include "app/Endpoints.h"
#include "app/TrayClick.h"
#include "app/TrayHost.h"
#include "app/win32/BridgeTestHook.h"
#include "config/uAppConfig.h"
#include "platform/DebugOutput.h"
#include "platform/win32/WinText.h"
#include "ui/win32/Scaled.h"
#include "ui/win32/UnitCfg.h"

namespace app {

namespace {

constexpr const wchar_t* kCaption = L"Pictavo";
// Every place and size in pixels at 96 dpi.
constexpr int kClientWidth = 895, kClientHeight = 600;
constexpr int kButtonTop = 0, kButtonWidth = 21, kButtonHeight = 26;
constexpr int kBtnCfgLeft = 828, kBtnMiniLeft = 848, kBtnCloseLeft = 868;
constexpr UINT_PTR kTrayRetryTimer = 1;
constexpr DWORD kTrayRetryForMs = 60'000;

} // namespace

TMainFormOptions TMainFormOptions::FromAppConfig()
{
    TMainFormOptions options;
    options.OneShotRun = AppConfig->OneShotRun();
    options.TrayOnlyRun = AppConfig->TrayOnlyRun();
    options.WorkEnv.statusPort = StatusPortSetting();
    return options;
}

TBrisvaneMainForm::TBrisvaneMainForm(TMainFormOptions options)
    : BtnCfg(nullptr), BtnMini(nullptr), BtnClose(nullptr), Options_(std::move(options)),
      Background_(::CreateSolidBrush(ui::kFormColor))
{
    ui::RegisterFormClass(kMainFormClass, ui::FormWindowProc<TBrisvaneMainForm>, true);
    // Centred on the primary screen at its DPI; borderless, so the window is
    // its client area.
    const int screenWidth = ::GetSystemMetrics(SM_CXSCREEN), screenHeight = ::GetSystemMetrics(SM_CYSCREEN);
    Dpi_ = ui::DpiAt({screenWidth / 2, screenHeight / 2});
    Font_.reset(ui::CreateFormFont(Dpi_));
    const int width = ui::Scaled(kClientWidth, Dpi_), height = ui::Scaled(kClientHeight, Dpi_);
    // The minimise box and system menu let the taskbar button minimise and
    // restore the window; no control of its own minimises it.
    Handle_ = ::CreateWindowExW(WS_EX_APPWINDOW, kMainFormClass, kCaption,
                                WS_POPUP | WS_CLIPCHILDREN | WS_MINIMIZEBOX | WS_SYSMENU, (screenWidth - width) / 2,
                                (screenHeight - height) / 2, width, height, nullptr, nullptr,
                                ::GetModuleHandleW(nullptr), this);
    if (!Handle_)
        throw std::runtime_error("The main window could not be created");
    EmbeddedWB1 = std::make_unique<win::PortalView>(Handle_, [this](const std::string& request) {
        if (FWorkThread)
            FWorkThread->RequestDownload(request);
    });
    // Painted in this order: each button covers its left neighbour's last
    // column, and the settings button covers the minimise button's first.
    for (ui::TSkinBtn* b : {&BtnMini, &BtnClose, &BtnCfg}) {
        b->SetParentWindow(Handle_);
        Router_.Add(*b);
    }
    Router_.SetParentWindow(Handle_);
    BtnCfg.OnClick = [this] { BtnCfgClick(); };
    BtnMini.OnClick = [this] { BtnMiniClick(); };
    BtnClose.OnClick = [this] { BtnCloseClick(); };
    BtnCfg.AccessibleName = ui::LoadText(IDS_SETTINGS, Options_.Language);
    BtnMini.AccessibleName = ui::LoadText(IDS_MINIMISE, Options_.Language);
    BtnClose.AccessibleName = ui::LoadText(IDS_CLOSE, Options_.Language);
    Router_.PressAction = ui::LoadText(IDS_PRESS, Options_.Language);
    PopupMenu1.reset(::CreatePopupMenu());
    ::AppendMenuW(PopupMenu1.get(), MF_STRING, idPopMenuNext,
                  ui::LoadText(IDS_NEXT_WALLPAPER, Options_.Language).c_str());
    ::AppendMenuW(PopupMenu1.get(), MF_STRING, idPopMenuFolder, ui::LoadText(IDS_OPEN_FOLDER, Options_.Language).c_str());
    ::AppendMenuW(PopupMenu1.get(), MF_STRING, idPopMenu1, ui::LoadText(IDS_SETTINGS, Options_.Language).c_str());
    ::AppendMenuW(PopupMenu1.get(), MF_STRING, idPopMenu2, ui::LoadText(IDS_EXIT, Options_.Language).c_str());
    // The notification area shows small icons at the system DPI.
    SmallIcon_.reset(ui::LoadFormIcon(::GetSystemMetrics(SM_CXSMICON)));
    TaskbarCreated_ = ::RegisterWindowMessageW(L"TaskbarCreated");
    Notice_ = std::make_unique<TUserNotice>(Handle_, 1, Options_.NotifyIcon,
                                            [this] { return TrayAdded_; }, Options_.Language);
    try {
        FormCreate();
    } catch (...) {
        BeginClosing();
        ::DestroyWindow(Handle_);
        throw;
    }
}

TBrisvaneMainForm::~TBrisvaneMainForm()
{
    if (!Handle_)
        return;
    BeginClosing();
    ::DestroyWindow(Handle_);
}

void TBrisvaneMainForm::ApplyDpi(int dpi)
{
    Dpi_ = dpi;
    Font_.reset(ui::CreateFormFont(dpi));
    const auto s = [dpi](int v) { return ui::Scaled(v, dpi); };
    BtnMini.SetBounds(s(kBtnMiniLeft), s(kButtonTop), s(kButtonWidth), s(kButtonHeight));
    BtnClose.SetBounds(s(kBtnCloseLeft), s(kButtonTop), s(kButtonWidth), s(kButtonHeight));
    BtnCfg.SetBounds(s(kBtnCfgLeft), s(kButtonTop), s(kButtonWidth), s(kButtonHeight));
    BtnCfg.LoadSkin(L"btn_cfg", dpi);
    BtnMini.LoadSkin(L"btn_mini", dpi);
    BtnClose.LoadSkin(L"btn_close", dpi);
    const RECT& view = win::kPortalViewBounds;
    EmbeddedWB1->SetBounds({s(view.left), s(view.top), s(view.right), s(view.bottom)});
    ::InvalidateRect(Handle_, nullptr, FALSE);
}

void TBrisvaneMainForm::FormCreate()
{
    // The window may have come up on a monitor of another DPI than the one
    // it was sized for.
    const int dpi = ui::WindowDpi(Handle_);
    if (dpi != Dpi_) {
        ::SetWindowPos(Handle_, nullptr, 0, 0, ui::Scaled(kClientWidth, dpi), ui::Scaled(kClientHeight, dpi),
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ApplyDpi(dpi);

    engine::TWorkThreadEnvironment env = Options_.WorkEnv;
    const HWND window = Handle_;
    env.closeMainWindow = [window] { ::PostMessageW(window, WM_CLOSE, 10, 10); };
    // The worker stops (its downloads first) before the notice goes.
    env.pickFailed = [this](const engine::PickFailure& failure) { Notice_->ShowPickFailure(failure); };
    const std::wstring nothingTitle = ui::LoadText(IDS_NEXT_WALLPAPER, Options_.Language);
    const std::wstring nothingText = ui::LoadText(IDS_FOLDER_EMPTY, Options_.Language);
    env.nothingToShow = [this, nothingTitle, nothingText] { Notice_->Post(nothingTitle, nothingText); };
    FWorkThread = engine::TWorkThread::Create(std::move(env));
    FWorkThread->SetActive(true);

    if (Options_.OneShotRun) {
        ShowMainWindowAtStart_ = false;
        return;
    }
    SetTrayIcon(true);
    if (Options_.TrayOnlyRun)
        ShowMainWindowAtStart_ = false;
}

void TBrisvaneMainForm::BeginClosing()
{
    if (Closing_)
        return;
    Closing_ = true;
    ::ShowWindow(Handle_, SW_HIDE);
    FormDestroy();
}

void TBrisvaneMainForm::FormDestroy()
{
    SetTrayIcon(false);
    if (FWorkThread) {
        // A worker still inside a pass past the stop limit uses AppConfig:
        // end the process here rather than free what it uses.
        if (!FWorkThread->SetActive(false))
            ::TerminateProcess(::GetCurrentProcess(), 0);
        FWorkThread.reset();
    }
}

void TBrisvaneMainForm::FormShow()
{
    // The loading page shows until the portal, asked for at once, replaces it.
    try {
        EmbeddedWB1->Navigate(EmbeddedWB1->LoadingPageUrl());
        EmbeddedWB1->Navigate(PortalHomeUrl());
    } catch (const win::ENavigateError& e) {
        if (EmbeddedWB1->HasControl()) // a missing control already says so in the view
            ::MessageBoxW(Handle_, platform::win::Wide(e.what()).c_str(), kCaption, MB_OK | MB_ICONERROR);
    }
    if (OnFormShow)
        OnFormShow();
}

void TBrisvaneMainForm::Show()
{
    ::ShowWindow(Handle_, SW_SHOW);
    if (!Shown_) {
        Shown_ = true;
        FormShow();
    }
}

void TBrisvaneMainForm::ShowFromTray()
{
    if (!ShowMainWindowAtStart_) {
        ShowMainWindowAtStart_ = true;
        Show();
    } else if (Shown_) {
        EmbeddedWB1->ReturnToPortal(); // a failed load gets another try; the portal itself stays as it was
    }
    ::ShowWindow(Handle_, SW_SHOW);
    ::SetForegroundWindow(Handle_);
}

void TBrisvaneMainForm::HideToTray()
{
    // The window carries its own taskbar button: hiding it hides both, so
    // only a tray icon may be left to bring it back.
    if (DecideHideToTray(TrayAdded_) == HideToTrayAction::Hide)
        ::ShowWindow(Handle_, SW_HIDE);
    else
        ::ShowWindow(Handle_, SW_MINIMIZE);
}

void TBrisvaneMainForm::TrayIcon1Click()
{
    switch (DecideTrayClick(::IsIconic(Handle_) != FALSE, ::IsWindowVisible(Handle_) != FALSE)) {
    case TrayClickAction::Restore: ::ShowWindow(Handle_, SW_RESTORE); break;
    case TrayClickAction::Hide: HideToTray(); break;
    case TrayClickAction::Show: ShowFromTray(); break;
    }
}

void TBrisvaneMainForm::Action_CfgExecute()
{
    if (FormCfg && !FormCfg->Visible())
        FormCfg->ShowModal();
}

void TBrisvaneMainForm::PopMenuNextClick()
{
    if (FWorkThread)
        FWorkThread->NextWallPaper();
}

void TBrisvaneMainForm::PopMenuFolderClick()
{
    if (!OpenWallpaperFolder(Handle_, AppConfig->WallPaperDir(), Options_.Explore))
        Notice_->Show(ui::LoadText(IDS_OPEN_FOLDER, Options_.Language),
                      ui::LoadText(IDS_FOLDER_CANNOT_CREATE, Options_.Language));
}

void TBrisvaneMainForm::Action_CloseExecute()
{
    ::SendMessageW(Handle_, WM_CLOSE, 0, 0);
}

bool TBrisvaneMainForm::NotifyTray(DWORD message)
{
    NOTIFYICONDATAW data {};
    data.cbSize = sizeof(data);
    data.hWnd = Handle_;
    data.uID = 1;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = kTrayMessage;
    data.hIcon = SmallIcon_.get();
    // The tip holds 127 characters.
    std::wcsncpy(data.szTip, kCaption, 127);
    return Options_.NotifyIcon(message, &data);
}

void TBrisvaneMainForm::SetTrayIcon(bool visible)
{
    if (visible == TrayVisible_)
        return;
    TrayVisible_ = visible;
    if (visible) {
        AddTrayIcon();
        return;
    }
    ::KillTimer(Handle_, kTrayRetryTimer);
    // Also when every add seemed refused: a shell that timed out may still
    // have taken one, and would keep it as a ghost.
    NotifyTray(NIM_DELETE);
    TrayAdded_ = false;
}

void TBrisvaneMainForm::AddTrayIcon()
{
    TrayAdded_ = TryAddTrayIcon();
    if (!TrayAdded_) {
        // The shell is not ready yet (a start at logon, a taskbar being
        // made again): try again for a while, besides on "TaskbarCreated".
        TrayRetryStart_ = ::GetTickCount();
        ::SetTimer(Handle_, kTrayRetryTimer, static_cast<UINT>(Options_.TrayRetryInterval.count()), nullptr);
    }
}

bool TBrisvaneMainForm::TryAddTrayIcon()
{
    // A busy shell at logon answers an add with a time-out although it took
    // the icon; the icon it took answers a modify.
    return NotifyTray(NIM_ADD) || NotifyTray(NIM_MODIFY);
}

void TBrisvaneMainForm::TrayMenu()
{
    // Without the foreground the menu would not close when clicked away.
    ::SetForegroundWindow(Handle_);
    POINT at {};
    ::GetCursorPos(&at);
    ::TrackPopupMenu(PopupMenu1.get(), TPM_RIGHTBUTTON, at.x, at.y, 0, Handle_, nullptr);
    ::PostMessageW(Handle_, WM_NULL, 0, 0);
}

LRESULT TBrisvaneMainForm::WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // From the moment the end is asked for, nothing shows the window again.
    if (message == WM_SHOWCLIENT && (Closing_ || EndAsked_))
        return kShowClientRefused;
    if (Closing_ && message != WM_PAINT && message != WM_ERASEBKGND && message != WM_DESTROY)
        return message == WM_CLOSE ? 0 : ::DefWindowProcW(window, message, wParam, lParam);
    // Only the title strip and the bottom strip get mouse messages here: the
    // portal area is a child of its own.
    if (const auto answer =
            ui::HandleFormMessage(window, Router_, Font_.font(), kCaption, Dpi_, message, wParam, lParam))
        return *answer;
    if (message == TaskbarCreated_ && TaskbarCreated_ != 0) {
        if (TrayVisible_)
            AddTrayIcon(); // the new taskbar has no icon of ours
        return 0;
    }
    switch (message) {
    case ui::kWmDpiChanged: {
        // Moved to a monitor of another scale (or the scale changed): the
        // system's rectangle keeps the window under the mouse while dragged.
        const ui::TDpiChange change = ui::ReadDpiChange(wParam, lParam);
        const RECT& r = change.suggested;
        ::SetWindowPos(window, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
        try {
            ApplyDpi(change.dpi);
        } catch (const std::exception& e) {
            // Nothing may cross the window procedure; the skins keep their last copy.
            platform::DebugOutput(e.what());
        }
        return 0;
    }
    case WM_COPYDATA:
        if (EmbeddedWB1 && win::TestHooksEnabled())
            if (const auto answer = win::HandleTestRequest(*EmbeddedWB1, window, wParam,
                                                           *reinterpret_cast<const COPYDATASTRUCT*>(lParam)))
                return *answer;
        break;
    case kTrayMessage:
        if (lParam == WM_LBUTTONUP)
            TrayIcon1Click();
        else if (lParam == WM_RBUTTONUP)
            TrayMenu();
        return 0;
    case WM_COMMAND:
        if (HIWORD(wParam) == 0 && lParam == 0) {
            if (LOWORD(wParam) == idPopMenu1)
                PopMenu1Click();
            else if (LOWORD(wParam) == idPopMenu2)
                PopMenu2Click();
            else if (LOWORD(wParam) == idPopMenuNext)
                PopMenuNextClick();
            else if (LOWORD(wParam) == idPopMenuFolder)
                PopMenuFolderClick();
        }
        return 0;

    case WM_TIMER:
        if (wParam == kTrayRetryTimer) {
            if (TrayVisible_ && !TrayAdded_)
                TrayAdded_ = TryAddTrayIcon();
            if (TrayAdded_ || ::GetTickCount() - TrayRetryStart_ >= kTrayRetryForMs)
                ::KillTimer(window, kTrayRetryTimer);
            return 0;
        }
        break;
    case WM_SHOWCLIENT:
        ShowFromTray();
        return 0;
    case TUserNotice::kNoticeMessage:
        Notice_->ShowQueued();
        return 0;
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_ENDSESSION:
        // The session may end the process once this returns: the worker's
        // pass and its Config.ini writes finish first.
        if (wParam) {
            EndAsked_ = true;
            BeginClosing();
            if (Options_.Terminate)
                Options_.Terminate();
        }
        return 0;
    case WM_CLOSE:
        // Whoever sends it (the tray menu, a one-shot worker with 10/10,
        // another program), the program ends.
        EndAsked_ = true;
        if (Options_.Terminate)
            Options_.Terminate();
        return 0;
    case WM_DESTROY:
        BeginClosing();
        EmbeddedWB1.reset(); // the control closes while its window still exists
        Handle_ = nullptr;
        break;
    default:
        break;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

} // namespace app
