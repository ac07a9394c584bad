#include "ui/BrowseForFolder.h"

#include <gtk/gtk.h>

#include "ui/gtk/GtkPtr.h"

namespace ui {

std::string BrowseForFolder(const std::string& title, TBrowseKind kind, bool /*newDialogStyle*/)
{
    using gtk::GCharPtr;
    using gtk::GObjectPtr;
    // GTK chooses files or folders; computers and printers have no chooser here.
    GtkFileChooserAction action = GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER;
    if (kind == TBrowseKind::bkFilesToo)
        action = GTK_FILE_CHOOSER_ACTION_OPEN;
    else if (kind != TBrowseKind::bkFolders)
        return {};

    GtkWindow* owner = nullptr;
    if (GApplication* app = g_application_get_default(); app && GTK_IS_APPLICATION(app))
        owner = gtk_application_get_active_window(GTK_APPLICATION(app));
    const GObjectPtr<GtkFileChooserNative> chooser(
        gtk_file_chooser_native_new(title.c_str(), owner, action, nullptr, nullptr));
    gtk_native_dialog_set_modal(GTK_NATIVE_DIALOG(chooser.get()), TRUE);
    if (gtk_native_dialog_run(GTK_NATIVE_DIALOG(chooser.get())) != GTK_RESPONSE_ACCEPT)
        return {};
    // A choice without a local path (a network location) is no folder we can use.
    const GCharPtr path(gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(chooser.get())));
    return path ? std::string(path.get()) : std::string();
}

} // namespace ui
