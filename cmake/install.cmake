# Installing on Linux and other freedesktop systems: the viewer in bin/, its
# desktop entry, icon, AppStream metadata and manual page where desktops and
# man look for them, and the licence and change log in share/doc/paraboloid.
#   cmake --install build/run --prefix ~/.local
# On Windows the executable, a README.txt and the licence lie side by side,
# as the ZIP archive holds them (see package.cmake).
# A web build installs what a web server serves, side by side.
include(GNUInstallDirs)

if(EMSCRIPTEN)
  install(FILES ${PARABOLOID_WEB_FILES} DESTINATION .)
  return()
endif()

if(WIN32)
  install(TARGETS paraboloid RUNTIME DESTINATION .)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/README.txt ${PROJECT_BINARY_DIR}/README.txt
                 @ONLY NEWLINE_STYLE WIN32)
  configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_BINARY_DIR}/LICENSE.txt
                 @ONLY NEWLINE_STYLE WIN32)
  install(FILES ${PROJECT_BINARY_DIR}/README.txt ${PROJECT_BINARY_DIR}/LICENSE.txt DESTINATION .)
  return()
endif()

install(TARGETS paraboloid RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/paraboloid.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The icon PNG is drawn at build time; building the viewer draws it.
add_dependencies(paraboloid paraboloid_icon_files)
install(FILES ${PARABOLOID_ICON_PNG}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/32x32/apps
        RENAME paraboloid.png)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/org.example.paraboloid.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The manual page and the change log are installed compressed, as Debian
# keeps them (gzip -n: no name or time stamp, so the bytes stay the same).
set(manual ${PROJECT_BINARY_DIR}/paraboloid.1.gz)
set(changelog ${PROJECT_BINARY_DIR}/changelog.gz)
add_custom_command(
  OUTPUT ${manual} ${changelog}
  COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/packaging/paraboloid.1 > ${manual}
  COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/packaging/changelog > ${changelog}
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/paraboloid.1 ${PROJECT_SOURCE_DIR}/packaging/changelog
  COMMENT "Compressing the manual page and the change log")
add_custom_target(paraboloid_documents ALL DEPENDS ${manual} ${changelog})
install(FILES ${manual} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${changelog}
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
