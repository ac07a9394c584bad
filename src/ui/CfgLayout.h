#pragma once
// Where the settings dialog's controls go. The designed places are anchors:
// a control whose text needs more room than designed (another language, a
// larger font) grows, pushes what stands to its right or below it, and the
// dialog grows with them, so no text is cut or covered.
#include <array>
#include <cstddef>

namespace ui {

struct TSize {
    int width = 0;
    int height = 0;
};

struct TRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int Right() const { return left + width; }
    int Bottom() const { return top + height; }
};

// The dialog's controls, in the form file's order.
enum class CfgControl : std::size_t {
    BtnClose, Label1, Label2, CheckBox1, CheckBox2, Edit1, Button1, Button2, Button3, ComboBox1,
};
inline constexpr std::size_t kCfgControls = 10;

template <typename T>
using CfgControlArray = std::array<T, kCfgControls>;

struct TCfgLayout {
    TSize form;
    CfgControlArray<TRect> controls;
    const TRect& operator[](CfgControl c) const { return controls[static_cast<std::size_t>(c)]; }
};

// natural: the size each control needs to show its whole text (index by
// CfgControl). The folder text is display only; it takes the width left
// beside its button.
TCfgLayout LayOutFormCfg(const CfgControlArray<TSize>& natural);

} // namespace ui
