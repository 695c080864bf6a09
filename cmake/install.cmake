# Installing on Linux and other freedesktop systems: the viewer in bin/, its
# desktop entry, icon, AppStream metadata and manual page where desktops and
# man look for them, and the licence and change log in share/doc/paraboloid.
#   cmake --install build/run --prefix ~/.local
# On Windows the executable, a README.txt and the licences lie side by side,
# as the ZIP archive holds them (see package.cmake).
# A web build installs what a web server serves, side by side, with a
# README.txt and the licences.
# The licences are those of what is compiled in: the project's, and those
# of the libraries as Debian gives them with its packages of them.
include(GNUInstallDirs)

# Copies a text file with the line ends of the system the archive is for.
function(paraboloid_text_file source target newlines)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
  file(READ ${source} text)
  if(newlines STREQUAL "WIN32")
    string(REPLACE "\n" "\r\n" text "${text}")
  endif()
  file(WRITE ${PROJECT_BINARY_DIR}/${target} "${text}")
  install(FILES ${PROJECT_BINARY_DIR}/${target} DESTINATION .)
endfunction()

if(EMSCRIPTEN)
  install(FILES ${PARABOLOID_WEB_FILES} DESTINATION .)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/README-web.txt ${PROJECT_BINARY_DIR}/README.txt @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/README.txt DESTINATION .)
  paraboloid_text_file(${PROJECT_SOURCE_DIR}/LICENSE LICENSE.txt UNIX)
  # SDL2 for the web is installed with its licence (scripts/web.sh builds it).
  paraboloid_text_file(${SDL2_DIR}/../../../share/licenses/SDL2/LICENSE.txt LICENSE-SDL2.txt UNIX)
  # Emscripten's runtime: its JavaScript, and its C and C++ libraries (musl,
  # libc++, compiler-rt, dlmalloc); Debian lists the licences of all of it.
  paraboloid_text_file(/usr/share/doc/emscripten/copyright LICENSE-Emscripten.txt UNIX)
  return()
endif()

if(WIN32)
  install(TARGETS paraboloid RUNTIME DESTINATION .)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/README.txt ${PROJECT_BINARY_DIR}/README.txt
                 @ONLY NEWLINE_STYLE WIN32)
  install(FILES ${PROJECT_BINARY_DIR}/README.txt DESTINATION .)
  paraboloid_text_file(${PROJECT_SOURCE_DIR}/LICENSE LICENSE.txt WIN32)
  # mingw-w64's runtime and its winpthreads, linked into the executable
  # (-static); Debian lists the licences of all of mingw-w64.
  string(REPLACE "_" "-" package mingw-w64-${CMAKE_SYSTEM_PROCESSOR}-dev)
  paraboloid_text_file(/usr/share/doc/${package}/copyright LICENSE-mingw-w64.txt WIN32)
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
