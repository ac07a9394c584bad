#include "app/win32/FileChooserRefusal.h"

#include <algorithm>
#include <vector>

namespace app::win {

namespace {

// The hosts guarded on this thread. A hook is called without context, so
// this is how it finds them; each view adds and removes its own.
thread_local std::vector<HWND> tGuardedHosts;

bool IsDialogClass(LPCWSTR className)
{
    // A class given by atom: #32770 is atom 0x8002.
    if (IS_INTRESOURCE(className))
        return reinterpret_cast<ULONG_PTR>(className) == 0x8002;
    return ::lstrcmpiW(className, L"#32770") == 0;
}

// The owner arrives as the control gave it, or already as the top-level
// window the system makes of it: the one the view is in.
bool FromGuardedHost(HWND owner)
{
    return owner && std::any_of(tGuardedHosts.begin(), tGuardedHosts.end(), [owner](HWND host) {
               return owner == host || ::IsChild(host, owner) || owner == ::GetAncestor(host, GA_ROOT);
           });
}

// The Open and Save As dialogs (and Print) are made from comdlg32's own
// templates. The control's alerts, the program's message boxes and its
// folder browser are not, and still open over the same window.
bool IsCommonDialog(const CREATESTRUCTW& create)
{
    const HMODULE common = ::GetModuleHandleW(L"comdlg32.dll");
    return common && create.hInstance == common && IsDialogClass(create.lpszClass);
}

} // namespace

TFileChooserRefusal::TFileChooserRefusal(HWND host) : host_(host)
{
    tGuardedHosts.push_back(host_);
    hook_ = ::SetWindowsHookExW(WH_CBT, &TFileChooserRefusal::Hook, nullptr, ::GetCurrentThreadId());
}

TFileChooserRefusal::~TFileChooserRefusal()
{
    if (hook_)
        ::UnhookWindowsHookEx(hook_);
    const auto own = std::find(tGuardedHosts.begin(), tGuardedHosts.end(), host_);
    if (own != tGuardedHosts.end())
        tGuardedHosts.erase(own);
}

LRESULT CALLBACK TFileChooserRefusal::Hook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        const CREATESTRUCTW& create = *reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs;
        // Nonzero cancels the window, so the dialog call fails as if dismissed.
        if (IsCommonDialog(create) && FromGuardedHost(create.hwndParent))
            return 1;
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace app::win
