# Generators that run at build time (the mesh tables, the icon) must run on the
# build machine. A native build compiles them as ordinary targets; a cross
# build takes one already built for the build machine (a cache variable) or
# compiles it in a separate configure step without the toolchain file, that is
# with the build machine's compiler (PARABOLOID_HOST_CXX_COMPILER names
# another one).

set(PARABOLOID_HOST_CXX_COMPILER "" CACHE FILEPATH
    "C++ compiler of the build machine, for the generators of a cross build")

# paraboloid_host_tool(<name> <source> <cache variable> <command variable> <depends variable>
#                      [PACKAGES <pkg-config module>...])
# Sets <command variable> to the command that runs the generator and
# <depends variable> to what a custom command that runs it depends on. The
# generator links the libraries of the PACKAGES (found with pkg-config).
function(paraboloid_host_tool name source cache_var command_var depends_var)
  cmake_parse_arguments(PARSE_ARGV 5 tool "" "" PACKAGES)
  set(${cache_var} "" CACHE FILEPATH
      "A ${name} built for the build machine; used instead of building one in cross builds")
  if(NOT CMAKE_CROSSCOMPILING)
    add_executable(${name} ${source})
    if(tool_PACKAGES)
      find_package(PkgConfig REQUIRED)
      string(MAKE_C_IDENTIFIER ${name}_packages prefix)
      pkg_check_modules(${prefix} REQUIRED IMPORTED_TARGET ${tool_PACKAGES})
      target_link_libraries(${name} PRIVATE PkgConfig::${prefix})
    endif()
    set(command $<TARGET_FILE:${name}>)
    set(depends ${name})
  elseif(${cache_var})
    set(command ${${cache_var}})
    set(depends ${${cache_var}})
  else()
    set(host_args -DCMAKE_BUILD_TYPE=Release -DHOST_TOOL_NAME=${name}
                  -DHOST_TOOL_SOURCE=${CMAKE_CURRENT_SOURCE_DIR}/${source})
    if(PARABOLOID_HOST_CXX_COMPILER)
      list(APPEND host_args -DCMAKE_CXX_COMPILER=${PARABOLOID_HOST_CXX_COMPILER})
    endif()
    set(suffix "")
    if(CMAKE_HOST_WIN32)
      set(suffix .exe)
    endif()
    set(host_dir ${CMAKE_CURRENT_BINARY_DIR}/${name}-host)
    include(ExternalProject)
    ExternalProject_Add(${name}-host
      SOURCE_DIR ${PROJECT_SOURCE_DIR}/cmake/host_tool
      BINARY_DIR ${host_dir}
      CMAKE_ARGS ${host_args}
      CMAKE_CACHE_ARGS -DHOST_TOOL_PACKAGES:STRING=${tool_PACKAGES}
      INSTALL_COMMAND ""
      BUILD_ALWAYS ON
      BUILD_BYPRODUCTS ${host_dir}/${name}${suffix})
    set(command ${host_dir}/${name}${suffix})
    set(depends ${name}-host ${command})
  endif()
  set(${command_var} ${command} PARENT_SCOPE)
  set(${depends_var} ${depends} PARENT_SCOPE)
endfunction()
