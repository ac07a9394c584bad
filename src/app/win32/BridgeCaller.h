#pragma once
// Which document called the script bridge. A script engine may hand its
// service provider to IDispatchEx::InvokeEx; through it the calling window,
// and so the calling frame's document, can be asked for.
#include <windows.h>
#include <servprov.h>

#include <optional>
#include <string>

namespace app::win {

// The calling document's address; nothing when the call names no caller or
// the caller knows no window (the caller is then unknown, not refused); an
// empty text when a window answered but its address could not be read.
std::optional<std::string> CallerDocumentUrl(IServiceProvider* caller);

} // namespace app::win
