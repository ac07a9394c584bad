#pragma once
// The "res:" scheme of the portal view: the loading page and its picture,
// served from the program's compiled-in resources, so the page's relative
// "LoadGif" finds the picture beside it as it does on Windows.
#include <string>

namespace app {

// Makes "res:" URLs load in every web view of the default web context.
// Safe to call more than once.
void RegisterLoadingScheme();

// "res://<program file name>/Loading".
std::string LoadingPageUrl();

// Where the view's own error page says it comes from: the "res:" scheme, so
// it is never of the portal's origin and never gets the script bridge.
std::string UnreachablePageBaseUrl();

bool IsLoadingPageUrl(const std::string& url);

} // namespace app
