#pragma once
// The settings dialog: start with the system, automatic update, the wallpaper
// change interval and the download folder. Created hidden once at start-up
// (its controls take AppConfig's values then and only then), shown modally
// over the main window, kept until the program ends.
#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "ui/BrowseForFolder.h"
#include "ui/win32/FormLook.h"
#include "ui/win32/SkinBtn.h"
#include "ui/win32/Texts.h"

namespace ui {

class TFormCfg {
public:
    // owner: the main window. sendStatus: the worker's SendStatus.
    // language: the string table its texts come from.
    TFormCfg(HWND owner, std::function<void()> sendStatus, LANGID language = UserTextLanguage());
    ~TFormCfg();
    TFormCfg(const TFormCfg&) = delete;
    TFormCfg& operator=(const TFormCfg&) = delete;

    HWND Handle() const { return Handle_; }
    // The DPI the dialog is laid out and drawn at: its owner's.
    int Dpi() const { return Dpi_; }
    bool Visible() const { return ::IsWindowVisible(Handle_) != FALSE; }

    // Shows the dialog centred over its owner, which stays disabled until the
    // dialog closes; returns then.
    void ShowModal();

    // The folder chooser; tests put their own in its place.
    std::function<std::string(const std::string&, TBrowseKind, bool)> BrowseForFolder = ui::BrowseForFolder;

    // The components, for the owner's tests and the window procedure.
    HWND Label1 = nullptr, Label2 = nullptr, CheckBox1 = nullptr, CheckBox2 = nullptr, Edit1 = nullptr,
         Button1 = nullptr, Button2 = nullptr, Button3 = nullptr, ComboBox1 = nullptr;
    TSkinBtn BtnClose;

    void Button1Click();
    void Button2Click();
    void Button3Click();
    void BtnCloseClick();

private:
    friend LRESULT CALLBACK ui::FormWindowProc<TFormCfg>(HWND, UINT, WPARAM, LPARAM);
    LRESULT WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void FormCreate();
    void CreateComponents();
    void LayOut();
    void ApplyDpi(int dpi);
    void Close();

    HWND Owner_;
    LANGID Language_;
    std::wstring Caption_;
    HWND Handle_ = nullptr;
    std::function<void()> SendStatus_;
    TGdiObject Font_;
    TGdiObject Background_;
    TSkinBtnRouter Router_;
    bool ModalDone_ = true;
    int Dpi_ = 96;
    // Each control and its place in pixels at 96 dpi.
    std::vector<std::pair<HWND, RECT>> Designed_;
};

} // namespace ui
