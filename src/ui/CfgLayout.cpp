#include "ui/CfgLayout.h"

#include <algorithm>
#include <initializer_list>

namespace ui {
namespace {

using C = CfgControl;

constexpr TSize kForm {442, 259};

// The designed places, in the form file's order.
constexpr CfgControlArray<TRect> kDesigned {{
    {415, 0, 21, 26},   // BtnClose
    {32, 136, 72, 13},  // Label1
    {193, 65, 67, 13},  // Label2
    {32, 64, 129, 17},  // CheckBox1
    {32, 96, 129, 17},  // CheckBox2
    {32, 168, 306, 21}, // Edit1
    {344, 166, 65, 25}, // Button1
    {344, 216, 75, 25}, // Button2
    {263, 216, 75, 25}, // Button3
    {266, 62, 64, 21},  // ComboBox1
}};

// Rows top to bottom; a taller row pushes the ones below it down.
constexpr std::initializer_list<C> kRows[] {
    {C::CheckBox1, C::Label2, C::ComboBox1},
    {C::CheckBox2},
    {C::Label1},
    {C::Edit1, C::Button1},
    {C::Button3, C::Button2},
};

constexpr int kTitleStrip = 27;
constexpr int kRowGap = 4;
constexpr int kLabelGap = 12;    // check box to the label beside it
constexpr int kControlGap = 6;   // label to its list, button to button
constexpr int kLeft = 32;
constexpr int kRightEdge = 23;   // the cancel button's distance from the edge
constexpr int kBottomEdge = 18;
constexpr int kMinEditWidth = 120;

std::size_t I(C c)
{
    return static_cast<std::size_t>(c);
}

} // namespace

TCfgLayout LayOutFormCfg(const CfgControlArray<TSize>& natural)
{
    TCfgLayout out;
    auto& r = out.controls;
    for (std::size_t i = 0; i < kCfgControls; ++i) {
        const TRect& d = kDesigned[i];
        r[i] = d;
        r[i].width = std::max(d.width, natural[i].width);
        r[i].height = std::max(d.height, natural[i].height);
        // Taller than designed: grown about the designed middle line, so a
        // row's label stays level with its list.
        r[i].top = d.top - (r[i].height - d.height) / 2;
    }
    r[I(C::BtnClose)] = {0, 0, natural[I(C::BtnClose)].width, natural[I(C::BtnClose)].height};

    int shift = 0;
    int above = std::max(kTitleStrip, r[I(C::BtnClose)].Bottom());
    for (const auto& row : kRows) {
        int top = r[I(*row.begin())].top;
        for (const C c : row)
            top = std::min(top, r[I(c)].top);
        shift = std::max(shift, above + kRowGap - top);
        for (const C c : row) {
            r[I(c)].top += shift;
            above = std::max(above, r[I(c)].Bottom());
        }
    }

    TRect& label2 = r[I(C::Label2)];
    TRect& combo = r[I(C::ComboBox1)];
    label2.left = std::max(label2.left, r[I(C::CheckBox1)].Right() + kLabelGap);
    combo.left = std::max(combo.left, label2.Right() + kControlGap);

    TRect& edit = r[I(C::Edit1)];
    const TRect& button1 = r[I(C::Button1)];
    const TRect& button2 = r[I(C::Button2)];
    const TRect& button3 = r[I(C::Button3)];
    const int button1Edge = kForm.width - kDesigned[I(C::Button1)].Right();
    int width = kForm.width;
    for (const C c : {C::ComboBox1, C::CheckBox2, C::Label1})
        width = std::max(width, r[I(c)].Right() + kRightEdge);
    width = std::max(width, kLeft + kMinEditWidth + kControlGap + button1.width + button1Edge);
    width = std::max(width, kLeft + button3.width + kControlGap + button2.width + kRightEdge);

    // The close button and the buttons keep their distance from the right
    // edge; the folder text takes what is left beside its button.
    const int closeEdge = kForm.width - kDesigned[I(C::BtnClose)].Right();
    r[I(C::BtnClose)].left = width - closeEdge - r[I(C::BtnClose)].width;
    r[I(C::Button1)].left = width - button1Edge - button1.width;
    r[I(C::Button2)].left = width - kRightEdge - button2.width;
    r[I(C::Button3)].left = button2.left - kControlGap - button3.width;
    edit.width = button1.left - kControlGap - edit.left;

    out.form = {width, std::max(kForm.height, above + kBottomEdge)};
    return out;
}

} // namespace ui
