#include "ui/win32/DialogLayout.h"

#include <algorithm>
#include <numeric>

namespace ui {

namespace {

bool SameRow(const RECT& a, const RECT& b)
{
    return a.top < b.bottom && b.top < a.bottom;
}

} // namespace

int LayOutFromAnchors(std::vector<TLaidOut>& controls, int designedWidth)
{
    std::vector<std::size_t> order(controls.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return controls[a].designed.left < controls[b].designed.left; });
    LONG designedRight = 0, right = 0;
    for (std::size_t n = 0; n < order.size(); ++n) {
        TLaidOut& c = controls[order[n]];
        const RECT& d = c.designed;
        LONG left = d.left;
        for (std::size_t m = 0; m < n; ++m) {
            const TLaidOut& p = controls[order[m]];
            if (SameRow(p.designed, d))
                left = std::max(left, p.at.right + std::max(0L, d.left - p.designed.right));
        }
        const LONG width = std::max<LONG>(d.right - d.left, c.needWidth);
        c.at = {left, d.top, left + width, d.bottom};
        designedRight = std::max(designedRight, d.right);
        right = std::max(right, c.at.right);
    }
    return std::max<int>(designedWidth, static_cast<int>(right + (designedWidth - designedRight)));
}

} // namespace ui
