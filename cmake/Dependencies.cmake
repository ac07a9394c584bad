# Libraries are installed, never vendored. The Windows build finds libjpeg-turbo
# in PICTAVO_DEPS_PREFIX, cross-built from Debian's source package by
# scripts/build-deps-win32.sh.
find_package(Threads REQUIRED)

if(WIN32)
  set(PICTAVO_DEPS_PREFIX "${CMAKE_SOURCE_DIR}/.deps/win32" CACHE PATH "Cross-built libraries for the Windows edition")
  find_path(JPEG_INCLUDE_DIR jpeglib.h PATHS ${PICTAVO_DEPS_PREFIX}/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  find_library(JPEG_LIBRARY NAMES libjpeg.a PATHS ${PICTAVO_DEPS_PREFIX}/lib NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  add_library(pictavo_jpeg INTERFACE)
  target_include_directories(pictavo_jpeg SYSTEM INTERFACE ${JPEG_INCLUDE_DIR})
  target_link_libraries(pictavo_jpeg INTERFACE ${JPEG_LIBRARY})
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(JPEG REQUIRED IMPORTED_TARGET libjpeg)
  pkg_check_modules(CURL REQUIRED IMPORTED_TARGET libcurl)
  pkg_check_modules(GIO REQUIRED IMPORTED_TARGET gio-2.0)
  pkg_check_modules(X11 REQUIRED IMPORTED_TARGET x11)
  pkg_check_modules(X11XCB REQUIRED IMPORTED_TARGET x11-xcb xcb)
  pkg_check_modules(GDKPIXBUF REQUIRED IMPORTED_TARGET gdk-pixbuf-2.0)
  add_library(pictavo_jpeg INTERFACE)
  target_link_libraries(pictavo_jpeg INTERFACE PkgConfig::JPEG)
  # The demo portal's server; WebKitGTK brings it anyway.
  pkg_check_modules(SOUP IMPORTED_TARGET libsoup-3.0)
  if(PICTAVO_BUILD_GUI)
    pkg_check_modules(GTK REQUIRED IMPORTED_TARGET gtk+-3.0)
    pkg_check_modules(WEBKIT REQUIRED IMPORTED_TARGET webkit2gtk-4.1)
  endif()
endif()
