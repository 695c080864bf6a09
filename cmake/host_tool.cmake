# Generators that run at build time (the mesh tables, the icon) must run on the
# build machine. A native build compiles them as ordinary targets; a cross
# build takes one already built for the build machine (a cache variable) or
# compiles it in a separate configure step without the toolchain file, that is
# with the build machine's compiler (PARABOLOID_HOST_CXX_COMPILER names
# another one).

set(PARABOLOID_HOST_CXX_COMPILER "" CACHE FILEPATH
    "C++ compiler of the build machine, for the generators of a cross build")

# paraboloid_host_tool(<name> <source> <cache variable> <command variable> <depends variable>)
# Sets <command variable> to the command that runs the generator and
# <depends variable> to what a custom command that runs it depends on.
function(paraboloid_host_tool name source cache_var command_var depends_var)
  set(${cache_var} "" CACHE FILEPATH
      "A ${name} built for the build machine; used instead of building one in cross builds")
  if(NOT CMAKE_CROSSCOMPILING)
    add_executable(${name} ${source})
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
      INSTALL_COMMAND ""
      BUILD_ALWAYS ON
      BUILD_BYPRODUCTS ${host_dir}/${name}${suffix})
    set(command ${host_dir}/${name}${suffix})
    set(depends ${name}-host ${command})
  endif()
  set(${command_var} ${command} PARENT_SCOPE)
  set(${depends_var} ${depends} PARENT_SCOPE)
endfunction()
