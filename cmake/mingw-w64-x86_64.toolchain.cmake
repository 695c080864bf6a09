# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (posix threads).
#
#   cmake -S . -B build/windows -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.toolchain.cmake
#
# Host tools that run during the build (the mesh and icon generators) are
# built for this machine, not with this toolchain.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(PARABOLOID_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${PARABOLOID_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PARABOLOID_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${PARABOLOID_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${PARABOLOID_MINGW_TRIPLE}-gcc-ar-posix CACHE FILEPATH "Archiver")
set(CMAKE_RANLIB ${PARABOLOID_MINGW_TRIPLE}-gcc-ranlib-posix CACHE FILEPATH "Ranlib")

set(CMAKE_FIND_ROOT_PATH /usr/${PARABOLOID_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
