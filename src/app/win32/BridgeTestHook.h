#pragma once
// Wine's browser control cannot load pages, so no page can call the bridge
// there. With PICTAVO_TEST_HOOKS=1 in its environment the main window takes
// two WM_COPYDATA requests from an end-to-end test instead; without it they
// are ignored like any other WM_COPYDATA.
#include <windows.h>

#include <optional>

namespace app::win {

class PortalView;

// Data: a UTF-16 request string. The window calls window.external.downloadPic
// with it through the view's host, as the control would, and answers the
// call's HRESULT.
inline constexpr ULONG_PTR kTestPickTag = 0x5049434B;        // "PICK"
// No data; wParam: the asker's window. The window answers 1 and sends back a
// WM_COPYDATA of the same tag with every URL the view was sent to, in UTF-8,
// one per line.
inline constexpr ULONG_PTR kTestNavigationsTag = 0x4E415653; // "NAVS"

bool TestHooksEnabled();

// The answer to a test request, or nothing when it is none.
std::optional<LRESULT> HandleTestRequest(PortalView& view, HWND self, WPARAM wParam, const COPYDATASTRUCT& data);

} // namespace app::win
