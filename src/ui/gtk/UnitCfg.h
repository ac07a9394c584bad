#pragma once
// The settings dialog: start with the system, automatic update, the wallpaper
// change interval and the download folder. Created hidden once, filled from
// AppConfig at that moment only; shown modally over the main window.
#include <gtk/gtk.h>

#include <functional>
#include <string>

#include "ui/BrowseForFolder.h"
#include "ui/gtk/GtkPtr.h"
#include "ui/gtk/SkinBtn.h"

namespace ui::gtk {

class TFormCfg {
public:
    using FolderChooser = std::function<std::string(const std::string&, TBrowseKind, bool)>;

    // sendStatus reports the settings to the companion service (the worker's SendStatus).
    TFormCfg(GtkWindow* owner, std::function<void()> sendStatus);
    ~TFormCfg();
    TFormCfg(const TFormCfg&) = delete;
    TFormCfg& operator=(const TFormCfg&) = delete;

    // Shows the dialog modally over its owner; does nothing while it is shown.
    void ShowModal();
    bool Visible() const;
    GtkWindow* Window() const { return GTK_WINDOW(Window_.get()); }

    // The folder chooser and the program the autostart entry starts; tests
    // put their own in place.
    FolderChooser BrowseForFolder = ui::BrowseForFolder;
    std::string AutostartProgram;

    // Hides the dialog (and an error box over it); nothing is saved.
    void Close();

    void Button1Click(); // "Browse..."
    void Button2Click(); // "Cancel"
    void Button3Click(); // "OK"
    void BtnCloseClick();

    // The controls, by their designer names.
    TSkinBtn BtnClose;
    GtkWidget* Label1 = nullptr;
    GtkWidget* Label2 = nullptr;
    GtkWidget* CheckBox1 = nullptr;
    GtkWidget* CheckBox2 = nullptr;
    GtkWidget* Edit1 = nullptr;
    GtkWidget* Button1 = nullptr;
    GtkWidget* Button2 = nullptr;
    GtkWidget* Button3 = nullptr;
    GtkWidget* ComboBox1 = nullptr;

private:
    void FormCreate();
    // Places the controls for their texts in the current language and font.
    void LayOut();
    void ShowError(const std::string& text);

    std::function<void()> SendStatus_;
    TopLevelPtr Window_;
    GtkFixed* Fixed_ = nullptr;
    TopLevelPtr ErrorBox_;
};

} // namespace ui::gtk
