#pragma once
// A page's file input opens the system's Open dialog over the client, and the
// browser control asks its host nothing first: the view refuses the dialog
// as it is being created.
#include <windows.h>

namespace app::win {

// While it lives, a common dialog (Open, Save As, Print) owned by host, by a
// window in it or by the top-level window it is in, is never created on this
// thread: the call that raises it returns at once, as if cancelled. The
// program itself opens no common dialog over that window; the control's
// message boxes and the program's own dialogs still open.
class TFileChooserRefusal {
public:
    explicit TFileChooserRefusal(HWND host);
    ~TFileChooserRefusal();
    TFileChooserRefusal(const TFileChooserRefusal&) = delete;
    TFileChooserRefusal& operator=(const TFileChooserRefusal&) = delete;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);

    HWND host_;
    HHOOK hook_ = nullptr;
};

} // namespace app::win
