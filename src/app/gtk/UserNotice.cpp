#include "app/gtk/UserNotice.h"

#include <glib/gi18n.h>
#include <gtk/gtk.h>

#include "platform/Dispatcher.h"
#include "ui/gtk/GtkPtr.h"

namespace app::gtk {
namespace {

constexpr const char* kIconName = "pictavo";
constexpr const char* kIconResource = "/com/brisvane/Pictavo/icons/48x48/pictavo.png";

// A notification server outside the process finds an installed icon by its
// file; from a build tree the picture itself travels (where the server
// takes pictures at all).
ui::gtk::GObjectPtr<GIcon> NoticeIcon()
{
    if (GtkIconTheme* theme = gtk_icon_theme_get_default()) {
        const ui::gtk::GObjectPtr<GtkIconInfo> info(
            gtk_icon_theme_lookup_icon(theme, kIconName, 48, GTK_ICON_LOOKUP_NO_SVG));
        const char* file = info ? gtk_icon_info_get_filename(info.get()) : nullptr;
        if (file && file[0] == '/') {
            const ui::gtk::GObjectPtr<GFile> path(g_file_new_for_path(file));
            return ui::gtk::GObjectPtr<GIcon>(g_file_icon_new(path.get()));
        }
    }
    if (GBytes* bytes = g_resources_lookup_data(kIconResource, G_RESOURCE_LOOKUP_FLAGS_NONE, nullptr)) {
        ui::gtk::GObjectPtr<GIcon> icon(g_bytes_icon_new(bytes));
        g_bytes_unref(bytes);
        return icon;
    }
    return ui::gtk::GObjectPtr<GIcon>(g_themed_icon_new(kIconName));
}

} // namespace

void TUserNotice::Show(const std::string& id, const std::string& title, const std::string& body) const
{
    const ui::gtk::GObjectPtr<GNotification> notice(g_notification_new(title.c_str()));
    g_notification_set_body(notice.get(), body.c_str());
    if (const auto icon = NoticeIcon())
        g_notification_set_icon(notice.get(), icon.get());
    g_application_send_notification(App_, id.c_str(), notice.get());
}

void TUserNotice::ShowPickFailure(const engine::PickFailure& failure) const
{
    // Worded here, on the worker's side: the hand-over carries plain text.
    const std::string title = PickFailureTitle();
    const std::string body = PickFailureText(failure);
    platform::RunOnMainThread([&] { Show("pick-failed", title, body); });
}

std::string PickFailureTitle()
{
    return _("The wallpaper was not changed");
}

std::string PickFailureText(const engine::PickFailure& failure)
{
    using engine::PickFailureCause;
    switch (failure.cause) {
    case PickFailureCause::DiskFull:
        return _("The disk of the wallpaper folder is full. Free some space and pick the picture again.");
    case PickFailureCause::FolderNotWritable:
        return _("The wallpaper folder cannot be written. Choose another folder in the settings.");
    case PickFailureCause::NotAPicture:
        return _("What the portal sent is not a picture.");
    case PickFailureCause::ServerAnswer: {
        const ui::gtk::GCharPtr text(g_strdup_printf(_("The portal answered with an error (HTTP %d)."),
                                                     failure.httpStatus));
        return text.get();
    }
    case PickFailureCause::TimedOut:
        return _("The portal stopped answering. Try again later.");
    case PickFailureCause::Unreachable:
        return _("The portal could not be reached. Check the network connection.");
    case PickFailureCause::TooLarge:
        return _("The picture is too large to download.");
    case PickFailureCause::Refused:
        return _("The portal asked for something that is not a picture to download.");
    case PickFailureCause::Other:
        break;
    }
    return _("The picture could not be downloaded.");
}

} // namespace app::gtk
