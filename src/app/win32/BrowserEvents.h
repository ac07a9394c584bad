#pragma once
// The browser control's events (DWebBrowserEvents2) as the view answers
// them: the main frame stays on the portal and the client's own pages, the
// control never opens a window of its own nor saves a file, and what the
// user asked for elsewhere goes to the user's browser.
#include <windows.h>
#include <oleauto.h>

#include <functional>
#include <string>

#include "app/win32/ComObject.h"

namespace app::win {

// Hands an http(s) address, already made safe for it, to the user's browser.
void OpenInUsersBrowser(const std::string& url);

// What the view does about a main frame that a server's redirect took off
// the portal (the control announces no redirect before it lands).
enum class StrayLanding {
    BackToPortal, // load the portal again
    GiveUp,       // the portal's own load led away again: say so instead
};

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class TBrowserEvents final : public TDispatchBase<TBrowserEvents, IDispatch> {
public:
    using Opener = std::function<void(const std::string& url)>;
    using GestureProbe = std::function<bool()>;
    using StrayHandler = std::function<void(StrayLanding)>;

    // topBrowser: the control; navigations it reports for itself are its main
    // frame's. userActing: whether the user's own click or key is being
    // handled right now. open: where addresses for the user's browser go.
    // stray: told when the main frame has landed on a web page off the portal.
    static ComPtr<TBrowserEvents> Create(IUnknown* topBrowser, std::string loadingPageUrl, GestureProbe userActing,
                                         Opener open, StrayHandler stray = nullptr);

    // A load of the main frame failed, or ended away from the portal, since
    // it last set off for the portal.
    bool LeftPortal() const { return leftPortal_; }
    // The view is going away: nothing more is opened or asked.
    void Disconnect() noexcept;

    static bool Answers(REFIID riid);
    // IDispatch
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                     UINT*) override;

private:
    template <typename T, typename... Args>
    friend ComPtr<T> MakeComObject(Args&&... args);
    friend class TComBase<TBrowserEvents, IDispatch>;
    TBrowserEvents(IUnknown* topBrowser, std::string loadingPageUrl, GestureProbe userActing, Opener open,
                   StrayHandler stray);
    ~TBrowserEvents() = default;

    void BeforeNavigate2(const DISPPARAMS& params);
    void NewWindow3(const DISPPARAMS& params);
    void NavigateComplete2(const DISPPARAMS& params);
    void NavigateError(const DISPPARAMS& params);
    void FileDownload(const DISPPARAMS& params); // refused: nothing is saved or run
    bool IsMainFrame(const VARIANT* browser) const;

    IUnknown* top_; // only compared: the control holds this sink, not the other way round
    std::string loadingPageUrl_;
    GestureProbe userActing_;
    Opener open_;
    StrayHandler stray_;
    bool leftPortal_ = false;
    bool returning_ = false; // sent back to the portal, not landed there yet
};
#pragma GCC diagnostic pop

} // namespace app::win
