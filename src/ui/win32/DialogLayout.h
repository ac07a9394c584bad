#pragma once
// The settings dialog's layout in any language: each control keeps its
// designed place as an anchor and takes the width its text needs; a control
// that grows pushes the ones to its right in its row, keeping the designed
// gaps, so no text is cut and no control covers another.
#include <windows.h>

#include <vector>

namespace ui {

struct TLaidOut {
    RECT designed;     // the form's own place and size
    int needWidth = 0; // what its text needs (0: no text)
    RECT at {};        // the result
};

// Fills in every `at`; answers the client width the result needs: the
// designed one, or more to keep the designed right margin.
int LayOutFromAnchors(std::vector<TLaidOut>& controls, int designedWidth);

} // namespace ui
