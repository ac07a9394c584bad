# The Linux edition as a Debian package: `cmake --build --preset linux
# --target package` writes build/linux/pictavo_<version>-<revision>_<arch>.deb.
if(NOT WIN32 AND TARGET pictavo)
  include(GNUInstallDirs)
  set(PICTAVO_PACKAGING ${CMAKE_SOURCE_DIR}/packaging/linux)
  # The packaging's own revision: a new one for a package of the same program.
  set(PICTAVO_DEB_REVISION 1)
  set(PICTAVO_DEB_VERSION ${PROJECT_VERSION}-${PICTAVO_DEB_REVISION})
  set(PICTAVO_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/pictavo)

  configure_file(${PICTAVO_PACKAGING}/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog.Debian @ONLY)
  set(changelog ${CMAKE_BINARY_DIR}/packaging/changelog.Debian.gz)
  add_custom_command(OUTPUT ${changelog}
    COMMAND gzip -9nc ${CMAKE_BINARY_DIR}/packaging/changelog.Debian > ${changelog}
    DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog.Debian VERBATIM)
  add_custom_target(pictavo_changelog ALL DEPENDS ${changelog})
  install(FILES ${changelog} ${PICTAVO_PACKAGING}/copyright DESTINATION ${PICTAVO_DOC_DIR})
  install(FILES ${PICTAVO_PACKAGING}/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
          RENAME pictavo)

  # Man pages go in compressed, as Debian keeps them.
  set(pages pictavo)
  if(TARGET pictavo-demo-portal)
    list(APPEND pages pictavo-demo-portal)
  endif()
  foreach(page ${pages})
    set(gz ${CMAKE_BINARY_DIR}/man/${page}.1.gz)
    add_custom_command(OUTPUT ${gz}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
      COMMAND gzip -9nc ${PICTAVO_PACKAGING}/${page}.1 > ${gz}
      DEPENDS ${PICTAVO_PACKAGING}/${page}.1 VERBATIM)
    list(APPEND man_pages ${gz})
  endforeach()
  add_custom_target(pictavo_man_pages ALL DEPENDS ${man_pages})
  install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  if(TARGET pictavo-demo-portal)
    install(TARGETS pictavo-demo-portal RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
  install(FILES ${PICTAVO_PACKAGING}/com.brisvane.Pictavo.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PICTAVO_PACKAGING}/com.brisvane.Pictavo.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  foreach(size 16 22 24 32 48 64 128 256)
    install(FILES ${CMAKE_SOURCE_DIR}/resources/icons/${size}x${size}/pictavo.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGE_NAME pictavo)
  set(CPACK_PACKAGE_VENDOR Brisvane)
  set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
  set(CPACK_DEBIAN_PACKAGE_RELEASE ${PICTAVO_DEB_REVISION})
  # The summary, then the long description in lines of at most 80 columns.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "desktop wallpaper client for the Pictavo portal
Pictavo shows the wallpaper portal in a small window, downloads the picture
the user picks in the size that fits the screen and makes it the desktop
wallpaper. It rotates the wallpaper through the collected pictures every few
minutes. A local demo portal with generated pictures comes with it and starts
with the client.")
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Brisvane <pictavo@brisvane.example>")
  set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  # Depends from the libraries the programs link (dpkg-shlibdeps).
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_PACKAGE_CONTACT "pictavo@brisvane.example")
  set(CPACK_STRIP_FILES ON)
  include(CPack)
endif()
