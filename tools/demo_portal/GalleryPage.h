#pragma once
// The demo portal's gallery page.
#include <string>

namespace demo {

// The whole page: a grid of the catalogue's thumbnails; a click hands the
// picture's request ("<site>/pic/<name>.jpg?v=pic/<name>,<w>,<h>.jpg;...")
// to window.external.downloadPic and says which picture was picked.
std::string GalleryPage();

} // namespace demo
