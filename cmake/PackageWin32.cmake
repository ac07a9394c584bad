# The Windows edition's release: one zip with the stripped client, the stand-in
# companion service and a short README (`cmake --build --preset win32 --target
# package`). Stripping takes the debug information out; the code is the
# optimised code the tests ran.
if(NOT WIN32 OR NOT TARGET pictavo)
  return()
endif()

install(TARGETS pictavo BrisvaneService RUNTIME DESTINATION .)
# Notepad on Windows XP shows a text with bare line feeds as one long line.
configure_file(${PROJECT_SOURCE_DIR}/packaging/win32/README.txt.in ${PROJECT_BINARY_DIR}/README.txt
  @ONLY NEWLINE_STYLE CRLF)
install(FILES ${PROJECT_BINARY_DIR}/README.txt DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Pictavo)
set(CPACK_PACKAGE_VENDOR Pictavo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_SYSTEM_NAME win32)
set(CPACK_STRIP_FILES ON)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)
