#include "ui/win32/UnitCfg.h"

#include <algorithm>
#include <exception>
#include <vector>

#include "config/uAppConfig.h"
#include "platform/DebugOutput.h"
#include "platform/win32/WinText.h"
#include "ui/IntervalTable.h"
#include "ui/win32/DialogLayout.h"
#include "ui/win32/Scaled.h"
#include "util/uCommonFunction.h"

namespace ui {

using platform::win::Narrow;
using platform::win::Wide;

namespace {

constexpr const wchar_t* kClassName = L"TFormCfg";
// Every place and size in pixels at 96 dpi.
constexpr int kClientWidth = 442, kClientHeight = 259;
constexpr int kCloseButtonLeft = 415, kCloseButtonWidth = 21, kCloseButtonHeight = 26;
// Room beside a text: a check box's box, a push button's or a list's frame,
// and the last glyph's ink past its advance (Tahoma's "r").
constexpr int kCheckGap = 6, kButtonPadding = 16, kListPadding = 8, kInkOverhang = 2;
// A drop-down list's window height is that of its open list.
constexpr int kOpenListHeight = 21 + 16 * 16;

enum : int { idCheckBox1 = 101, idCheckBox2, idButton1, idEdit1, idButton3, idButton2, idComboBox1, idLabel1, idLabel2 };

std::wstring WindowText(HWND window)
{
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

bool Ticked(HWND checkBox)
{
    return ::SendMessageW(checkBox, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

} // namespace

TFormCfg::TFormCfg(HWND owner, std::function<void()> sendStatus, LANGID language)
    : BtnClose(nullptr), Owner_(owner), Language_(language), Caption_(LoadText(IDS_SETTINGS, language)),
      SendStatus_(std::move(sendStatus)), Background_(::CreateSolidBrush(kFormColor))
{
    RegisterFormClass(kClassName, FormWindowProc<TFormCfg>, false);
    // Shown over its owner, so drawn at the owner's DPI.
    Dpi_ = owner ? WindowDpi(owner) : DpiAt({0, 0});
    Font_.reset(CreateFormFont(Dpi_));
    Handle_ = ::CreateWindowExW(0, kClassName, Caption_.c_str(), WS_POPUP | WS_CLIPCHILDREN, 0, 0,
                                Scaled(kClientWidth, Dpi_), Scaled(kClientHeight, Dpi_), owner, nullptr,
                                ::GetModuleHandleW(nullptr), this);
    if (!Handle_)
        throw std::runtime_error("The settings window could not be created");
    BtnClose.SetParentWindow(Handle_);
    Router_.SetParentWindow(Handle_);
    Router_.Add(BtnClose);
    try {
        CreateComponents();
        FormCreate();
    } catch (...) {
        ::DestroyWindow(Handle_);
        throw;
    }
}

TFormCfg::~TFormCfg()
{
    if (Handle_)
        ::DestroyWindow(Handle_);
}

void TFormCfg::CreateComponents()
{
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    const auto make = [&](const wchar_t* cls, UINT text, DWORD style, RECT designed, int id) {
        const HWND child = ::CreateWindowExW(0, cls, text ? LoadText(text, Language_).c_str() : L"",
                                             WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, Handle_,
                                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
        Designed_.push_back({child, designed});
        return child;
    };
    // Created in tab order, with their designed places; the labels take no focus.
    CheckBox1 = make(L"BUTTON", IDS_START_WITH_SYSTEM, BS_AUTOCHECKBOX | WS_TABSTOP, {32, 64, 161, 81}, idCheckBox1);
    CheckBox2 = make(L"BUTTON", IDS_UPDATE, BS_AUTOCHECKBOX | WS_TABSTOP, {32, 96, 161, 113}, idCheckBox2);
    Button1 = make(L"BUTTON", IDS_BROWSE, BS_PUSHBUTTON | WS_TABSTOP, {344, 166, 409, 191}, idButton1);
    Edit1 = make(L"EDIT", 0, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP | WS_DISABLED, {32, 168, 338, 189}, idEdit1);
    Button3 = make(L"BUTTON", IDS_OK, BS_DEFPUSHBUTTON | WS_TABSTOP, {263, 216, 338, 241}, idButton3);
    Button2 = make(L"BUTTON", IDS_CANCEL, BS_PUSHBUTTON | WS_TABSTOP, {344, 216, 419, 241}, idButton2);
    ComboBox1 = make(L"COMBOBOX", 0, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, {266, 62, 330, 83}, idComboBox1);
    Label1 = make(L"STATIC", IDS_DOWNLOAD_FOLDER, SS_LEFT, {32, 136, 104, 149}, idLabel1);
    Label2 = make(L"STATIC", IDS_AUTO_CHANGE, SS_LEFT, {193, 65, 260, 78}, idLabel2);
    for (UINT i = 0; i < IntervalTable.size(); ++i)
        ::SendMessageW(ComboBox1, CB_ADDSTRING, 0,
                       reinterpret_cast<LPARAM>(LoadText(IDS_INTERVAL_FIRST + i, Language_).c_str()));
    LayOut();
}

void TFormCfg::ApplyDpi(int dpi)
{
    Dpi_ = dpi;
    Font_.reset(CreateFormFont(dpi));
    LayOut();
    ::InvalidateRect(Handle_, nullptr, TRUE);
}

void TFormCfg::LayOut()
{
    const int dpi = Dpi_;
    const auto s = [dpi](int v) { return Scaled(v, dpi); };
    for (const auto& [control, r] : Designed_)
        ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(Font_.get()), FALSE);
    const auto designed = [&](HWND control) {
        for (const auto& [c, r] : Designed_)
            if (c == control)
                return RECT {s(r.left), s(r.top), s(r.right), s(r.bottom)};
        return RECT {};
    };
    const auto own = [&](HWND control) { return TextWidth(control, WindowText(control)) + s(kInkOverhang); };
    int longestItem = 0;
    for (UINT i = 0; i < IntervalTable.size(); ++i)
        longestItem = std::max(longestItem, TextWidth(ComboBox1, LoadText(IDS_INTERVAL_FIRST + i, Language_)));
    const int box = MetricForDpi(SM_CXMENUCHECK, dpi) + s(kCheckGap);
    const std::vector<std::pair<HWND, int>> needs {
        {CheckBox1, own(CheckBox1) + box},
        {CheckBox2, own(CheckBox2) + box},
        {Label1, own(Label1)},
        {Label2, own(Label2)},
        {ComboBox1, longestItem + MetricForDpi(SM_CXVSCROLL, dpi) + s(kListPadding)},
        {Edit1, 0},
        {Button1, own(Button1) + s(kButtonPadding)},
        {Button3, own(Button3) + s(kButtonPadding)},
        {Button2, own(Button2) + s(kButtonPadding)},
    };
    std::vector<TLaidOut> layout;
    for (const auto& [control, need] : needs)
        layout.push_back({designed(control), need});
    const int width = LayOutFromAnchors(layout, s(kClientWidth));
    for (std::size_t i = 0; i < needs.size(); ++i) {
        const RECT& at = layout[i].at;
        const HWND control = needs[i].first;
        // The list's window answers its closed size, and is sized by its open one.
        ::MoveWindow(control, at.left, at.top, at.right - at.left,
                     control == ComboBox1 ? s(kOpenListHeight) : at.bottom - at.top, FALSE);
    }
    // The close button keeps to the top right corner.
    ::SetWindowPos(Handle_, nullptr, 0, 0, width, s(kClientHeight), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    BtnClose.SetBounds(width - s(kClientWidth - kCloseButtonLeft), 0, s(kCloseButtonWidth), s(kCloseButtonHeight));
    if (BtnClose.HasImage())
        BtnClose.LoadSkin(L"btn_close", dpi);
}

void TFormCfg::FormCreate()
{
    // The class style, so every window of the class casts the shadow.
    const auto style = static_cast<LONG>(::GetClassLongW(Handle_, GCL_STYLE));
    ::SetClassLongW(Handle_, GCL_STYLE, style | CS_DROPSHADOW);
    BtnClose.LoadSkin(L"btn_close", Dpi_);
    BtnClose.OnClick = [this] { BtnCloseClick(); };
    BtnClose.AccessibleName = LoadText(IDS_CLOSE, Language_);
    Router_.PressAction = LoadText(IDS_PRESS, Language_);
    ::SendMessageW(CheckBox1, BM_SETCHECK, AppConfig->AutoRun() ? BST_CHECKED : BST_UNCHECKED, 0);
    ::SendMessageW(CheckBox2, BM_SETCHECK, AppConfig->AutoUpdate() ? BST_CHECKED : BST_UNCHECKED, 0);
    ::SetWindowTextW(Edit1, Wide(AppConfig->WallPaperDir()).c_str());
    ::SendMessageW(ComboBox1, CB_SETCURSEL, static_cast<WPARAM>(IntervalIndexOf(AppConfig->ChangeTime())), 0);
}

void TFormCfg::ShowModal()
{
    if (Visible())
        return;
    // The owner may have moved to a monitor of another scale meanwhile.
    if (Owner_)
        if (const int dpi = WindowDpi(Owner_); dpi != Dpi_)
            ApplyDpi(dpi);
    RECT owner {}, self {};
    if (Owner_ && ::GetWindowRect(Owner_, &owner)) {
        ::GetWindowRect(Handle_, &self);
        const int w = self.right - self.left, h = self.bottom - self.top;
        ::SetWindowPos(Handle_, nullptr, owner.left + (owner.right - owner.left - w) / 2,
                       owner.top + (owner.bottom - owner.top - h) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
    const bool ownerWasEnabled = Owner_ && ::IsWindowEnabled(Owner_);
    if (ownerWasEnabled)
        ::EnableWindow(Owner_, FALSE);
    ModalDone_ = false;
    ::ShowWindow(Handle_, SW_SHOW);
    ::SetForegroundWindow(Handle_);
    ::SetFocus(CheckBox1);

    MSG msg {};
    while (!ModalDone_) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            // The program is ending: leave the quit for the outer loop.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (!::IsDialogMessageW(Handle_, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    // The owner comes back before the dialog goes, so it keeps the activation.
    if (ownerWasEnabled)
        ::EnableWindow(Owner_, TRUE);
    ::ShowWindow(Handle_, SW_HIDE);
    ModalDone_ = true;
}

void TFormCfg::Close()
{
    ModalDone_ = true;
    // Wakes the modal loop should it be waiting for a message.
    ::PostMessageW(Handle_, WM_NULL, 0, 0);
}

void TFormCfg::Button1Click()
{
    std::string path = BrowseForFolder(Narrow(LoadText(IDS_BROWSE_TITLE, Language_)), TBrowseKind::bkFolders, true);
    if (path.empty())
        return;
    if (path.back() != '\\')
        path += '\\';
    if (IsFolderWritable(path))
        ::SetWindowTextW(Edit1, Wide(path).c_str());
    else
        ::MessageBoxW(Handle_, LoadText(IDS_FOLDER_UNUSABLE, Language_).c_str(), Caption_.c_str(),
                      MB_OK | MB_ICONERROR);
}

void TFormCfg::Button3Click()
{
    try {
        AppConfig->SetWallPaperDir(Narrow(WindowText(Edit1)));
        AppConfig->SetAutoUpdate(Ticked(CheckBox2));
        AppConfig->SetAutoRun(Ticked(CheckBox1));
        // The record carries AutoUpdate and AutoRun as just set.
        if (SendStatus_)
            SendStatus_();
        const int index = static_cast<int>(::SendMessageW(ComboBox1, CB_GETCURSEL, 0, 0));
        if (const auto minutes = IntervalMinutesAt(index))
            AppConfig->SetChangeTime(*minutes);
    } catch (const std::exception& e) {
        // Config.ini could not be written: say so and stay open, so nothing
        // the user chose is lost without notice.
        ::MessageBoxW(Handle_, Wide(e.what()).c_str(), Caption_.c_str(), MB_OK | MB_ICONERROR);
        return;
    }
    Close();
}

void TFormCfg::Button2Click()
{
    Close();
}

void TFormCfg::BtnCloseClick()
{
    Close();
}

LRESULT TFormCfg::WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (const auto answer =
            HandleFormMessage(Handle_, Router_, Font_.font(), Caption_.c_str(), Dpi_, message, wParam, lParam))
        return *answer;
    switch (message) {
    case kWmDpiChanged: {
        // The system's rectangle places it; its size comes from the layout.
        const TDpiChange change = ReadDpiChange(wParam, lParam);
        ::SetWindowPos(window, nullptr, change.suggested.left, change.suggested.top, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        try {
            ApplyDpi(change.dpi);
        } catch (const std::exception& e) {
            // Nothing may cross the window procedure; the skin keeps its last copy.
            platform::DebugOutput(e.what());
        }
        return 0;
    }
    case WM_CTLCOLORSTATIC:
        // Labels and check boxes sit on the form colour; the disabled edit
        // keeps the system's look.
        if (reinterpret_cast<HWND>(lParam) != Edit1) {
            ::SetBkColor(reinterpret_cast<HDC>(wParam), kFormColor);
            ::SetTextColor(reinterpret_cast<HDC>(wParam), ::GetSysColor(COLOR_WINDOWTEXT));
            return reinterpret_cast<LRESULT>(Background_.get());
        }
        break;
    case DM_GETDEFID:
        return MAKELRESULT(idButton3, DC_HASDEFID);
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) {
            switch (LOWORD(wParam)) {
            case idButton1: Button1Click(); return 0;
            case idButton2: Button2Click(); return 0;
            case idButton3: Button3Click(); return 0;
            default: break; // Esc (IDCANCEL) is bound to nothing
            }
        }
        return 0;
    case WM_CLOSE:
        Close();
        return 0;
    case WM_DESTROY:
        Handle_ = nullptr;
        break;
    default:
        break;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

} // namespace ui
