#include "ui/IntervalTable.h"

namespace ui {

int IntervalIndexOf(std::uint32_t minutes)
{
    for (std::size_t i = 0; i < IntervalTable.size(); ++i)
        if (IntervalTable[i].minutes == minutes)
            return static_cast<int>(i);
    return 0;
}

std::optional<std::uint32_t> IntervalMinutesAt(int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= IntervalTable.size())
        return std::nullopt;
    return IntervalTable[static_cast<std::size_t>(index)].minutes;
}

} // namespace ui
