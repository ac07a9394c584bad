#pragma once
// A title-strip button drawn from a strip of three frames (normal, hover,
// pressed) of equal width, taken from the program's resources. Tab reaches
// it, Space or Enter presses it, and assistive technology can click it.
#include <gtk/gtk.h>

#include <functional>
#include <string>

#include "ui/gtk/GtkPtr.h"

namespace ui::gtk {

class TSkinBtn {
public:
    TSkinBtn();
    ~TSkinBtn();
    TSkinBtn(const TSkinBtn&) = delete;
    TSkinBtn& operator=(const TSkinBtn&) = delete;

    GtkWidget* Widget() const { return Widget_.get(); }

    // Loads the strip "<name>.png" of the program's resources (any case) and
    // sizes the button to one frame. Throws std::runtime_error when the
    // resource is missing or is no picture; the button then keeps its image.
    // "<name>@2x.png", where there is one, is drawn on scaled screens.
    void LoadSkin(const std::string& name);
    // The same from strips already decoded (tests, other sources); strip2x,
    // twice the pixels of strip, may be null.
    void SetSkin(GdkPixbuf* strip, GdkPixbuf* strip2x = nullptr);
    // What a screen reader announces for the button (a push button with a
    // "click" action).
    void SetAccessibleName(const std::string& name);
    // Clicks the button as a press and release over it would (keyboard,
    // assistive technology); a disabled button does nothing.
    void Click();

    int State() const { return State_; }
    bool Down() const { return Down_; }
    void SetDown(bool value);
    bool Enabled() const { return Enabled_; }
    void SetEnabled(bool value);
    int Width() const { return Width_; }
    int Height() const { return Height_; }

    std::function<void()> OnClick;
    std::function<void()> OnMouseEnter;
    std::function<void()> OnMouseLeave;

private:
    void SetState(int state);
    void Resize(int width, int height);
    static gboolean Draw(GtkWidget*, cairo_t* cr, gpointer self);
    static gboolean Crossing(GtkWidget*, GdkEventCrossing* e, gpointer self);
    static gboolean Press(GtkWidget*, GdkEventButton* e, gpointer self);
    static gboolean Release(GtkWidget*, GdkEventButton* e, gpointer self);
    static gboolean Key(GtkWidget*, GdkEventKey* e, gpointer self);

    GObjectPtr<GtkWidget> Widget_;
    GObjectPtr<GdkPixbuf> Image_;
    GObjectPtr<GdkPixbuf> Image2x_;
    int State_ = 0; // 0 normal, 1 hover, 2 pressed, 3 disabled
    bool Down_ = false;
    bool Enabled_ = true;
    bool Pressed_ = false; // the left button went down over the button
    int Width_ = 69;
    int Height_ = 22;
};

} // namespace ui::gtk
