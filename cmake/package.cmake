# Packages made from the install rules (install.cmake) by CPack:
#   cpack -G DEB   a native build: paraboloid_VERSION_amd64.deb
#   cpack -G ZIP   a Windows build: paraboloid-VERSION-win64.zip
#   cpack -G ZIP   a web build: paraboloid-VERSION-web.zip, the files for a web server
# scripts/package.sh makes them.
set(CPACK_PACKAGE_NAME paraboloid)
set(CPACK_PACKAGE_VENDOR "The paraboloid developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer that turns a lit saddle surface with the mouse")
set(CPACK_PACKAGE_DESCRIPTION
    "Paraboloid opens one square window and draws a lit saddle surface,
y = x^2 - z^2, with OpenGL: seven coloured lights, a reddish upper and a bluish
lower side, optional fog and an optional wireframe. The saddle turns slowly
from the start; dragging it with the mouse turns it like a ball under the
hand, and a throw keeps it spinning.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
if(EMSCRIPTEN)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME web)
elseif(WIN32)
  set(CPACK_GENERATOR ZIP)
else()
  set(CPACK_GENERATOR DEB)
endif()

# The project has no web home or mail address yet; the maintainer's address
# lies under example.org, a domain kept for such names, like the AppStream ID.
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The paraboloid developers <paraboloid@example.org>")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
# The libraries the viewer links come from dpkg-shlibdeps. SDL loads OpenGL
# itself at run time: libGL.so.1 on X11 (libgl1 brings Mesa's drivers with
# it), libEGL.so.1 on Wayland. SDL's message box on X11 draws the notice with
# the core fonts of xfonts-base; Debian lets packages only recommend X fonts
# (apt installs recommended packages unless told not to). Without them the
# notice goes to standard error.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1, libegl1")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xfonts-base)

include(CPack)
