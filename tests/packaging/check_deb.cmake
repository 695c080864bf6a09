# Makes the Debian package of a build with CPack and checks its files, their
# modes and owners, its control fields and its desktop metadata.
#   cmake -DCPACK=... -DBUILD_DIR=... -DOUT=... -DVERSION=... -P check_deb.cmake
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${ARGN} failed (${result}):\n${out}")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${OUT})
run(${CPACK} -G DEB -B ${OUT} --config ${BUILD_DIR}/CPackConfig.cmake)
run(dpkg --print-architecture)
string(STRIP "${out}" arch)
set(deb ${OUT}/paraboloid_${VERSION}_${arch}.deb)

# Every file, with its mode and owner; directories aside.
set(expected
  "-rwxr-xr-x root/root ./usr/bin/paraboloid"
  "-rw-r--r-- root/root ./usr/share/applications/paraboloid.desktop"
  "-rw-r--r-- root/root ./usr/share/doc/paraboloid/changelog.gz"
  "-rw-r--r-- root/root ./usr/share/doc/paraboloid/copyright"
  "-rw-r--r-- root/root ./usr/share/icons/hicolor/32x32/apps/paraboloid.png"
  "-rw-r--r-- root/root ./usr/share/man/man1/paraboloid.1.gz"
  "-rw-r--r-- root/root ./usr/share/metainfo/org.example.paraboloid.metainfo.xml")
run(dpkg-deb --contents ${deb})
string(REGEX MATCHALL "[^\n]+" lines "${out}")
set(files "")
foreach(line ${lines})
  if(line MATCHES "^(-[^ ]+) ([^ ]+) .* (\\./[^ ]+)$")
    list(APPEND files "${CMAKE_MATCH_1} ${CMAKE_MATCH_2} ${CMAKE_MATCH_3}")
  elseif(NOT line MATCHES "^drwxr-xr-x root/root ")
    message(FATAL_ERROR "unexpected entry in ${deb}: ${line}")
  endif()
endforeach()
list(SORT files)
list(SORT expected)
if(NOT files STREQUAL expected)
  string(REPLACE ";" "\n" files "${files}")
  message(FATAL_ERROR "${deb} holds:\n${files}")
endif()

# Control fields: each field's value must match its pattern.
set(fields
  Package "^paraboloid$"
  Version "^${VERSION}$"
  Architecture "^${arch}$"
  Section "^graphics$"
  Maintainer "^[^<]+ <[^@>]+@[^>]+>$"
  Depends "(^|, )libc6 \\(>= [^)]+\\)(,|$)"
  Depends "(^|, )libsdl2-2\\.0-0 \\(>= [^)]+\\)(,|$)"
  Depends "(^|, )libgl1(,|$)"
  Depends "(^|, )libegl1(,|$)"
  Recommends "^xfonts-base$"
  Description "^viewer that turns a lit saddle surface with the mouse\n .+")
while(fields)
  list(POP_FRONT fields name pattern)
  run(dpkg-deb --field ${deb} ${name})
  string(STRIP "${out}" value)
  if(NOT value MATCHES "${pattern}")
    message(FATAL_ERROR "${name}: '${value}' does not match '${pattern}'")
  endif()
endwhile()

# The desktop entry and the AppStream metadata as installed.
run(dpkg-deb --extract ${deb} ${OUT}/root)
run(desktop-file-validate ${OUT}/root/usr/share/applications/paraboloid.desktop)
run(appstreamcli validate --no-net
    ${OUT}/root/usr/share/metainfo/org.example.paraboloid.metainfo.xml)
# The icon for the desktop is a 32x32 RGBA PNG: signature, then IHDR.
file(READ ${OUT}/root/usr/share/icons/hicolor/32x32/apps/paraboloid.png header LIMIT 26 HEX)
if(NOT header STREQUAL "89504e470d0a1a0a0000000d4948445200000020000000200806")
  message(FATAL_ERROR "the icon is not a 32x32 RGBA PNG: ${header}")
endif()
