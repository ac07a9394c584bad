#pragma once
// EmbeddedWB1: the system WebBrowser control below the main window's title
// strip, showing the loading page and then the portal, whose downloadPic
// calls reach the owner's request handler.
#include <windows.h>
#include <exdisp.h>
#include <ocidl.h>
#include <ole2.h>

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/win32/BrowserEvents.h"
#include "app/win32/BrowserSite.h"
#include "app/win32/ComObject.h"
#include "app/win32/FileChooserRefusal.h"
#include "app/win32/ScriptBridge.h"

namespace app::win {

// A navigation the control refused, with its result code.
class ENavigateError : public std::runtime_error {
public:
    ENavigateError(const std::string& url, HRESULT code);
    HRESULT Code() const noexcept { return code_; }

private:
    HRESULT code_;
};

// Its place in the main window, in pixels at 96 dpi.
inline constexpr RECT kPortalViewBounds {0, 27, 895, 577};

class PortalView {
public:
    using RequestHandler = TScriptBridge::RequestHandler;
    using Opener = TBrowserEvents::Opener;

    // Creates the view's window in parent and the control in it. A missing
    // control leaves the view showing why; Navigate then raises the reason.
    // Links the user follows away from the portal go to openInBrowser.
    PortalView(HWND parent, RequestHandler onRequest, Opener openInBrowser = OpenInUsersBrowser);
    ~PortalView();
    PortalView(const PortalView&) = delete;
    PortalView& operator=(const PortalView&) = delete;

    // Raises ENavigateError when the control answers anything but S_OK.
    void Navigate(const std::string& url);

    // "res://<this program's file name>/Loading".
    const std::string& LoadingPageUrl() const { return loadingPageUrl_; }
    // Where the top-level document is, as far as the bridge is concerned.
    std::string TopLevelUrl() const;
    // After a failed load, or away from the portal, loads the portal again.
    void ReturnToPortal();
    // Posted to the view's window when a redirect took the main frame off
    // the portal (wParam: StrayLanding); handled on the view's own turn,
    // since the control is still delivering the page when it tells.
    static constexpr UINT kStrayLanding = WM_APP + 0x40;
    // For the message loop, with every message before it is dispatched: lets
    // the control handle its keys (and the view swallow the disabled
    // shortcuts), and notes whether the user is clicking or pressing a key in
    // the view, which is what lets a link leave for the user's browser. True
    // when the message was used.
    bool TranslateAccelerator(MSG& message);

    HWND Window() const { return window_; }
    // Moves the view (in its parent's client coordinates); the control follows.
    void SetBounds(const RECT& bounds);
    // False when the system's browser control could not be created; the
    // view then shows why in its place.
    bool HasControl() const { return browser_ != nullptr; }
    // The host as the control sees it (window.external is reached through it).
    IDocHostUIHandler& UIHandler() { return *site_->UIHandler(); }
    // Every URL the view was sent to, in order.
    const std::vector<std::string>& Navigations() const { return navigations_; }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Paint(HWND window) const;
    void LeaveStrayPage(StrayLanding what);
    // Hides the control and says in its place that the portal cannot be
    // shown; the view's next navigation brings the control back.
    void ShowUnreachable();
    void ShowControl(bool show);
    void CreateControl(Opener openInBrowser);
    void ListenToControl(Opener openInBrowser);
    bool InView(HWND window) const;

    HWND window_ = nullptr;
    std::optional<TFileChooserRefusal> fileChoosers_;
    std::string loadingPageUrl_;
    ComPtr<TScriptBridge> bridge_;
    ComPtr<TBrowserSite> site_;
    ComPtr<IOleObject> object_;
    ComPtr<IWebBrowser2> browser_;
    ComPtr<TBrowserEvents> events_;
    ComPtr<IConnectionPoint> eventsPoint_;
    DWORD eventsCookie_ = 0;
    bool userActing_ = false;
    HRESULT createError_ = S_OK;
    bool unreachable_ = false;
    std::vector<std::string> navigations_;
};

} // namespace app::win
