#pragma once
// The settings dialog's wallpaper change intervals: list index <-> minutes.
// The same table serves both directions and both editions.
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace ui {

struct IntervalItem {
    std::uint32_t minutes;
    std::string_view caption; // the program's own text (UTF-8)
};

inline constexpr std::array<IntervalItem, 16> IntervalTable {{
    {0, "从不"},
    {1, "1 分钟"},
    {2, "2 分钟"},
    {3, "3 分钟"},
    {5, "5 分钟"},
    {10, "10 分钟"},
    {15, "15 分钟"},
    {20, "20 分钟"},
    {25, "25 分钟"},
    {30, "30 分钟"},
    {45, "45 分钟"},
    {60, "1 小时"},
    {120, "2 小时"},
    {180, "3 小时"},
    {240, "4 小时"},
    {300, "5 小时"},
}};

// The item showing `minutes`; a value not in the table shows the first item.
int IntervalIndexOf(std::uint32_t minutes);

// The minutes of item `index`; none when no item (or no valid item) is selected.
std::optional<std::uint32_t> IntervalMinutesAt(int index);

} // namespace ui
