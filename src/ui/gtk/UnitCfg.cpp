#include "ui/gtk/UnitCfg.h"

#include <glib/gi18n.h>

#include <array>
#include <utility>

#include "config/uAppConfig.h"
#include "config/uIniFiles.h"
#include "platform/FileSystem.h"
#include "ui/CfgLayout.h"
#include "ui/IntervalTable.h"
#include "ui/gtk/Autostart.h"
#include "ui/gtk/Chrome.h"
#include "util/uCommonFunction.h"

namespace ui::gtk {
namespace {

// The interval items in English; their translations are the table's captions.
constexpr std::array<const char*, IntervalTable.size()> kIntervalTexts {
    N_("Never"),    N_("1 minute"),   N_("2 minutes"),  N_("3 minutes"),  N_("5 minutes"),  N_("10 minutes"),
    N_("15 minutes"), N_("20 minutes"), N_("25 minutes"), N_("30 minutes"), N_("45 minutes"), N_("1 hour"),
    N_("2 hours"),  N_("3 hours"),    N_("4 hours"),    N_("5 hours"),
};

// A label that swallows presses, so only the dialog's background drags it.
GtkWidget* PutLabel(GtkFixed* fixed, const char* text)
{
    GtkWidget* box = gtk_event_box_new();
    gtk_event_box_set_visible_window(GTK_EVENT_BOX(box), FALSE);
    g_signal_connect(box, "button-press-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer) { return TRUE; }),
                     nullptr);
    GtkWidget* label = gtk_label_new(text);
    gtk_label_set_xalign(GTK_LABEL(label), 0);
    gtk_container_add(GTK_CONTAINER(box), label);
    gtk_fixed_put(fixed, box, 0, 0);
    return label;
}

GtkWidget* Put(GtkFixed* fixed, GtkWidget* w)
{
    gtk_fixed_put(fixed, w, 0, 0);
    return w;
}

} // namespace

TFormCfg::TFormCfg(GtkWindow* owner, std::function<void()> sendStatus)
    : AutostartProgram(AutostartProgramPath()), SendStatus_(std::move(sendStatus)),
      Window_(gtk_window_new(GTK_WINDOW_TOPLEVEL))
{
    InstallStyle();
    GtkWindow* win = Window();
    gtk_window_set_title(win, _("Settings"));
    MakeBorderless(win);
    gtk_window_set_resizable(win, FALSE);
    gtk_window_set_modal(win, TRUE);
    gtk_window_set_transient_for(win, owner);
    gtk_window_set_position(win, GTK_WIN_POS_CENTER_ON_PARENT);
    gtk_window_set_skip_taskbar_hint(win, TRUE);
    gtk_window_set_type_hint(win, GDK_WINDOW_TYPE_HINT_DIALOG);
    gtk_style_context_add_class(gtk_widget_get_style_context(Window_.get()), "pictavo-form");
    gtk_widget_set_app_paintable(Window_.get(), TRUE);
    gtk_widget_add_events(Window_.get(), GDK_BUTTON_PRESS_MASK);
    g_signal_connect(Window_.get(), "draw", G_CALLBACK(+[](GtkWidget* w, cairo_t* cr, gpointer) {
                         PaintChrome(w, cr, gtk_window_get_title(GTK_WINDOW(w)));
                         // Without a compositor there is no drop shadow: a thin
                         // edge keeps the dialog apart from the window beneath.
                         cairo_set_source_rgb(cr, 0.62, 0.64, 0.67);
                         cairo_set_line_width(cr, 1);
                         cairo_rectangle(cr, 0.5, 0.5, gtk_widget_get_allocated_width(w) - 1,
                                         gtk_widget_get_allocated_height(w) - 1);
                         cairo_stroke(cr);
                         return FALSE;
                     }),
                     nullptr);
    g_signal_connect(Window_.get(), "button-press-event", G_CALLBACK(MoveOnLeftPress), nullptr);
    // A close request from outside (the window manager, Alt+F4) is a cancel.
    g_signal_connect(Window_.get(), "delete-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer self) {
                         static_cast<TFormCfg*>(self)->BtnCloseClick();
                         return TRUE;
                     }),
                     this);

    auto* fixed = GTK_FIXED(gtk_fixed_new());
    Fixed_ = fixed;
    gtk_container_add(GTK_CONTAINER(win), GTK_WIDGET(fixed));

    Put(fixed, BtnClose.Widget());
    BtnClose.SetAccessibleName(_("Close"));
    BtnClose.OnClick = [this] { BtnCloseClick(); };
    Label1 = PutLabel(fixed, _("Wallpaper download folder"));
    Label2 = PutLabel(fixed, _("Auto change: "));
    CheckBox1 = Put(fixed, gtk_check_button_new_with_label(_("Start Pictavo with the system")));
    CheckBox2 = Put(fixed, gtk_check_button_new_with_label(_("Update to the newest version")));
    Edit1 = Put(fixed, gtk_entry_new());
    gtk_widget_set_sensitive(Edit1, FALSE);
    // Display only: its width comes from the layout, not from its text.
    gtk_entry_set_width_chars(GTK_ENTRY(Edit1), 1);
    Button1 = Put(fixed, gtk_button_new_with_label(_("Browse...")));
    Button2 = Put(fixed, gtk_button_new_with_label(_("Cancel")));
    Button3 = Put(fixed, gtk_button_new_with_label(_("OK")));
    ComboBox1 = Put(fixed, gtk_combo_box_text_new());
    for (const char* text : kIntervalTexts)
        gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(ComboBox1), _(text));
    g_signal_connect_swapped(Button1, "clicked", G_CALLBACK(+[](TFormCfg* self) { self->Button1Click(); }), this);
    g_signal_connect_swapped(Button2, "clicked", G_CALLBACK(+[](TFormCfg* self) { self->Button2Click(); }), this);
    g_signal_connect_swapped(Button3, "clicked", G_CALLBACK(+[](TFormCfg* self) { self->Button3Click(); }), this);

    // Tab follows the designed order rather than the reading order; the
    // replacement API (GTK 4) does not exist in GTK 3.
    GList* chain = nullptr;
    for (GtkWidget* w : {CheckBox1, CheckBox2, Button1, Edit1, Button3, Button2, ComboBox1, BtnClose.Widget()})
        chain = g_list_append(chain, w);
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    gtk_container_set_focus_chain(GTK_CONTAINER(fixed), chain);
    G_GNUC_END_IGNORE_DEPRECATIONS
    g_list_free(chain);

    // Enter confirms; no button answers Esc.
    gtk_widget_set_can_default(Button3, TRUE);
    gtk_window_set_default(win, Button3);
    gtk_widget_set_can_focus(Edit1, FALSE);
    gtk_widget_show_all(GTK_WIDGET(fixed));

    FormCreate();
    // Laid out when shown: measuring the controls now would load the theme's
    // icons (and an SVG renderer) for a dialog most runs never open.

    // Another font or resolution while the program runs.
    g_signal_connect_swapped(Window_.get(), "style-updated", G_CALLBACK(+[](TFormCfg* self) { self->LayOut(); }),
                             this);
}

TFormCfg::~TFormCfg() = default;

void TFormCfg::FormCreate()
{
    BtnClose.LoadSkin("btn_close");
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(CheckBox1), AppConfig->AutoRun());
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(CheckBox2), AppConfig->AutoUpdate());
    gtk_entry_set_text(GTK_ENTRY(Edit1), AppConfig->WallPaperDir().c_str());
    gtk_combo_box_set_active(GTK_COMBO_BOX(ComboBox1), IntervalIndexOf(AppConfig->ChangeTime()));
}

void TFormCfg::LayOut()
{
    const CfgControlArray<GtkWidget*> placed {BtnClose.Widget(), gtk_widget_get_parent(Label1),
                                              gtk_widget_get_parent(Label2), CheckBox1, CheckBox2, Edit1,
                                              Button1, Button2, Button3, ComboBox1};
    CfgControlArray<TSize> natural;
    for (std::size_t i = 0; i < kCfgControls; ++i) {
        // The skin button's size is its frame; the others measure afresh.
        if (placed[i] != BtnClose.Widget())
            gtk_widget_set_size_request(placed[i], -1, -1);
        GtkRequisition size {};
        gtk_widget_get_preferred_size(placed[i], nullptr, &size);
        natural[i] = {size.width, size.height};
    }
    const TCfgLayout layout = LayOutFormCfg(natural);
    for (std::size_t i = 0; i < kCfgControls; ++i) {
        const TRect& r = layout.controls[i];
        gtk_widget_set_size_request(placed[i], r.width, r.height);
        gtk_fixed_move(Fixed_, placed[i], r.left, r.top);
    }
    gtk_widget_set_size_request(GTK_WIDGET(Fixed_), layout.form.width, layout.form.height);
}

void TFormCfg::ShowModal()
{
    if (Visible())
        return;
    // The desktop's own settings may have turned the entry off or on since.
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(CheckBox1), ReadAutostartState() == AutostartState::On);
    LayOut();
    gtk_widget_show(Window_.get());
    gtk_window_present(Window());
    gtk_widget_grab_focus(CheckBox1);
}

bool TFormCfg::Visible() const
{
    return gtk_widget_get_visible(Window_.get());
}

void TFormCfg::Close()
{
    ErrorBox_.reset();
    gtk_widget_hide(Window_.get());
}

void TFormCfg::Button1Click()
{
    std::string path = BrowseForFolder(_("Browse for Folder"), TBrowseKind::bkFolders, true);
    if (path.empty())
        return;
    if (path.back() != platform::PathDelim)
        path += platform::PathDelim;
    if (IsFolderWritable(path))
        gtk_entry_set_text(GTK_ENTRY(Edit1), path.c_str());
    else
        ShowError(_("The chosen folder cannot be used. Please choose another one."));
}

void TFormCfg::Button2Click()
{
    Close();
}

void TFormCfg::BtnCloseClick()
{
    Close();
}

void TFormCfg::Button3Click()
{
    const bool autoRun = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(CheckBox1));
    try {
        AppConfig->SetWallPaperDir(gtk_entry_get_text(GTK_ENTRY(Edit1)));
        AppConfig->SetAutoUpdate(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(CheckBox2)));
        AppConfig->SetAutoRun(autoRun);
    } catch (const EIniFileException& e) {
        // The settings file refused the change: say so and leave the dialog open.
        ShowError(e.what());
        return;
    }
    if (!SyncAutostart(autoRun, AutostartProgram))
        ShowError(std::string(_("Could not change the autostart entry ")) + AutostartEntryPath());
    if (SendStatus_)
        SendStatus_();
    if (const auto minutes = IntervalMinutesAt(gtk_combo_box_get_active(GTK_COMBO_BOX(ComboBox1)))) {
        try {
            AppConfig->SetChangeTime(*minutes);
        } catch (const EIniFileException& e) {
            ShowError(e.what());
            return;
        }
    }
    if (!ErrorBox_)
        Close();
}

void TFormCfg::ShowError(const std::string& text)
{
    ErrorBox_.reset(gtk_message_dialog_new(Window(), GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR, GTK_BUTTONS_OK, "%s",
                                           text.c_str()));
    gtk_window_set_title(GTK_WINDOW(ErrorBox_.get()), gtk_window_get_title(Window()));
    g_signal_connect(ErrorBox_.get(), "response", G_CALLBACK(+[](GtkDialog*, gint, gpointer self) {
                         static_cast<TFormCfg*>(self)->ErrorBox_.reset();
                     }),
                     this);
    gtk_widget_show(ErrorBox_.get());
}

} // namespace ui::gtk
