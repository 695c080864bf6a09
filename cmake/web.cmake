# The viewer in a web page: an Emscripten build (scripts/web.sh makes one).
# The program keeps its own blocking message loop: ASYNCIFY lets it wait and
# give the browser control back, and WebGL 1 draws. Everything the page needs
# lands in PARABOLOID_WEB_DIR: the page (web/), the program's script and its
# WebAssembly, and the program icon.
set(PARABOLOID_WEB_DIR ${PROJECT_BINARY_DIR}/web CACHE PATH
    "Where the web build puts the page, the program's script and its WebAssembly")

set_target_properties(paraboloid PROPERTIES SUFFIX .js RUNTIME_OUTPUT_DIRECTORY
                                                       ${PARABOLOID_WEB_DIR})
target_link_options(paraboloid PRIVATE
  # Waiting (for messages, in a message box) unwinds to the browser and
  # resumes; the waits happen deep in window creation, hence the larger stack
  # that holds the unwound calls.
  -sASYNCIFY -sASYNCIFY_STACK_SIZE=65536
  -sMIN_WEBGL_VERSION=1 -sMAX_WEBGL_VERSION=1
  # main's return ends the program and reaches the page (Module.onExit).
  -sEXIT_RUNTIME=1
  # The program reads and writes no files; standard output and error still work.
  -sFILESYSTEM=0
  -sENVIRONMENT=web
  -sALLOW_MEMORY_GROWTH=1)

# The page and the icon, copied next to the program.
set(page_files)
foreach(file index.html page.js page.css)
  add_custom_command(
    OUTPUT ${PARABOLOID_WEB_DIR}/${file}
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/web/${file} ${PARABOLOID_WEB_DIR}/${file}
    DEPENDS ${PROJECT_SOURCE_DIR}/web/${file}
    VERBATIM)
  list(APPEND page_files ${PARABOLOID_WEB_DIR}/${file})
endforeach()
add_custom_command(
  OUTPUT ${PARABOLOID_WEB_DIR}/paraboloid.png
  COMMAND ${CMAKE_COMMAND} -E copy ${PARABOLOID_ICON_PNG} ${PARABOLOID_WEB_DIR}/paraboloid.png
  DEPENDS paraboloid_icon_files ${PARABOLOID_ICON_PNG}
  VERBATIM)
list(APPEND page_files ${PARABOLOID_WEB_DIR}/paraboloid.png)
add_custom_target(paraboloid_page DEPENDS ${page_files})
add_dependencies(paraboloid paraboloid_page)

# What a web server serves (install.cmake, package.cmake).
set(PARABOLOID_WEB_FILES ${page_files} ${PARABOLOID_WEB_DIR}/paraboloid.js
                         ${PARABOLOID_WEB_DIR}/paraboloid.wasm)
