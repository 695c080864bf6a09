# Installing on Linux and other freedesktop systems: the viewer in bin/, its
# desktop entry in share/applications and its icon where icon themes look.
#   cmake --install build/run --prefix ~/.local
include(GNUInstallDirs)

install(TARGETS paraboloid RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

if(NOT WIN32)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/paraboloid.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  # The icon PNG is drawn at build time; building the viewer draws it.
  add_dependencies(paraboloid paraboloid_icon_files)
  install(FILES ${PARABOLOID_ICON_PNG}
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/32x32/apps
          RENAME paraboloid.png)
endif()

if(PARABOLOID_TESTS AND NOT CMAKE_CROSSCOMPILING)
  add_test(NAME install.layout
           COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${PROJECT_BINARY_DIR}
                   -DPREFIX=${PROJECT_BINARY_DIR}/install-check
                   -P ${PROJECT_SOURCE_DIR}/packaging/check_install.cmake)
  set_tests_properties(install.layout PROPERTIES LABELS install)
endif()
