#include "ui/gtk/SkinBtn.h"

#include <gtk/gtk-a11y.h>

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "ui/gtk/Scaled.h"

namespace ui::gtk {
namespace {

constexpr const char* kButtonKey = "pictavo-skin-button";

gboolean DoAction(AtkAction* action, gint index);
gint GetNActions(AtkAction*);
const gchar* GetActionName(AtkAction*, gint index);

void ActionInit(gpointer iface, gpointer)
{
    auto* action = static_cast<AtkActionIface*>(iface);
    action->do_action = DoAction;
    action->get_n_actions = GetNActions;
    action->get_name = GetActionName;
}

// The drawing area's accessible, with the one action a push button has. A
// widget's accessible type belongs to its class, hence the two small types.
GType SkinAreaAccessibleType()
{
    static const GType type = [] {
        GTypeQuery parent {};
        g_type_query(GTK_TYPE_WIDGET_ACCESSIBLE, &parent);
        const GType t = g_type_register_static_simple(GTK_TYPE_WIDGET_ACCESSIBLE, "PictavoSkinAreaAccessible",
                                                      parent.class_size, nullptr, parent.instance_size, nullptr,
                                                      GTypeFlags {});
        static const GInterfaceInfo action {ActionInit, nullptr, nullptr};
        g_type_add_interface_static(t, ATK_TYPE_ACTION, &action);
        return t;
    }();
    return type;
}

void SkinAreaClassInit(gpointer klass, gpointer)
{
    gtk_widget_class_set_accessible_type(GTK_WIDGET_CLASS(klass), SkinAreaAccessibleType());
}

GType SkinAreaType()
{
    static const GType type = [] {
        GTypeQuery parent {};
        g_type_query(GTK_TYPE_DRAWING_AREA, &parent);
        return g_type_register_static_simple(GTK_TYPE_DRAWING_AREA, "PictavoSkinArea", parent.class_size,
                                             SkinAreaClassInit, parent.instance_size, nullptr, GTypeFlags {});
    }();
    return type;
}

gboolean ClickLater(gpointer widget)
{
    if (auto* button = static_cast<TSkinBtn*>(g_object_get_data(G_OBJECT(widget), kButtonKey)))
        button->Click();
    g_object_unref(widget);
    return G_SOURCE_REMOVE;
}

gboolean DoAction(AtkAction* action, gint index)
{
    GtkWidget* widget = gtk_accessible_get_widget(GTK_ACCESSIBLE(action));
    if (index != 0 || !widget || !gtk_widget_is_sensitive(widget))
        return FALSE;
    // Not inside the screen reader's call: a click may open a modal dialog,
    // which would keep the call from returning.
    g_idle_add(ClickLater, g_object_ref(widget));
    return TRUE;
}

gint GetNActions(AtkAction*)
{
    return 1;
}

const gchar* GetActionName(AtkAction*, gint index)
{
    return index == 0 ? "click" : nullptr;
}

bool IsPressKey(guint key)
{
    return key == GDK_KEY_space || key == GDK_KEY_KP_Space || key == GDK_KEY_Return || key == GDK_KEY_KP_Enter ||
           key == GDK_KEY_ISO_Enter;
}

} // namespace

TSkinBtn::TSkinBtn() : Widget_(RefWidget(GTK_WIDGET(g_object_new(SkinAreaType(), nullptr))))
{
    GtkWidget* w = Widget_.get();
    g_object_set_data(G_OBJECT(w), kButtonKey, this);
    gtk_widget_set_can_focus(w, TRUE);
    gtk_widget_add_events(w, GDK_ENTER_NOTIFY_MASK | GDK_LEAVE_NOTIFY_MASK | GDK_BUTTON_PRESS_MASK |
                                 GDK_BUTTON_RELEASE_MASK | GDK_KEY_PRESS_MASK | GDK_FOCUS_CHANGE_MASK);
    gtk_widget_set_size_request(w, Width_, Height_);
    g_signal_connect(w, "draw", G_CALLBACK(Draw), this);
    g_signal_connect(w, "enter-notify-event", G_CALLBACK(Crossing), this);
    g_signal_connect(w, "leave-notify-event", G_CALLBACK(Crossing), this);
    g_signal_connect(w, "button-press-event", G_CALLBACK(Press), this);
    g_signal_connect(w, "button-release-event", G_CALLBACK(Release), this);
    g_signal_connect(w, "key-press-event", G_CALLBACK(Key), this);
    // The focus ring comes and goes with the focus.
    g_signal_connect(w, "focus-in-event", G_CALLBACK(+[](GtkWidget* widget, GdkEvent*, gpointer) {
                         gtk_widget_queue_draw(widget);
                         return FALSE;
                     }), nullptr);
    g_signal_connect(w, "focus-out-event", G_CALLBACK(+[](GtkWidget* widget, GdkEvent*, gpointer) {
                         gtk_widget_queue_draw(widget);
                         return FALSE;
                     }), nullptr);
    // A drawing area by kind, a button by use: assistive technology is told so.
    atk_object_set_role(gtk_widget_get_accessible(w), ATK_ROLE_PUSH_BUTTON);
}

TSkinBtn::~TSkinBtn()
{
    // The container may keep the widget a little longer; it must not call back.
    g_signal_handlers_disconnect_by_data(Widget_.get(), this);
    g_object_set_data(G_OBJECT(Widget_.get()), kButtonKey, nullptr);
}

void TSkinBtn::LoadSkin(const std::string& name)
{
    std::string file = name;
    std::transform(file.begin(), file.end(), file.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const std::string path = "/com/brisvane/Pictavo/" + file;
    GError* raw = nullptr;
    GObjectPtr<GdkPixbuf> strip(gdk_pixbuf_new_from_resource((path + ".png").c_str(), &raw));
    const GErrorPtr error(raw);
    if (!strip)
        throw std::runtime_error("Resource " + name + " not found" +
                                 (error ? std::string(": ") + error->message : std::string()));
    // The copy for scaled screens is optional: without it the strip is scaled up.
    const GObjectPtr<GdkPixbuf> sharp(gdk_pixbuf_new_from_resource((path + "@2x.png").c_str(), nullptr));
    SetSkin(strip.get(), sharp.get());
}

void TSkinBtn::SetSkin(GdkPixbuf* strip, GdkPixbuf* strip2x)
{
    Image_.reset(GDK_PIXBUF(g_object_ref(strip)));
    Image2x_.reset(strip2x ? GDK_PIXBUF(g_object_ref(strip2x)) : nullptr);
    // A strip whose width is no multiple of three leaves its last columns unused.
    Resize(gdk_pixbuf_get_width(strip) / 3, gdk_pixbuf_get_height(strip));
}

void TSkinBtn::SetAccessibleName(const std::string& name)
{
    atk_object_set_name(gtk_widget_get_accessible(Widget_.get()), name.c_str());
}

void TSkinBtn::Resize(int width, int height)
{
    Width_ = width;
    Height_ = height;
    gtk_widget_set_size_request(Widget_.get(), width, height);
    gtk_widget_queue_draw(Widget_.get());
}

void TSkinBtn::SetState(int state)
{
    State_ = state;
    gtk_widget_queue_draw(Widget_.get());
}

void TSkinBtn::SetDown(bool value)
{
    Down_ = value;
    SetState(0);
}

void TSkinBtn::SetEnabled(bool value)
{
    Enabled_ = value;
    SetState(value ? 0 : 3);
}

void TSkinBtn::Click()
{
    if (Enabled_ && OnClick)
        OnClick();
}

gboolean TSkinBtn::Draw(GtkWidget* w, cairo_t* cr, gpointer self)
{
    auto* b = static_cast<TSkinBtn*>(self);
    if (!b->Image_)
        return FALSE;
    if (b->Down_)
        b->State_ = 2;
    // The disabled frame lies beyond the three-frame strips and so shows nothing.
    const int frame = b->State_ >= 0 && b->State_ <= 3 ? b->State_ : 0;
    const int scale = b->Image2x_ ? PixelScale(cr) : 1;
    PaintPicturePart(cr, scale == 2 ? b->Image2x_.get() : b->Image_.get(), scale, 0, 0, frame * b->Width_, b->Width_,
                     b->Height_);
    // Drawn once the keyboard is in use: a mouse user sees the frames alone.
    if (gtk_widget_has_visible_focus(w))
        gtk_render_focus(gtk_widget_get_style_context(w), cr, 0, 0, gtk_widget_get_allocated_width(w),
                         gtk_widget_get_allocated_height(w));
    return FALSE;
}

gboolean TSkinBtn::Crossing(GtkWidget*, GdkEventCrossing* e, gpointer self)
{
    auto* b = static_cast<TSkinBtn*>(self);
    // Crossings into or out of an inferior window are not the pointer coming or going.
    if (e->detail == GDK_NOTIFY_INFERIOR)
        return FALSE;
    const bool enter = e->type == GDK_ENTER_NOTIFY;
    if (b->Enabled_)
        b->SetState(enter ? 1 : 0);
    const auto& handler = enter ? b->OnMouseEnter : b->OnMouseLeave;
    if (handler)
        handler();
    return FALSE;
}

gboolean TSkinBtn::Press(GtkWidget*, GdkEventButton* e, gpointer self)
{
    auto* b = static_cast<TSkinBtn*>(self);
    if (e->button != GDK_BUTTON_PRIMARY || e->type != GDK_BUTTON_PRESS)
        return TRUE;
    if (b->Enabled_) {
        b->Pressed_ = true;
        b->SetState(2);
    }
    // Consumed either way: a press on a button never drags the window.
    return TRUE;
}

gboolean TSkinBtn::Release(GtkWidget* w, GdkEventButton* e, gpointer self)
{
    auto* b = static_cast<TSkinBtn*>(self);
    if (e->button != GDK_BUTTON_PRIMARY)
        return TRUE;
    const bool pressed = b->Pressed_;
    b->Pressed_ = false;
    if (!b->Enabled_)
        return TRUE;
    b->SetState(0);
    const bool inside = e->x >= 0 && e->y >= 0 && e->x < gtk_widget_get_allocated_width(w) &&
                        e->y < gtk_widget_get_allocated_height(w);
    if (pressed && inside && b->OnClick)
        b->OnClick();
    return TRUE;
}

gboolean TSkinBtn::Key(GtkWidget*, GdkEventKey* e, gpointer self)
{
    if (!IsPressKey(e->keyval) || (e->state & (GDK_CONTROL_MASK | GDK_MOD1_MASK)) != 0)
        return FALSE;
    static_cast<TSkinBtn*>(self)->Click();
    return TRUE;
}

} // namespace ui::gtk
