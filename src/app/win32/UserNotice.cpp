#include "app/win32/UserNotice.h"


#include "ui/win32/Texts.h"

namespace app {
namespace {

// Copies text into a fixed field, cut to fit with its terminating NUL.
template <std::size_t N>
void CopyField(wchar_t (&field)[N], const std::wstring& text)
{
    const std::size_t n = text.size() < N ? text.size() : N - 1;
    text.copy(field, n);
    field[n] = L'\0';
}

UINT PickFailureTextId(engine::PickFailureCause cause)
{
    using engine::PickFailureCause;
    switch (cause) {
    case PickFailureCause::DiskFull:
        return IDS_PICK_DISK_FULL;
    case PickFailureCause::FolderNotWritable:
        return IDS_PICK_FOLDER_NOT_WRITABLE;
    case PickFailureCause::NotAPicture:
        return IDS_PICK_NOT_A_PICTURE;
    case PickFailureCause::ServerAnswer:
        return IDS_PICK_SERVER_ANSWER;
    case PickFailureCause::TimedOut:
        return IDS_PICK_TIMED_OUT;
    case PickFailureCause::Unreachable:
        return IDS_PICK_UNREACHABLE;
    case PickFailureCause::TooLarge:
        return IDS_PICK_TOO_LARGE;
    case PickFailureCause::Refused:
        return IDS_PICK_REFUSED;
    case PickFailureCause::Other:
        break;
    }
    return IDS_PICK_OTHER;
}

} // namespace

TUserNotice::TUserNotice(HWND owner, UINT trayId, NotifyIconFn notifyIcon, std::function<bool()> trayShown,
                         LANGID language)
    : Owner_(owner), TrayId_(trayId), NotifyIcon_(std::move(notifyIcon)), TrayShown_(std::move(trayShown)),
      Language_(language)
{
}

void TUserNotice::Show(const std::wstring& title, const std::wstring& body)
{
    if (TrayShown_ && TrayShown_() && NotifyIcon_) {
        NOTIFYICONDATAW data {};
        data.cbSize = sizeof(data);
        data.hWnd = Owner_;
        data.uID = TrayId_;
        data.uFlags = NIF_INFO;
        CopyField(data.szInfoTitle, title);
        CopyField(data.szInfo, body);
        data.dwInfoFlags = NIIF_WARNING;
        if (NotifyIcon_(NIM_MODIFY, &data))
            return;
    }
    // No tray to speak from: the user must still learn of it.
    ::MessageBoxW(Owner_, body.c_str(), title.c_str(), MB_OK | MB_ICONWARNING | MB_SETFOREGROUND);
}

void TUserNotice::Post(std::wstring title, std::wstring body)
{
    {
        std::lock_guard guard(Lock_);
        Queue_.emplace_back(std::move(title), std::move(body));
    }
    ::PostMessageW(Owner_, kNoticeMessage, 0, 0);
}

void TUserNotice::ShowPickFailure(const engine::PickFailure& failure)
{
    Post(ui::LoadText(IDS_PICK_FAILED, Language_), PickFailureText(failure, Language_));
}

void TUserNotice::ShowQueued()
{
    // A message box runs a loop of its own, which may bring this message again.
    if (Showing_)
        return;
    Showing_ = true;
    for (;;) {
        std::pair<std::wstring, std::wstring> next;
        {
            std::lock_guard guard(Lock_);
            if (Queue_.empty())
                break;
            // Only the newest counts, as a newer notification replaces an
            // older one: a page that fails many picks raises one box at a time.
            next = std::move(Queue_.back());
            Queue_.clear();
        }
        Show(next.first, next.second);
    }
    Showing_ = false;
}

std::wstring PickFailureText(const engine::PickFailure& failure, LANGID language)
{
    const std::wstring text = ui::LoadText(PickFailureTextId(failure.cause), language);
    if (failure.cause != engine::PickFailureCause::ServerAnswer)
        return text;
    std::wstring line = text;
    if (const auto at = line.find(L"%d"); at != std::wstring::npos)
        line.replace(at, 2, std::to_wstring(failure.httpStatus));
    return line;
}

} // namespace app
