# Installs a build into a scratch prefix and checks the freedesktop layout.
#   cmake -DBUILD_DIR=... -DPREFIX=... -P check_install.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

set(viewer ${PREFIX}/bin/paraboloid)
set(entry ${PREFIX}/share/applications/paraboloid.desktop)
set(icon ${PREFIX}/share/icons/hicolor/32x32/apps/paraboloid.png)
foreach(path ${viewer} ${entry} ${icon})
  if(NOT EXISTS ${path})
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()
execute_process(COMMAND test -x ${viewer} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "not executable: ${viewer}")
endif()

# The entry starts the installed viewer by name and names the installed icon.
file(STRINGS ${entry} lines)
foreach(wanted "[Desktop Entry]" "Type=Application" "Exec=paraboloid" "Icon=paraboloid")
  list(FIND lines "${wanted}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${entry} lacks the line ${wanted}")
  endif()
endforeach()

# A 32x32 RGBA PNG: signature, then IHDR with width, height, depth 8, type 6.
file(READ ${icon} header LIMIT 26 HEX)
if(NOT header STREQUAL "89504e470d0a1a0a0000000d4948445200000020000000200806")
  message(FATAL_ERROR "${icon} is not a 32x32 RGBA PNG: ${header}")
endif()
file(REMOVE_RECURSE ${PREFIX})
