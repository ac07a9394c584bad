#pragma once
// The client's only top-level window: a borderless 895 x 600 form with its
// own title strip (icon, caption, settings / minimise / close buttons), the
// portal's place below it, a tray icon with its menu, and the worker.
// Minimise and close hide it to the tray; any WM_CLOSE ends the program.
#include <windows.h>
#include <shellapi.h>

#include <chrono>
#include <functional>
#include <memory>

#include "app/win32/PortalView.h"
#include "app/win32/UserNotice.h"
#include "app/win32/WallpaperFolder.h"
#include "engine/uWorkThread.h"
#include "ui/win32/FormLook.h"
#include "ui/win32/SkinBtn.h"
#include "ui/win32/Texts.h"

namespace ui {
class TFormCfg;
}

namespace app {

// Sent by a second start to show the running client.
inline constexpr UINT WM_SHOWCLIENT = 18621;
// The answer of a client that is closing: the start must wait for it to end
// and then run itself.
inline constexpr LRESULT kShowClientRefused = 0x5043; // "PC"
inline constexpr const wchar_t* kMainFormClass = L"TBrisvaneMainForm";
// One interactive client per logon session: no namespace prefix, so the name
// is local to the session.
inline constexpr const wchar_t* kInstanceMutex = L"BrisvaneClientMutex_77A58861-3B03-48B5-8D88-C58E81FE7A01";

struct TMainFormOptions {
    bool OneShotRun = false;
    bool TrayOnlyRun = false;
    engine::TWorkThreadEnvironment WorkEnv = engine::TWorkThreadEnvironment::Default();
    // The shell's notification area; tests watch the calls made to it.
    std::function<bool(DWORD, NOTIFYICONDATAW*)> NotifyIcon = [](DWORD m, NOTIFYICONDATAW* d) {
        return ::Shell_NotifyIconW(m, d) != FALSE;
    };
    // While the shell refuses the tray icon (not ready yet at logon), the
    // add is tried again this often for the first minute.
    std::chrono::milliseconds TrayRetryInterval {2000};
    // The string table of the window's texts.
    LANGID Language = ui::UserTextLanguage();
    // Ends the program's message loop.
    std::function<void()> Terminate = [] { ::PostQuitMessage(0); };
    // Shows the wallpaper folder to the user.
    FolderExplorer Explore = ExploreWithShell;

    // This process's run mode (AppConfig) and status port.
    static TMainFormOptions FromAppConfig();
};

class TBrisvaneMainForm {
public:
    // Creates the window (hidden) and runs FormCreate: skins, worker, tray.
    explicit TBrisvaneMainForm(TMainFormOptions options);
    ~TBrisvaneMainForm(); // FormDestroy: the worker stops before the window goes
    TBrisvaneMainForm(const TBrisvaneMainForm&) = delete;
    TBrisvaneMainForm& operator=(const TBrisvaneMainForm&) = delete;

    HWND Handle() const { return Handle_; }
    // Where the portal view lives: (0, 27), 895 x 550 at 96 dpi.
    HWND PortalArea() const { return EmbeddedWB1 ? EmbeddedWB1->Window() : nullptr; }
    bool ShowMainWindowAtStart() const { return ShowMainWindowAtStart_; }
    // The DPI the window is laid out and drawn at.
    int Dpi() const { return Dpi_; }
    // What the user is told away from the window (tray balloons).
    TUserNotice& Notice() { return *Notice_; }

    // The first showing of the run (the message loop's start, or the first
    // ShowFromTray of a tray-only run); fires FormShow once.
    void Show();
    void HideToTray();
    void ShowFromTray();

    void TrayIcon1Click();
    void BtnCfgClick() { Action_CfgExecute(); }
    void BtnMiniClick() { HideToTray(); }
    void BtnCloseClick() { HideToTray(); }
    void PopMenu1Click() { Action_CfgExecute(); }
    void PopMenu2Click() { Action_CloseExecute(); }
    // One rotation step on the worker; a press while one runs is dropped.
    void PopMenuNextClick();
    void PopMenuFolderClick();
    void Action_CfgExecute();
    void Action_CloseExecute();

    // Set by the program entry once the settings dialog exists.
    ui::TFormCfg* FormCfg = nullptr;
    // Runs once, at the first real showing (loads the portal).
    std::function<void()> OnFormShow;

    std::shared_ptr<engine::TWorkThread> FWorkThread;
    // The portal; its downloadPic requests go to FWorkThread.
    std::unique_ptr<win::PortalView> EmbeddedWB1;
    ui::TSkinBtn BtnCfg, BtnMini, BtnClose;

    // The tray icon's callback message and menu commands.
    static constexpr UINT kTrayMessage = WM_APP + 1;
    enum : UINT { idPopMenu1 = 1, idPopMenu2 = 2, idPopMenuNext = 3, idPopMenuFolder = 4 };

private:
    friend LRESULT CALLBACK ui::FormWindowProc<TBrisvaneMainForm>(HWND, UINT, WPARAM, LPARAM);
    LRESULT WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void FormCreate();
    void FormDestroy();
    void FormShow();
    // Sizes and places everything for dpi, with fonts and pictures to match.
    void ApplyDpi(int dpi);
    // From here on the window's messages reach nothing but painting: stopping
    // the worker serves them, and the window is being torn down.
    void BeginClosing();
    void SetTrayIcon(bool visible);
    void AddTrayIcon();    // and keeps trying while the shell refuses it
    bool TryAddTrayIcon(); // once
    bool NotifyTray(DWORD message);
    void TrayMenu();

    TMainFormOptions Options_;
    HWND Handle_ = nullptr;
    ui::TGdiObject Font_;
    ui::TGdiObject Background_;
    ui::TSkinBtnRouter Router_;
    struct MenuDeleter {
        void operator()(HMENU m) const noexcept { ::DestroyMenu(m); }
    };
    struct IconDeleter {
        void operator()(HICON i) const noexcept { ::DestroyIcon(i); }
    };
    std::unique_ptr<HMENU__, MenuDeleter> PopupMenu1;
    std::unique_ptr<HICON__, IconDeleter> SmallIcon_;
    std::unique_ptr<TUserNotice> Notice_;
    UINT TaskbarCreated_ = 0;
    int Dpi_ = 96;
    bool ShowMainWindowAtStart_ = true;
    bool Shown_ = false;
    bool Closing_ = false;
    bool EndAsked_ = false;    // WM_CLOSE came: the loop ends, the window must not show again
    bool TrayVisible_ = false; // the run mode wants the icon
    bool TrayAdded_ = false;   // and the shell took it
    DWORD TrayRetryStart_ = 0;
};

} // namespace app
