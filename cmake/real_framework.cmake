# The real framework from a binary distribution at CEF_ROOT, in the
# framework's usual layout (include/, libcef_dll/, Release/, Resources/,
# cef_paths.gypi, cef_paths2.gypi). Gives the targets the application code
# links against when it builds on the stand-in: fw_headers, fw_core and
# framework, here the public headers, the wrapper library and libcef.dll.
# The distribution's architecture is the toolchain's: x86-64 with
# cmake/mingw-x86_64.cmake, 32-bit with cmake/mingw-i686.cmake.
get_filename_component(CEF_ROOT "${CEF_ROOT}" ABSOLUTE)
foreach(needed include/cef_version.h Release/libcef.dll.a cef_paths.gypi
               cef_paths2.gypi)
  if(NOT EXISTS ${CEF_ROOT}/${needed})
    message(FATAL_ERROR "CEF_ROOT=${CEF_ROOT} has no ${needed}")
  endif()
endforeach()

# Reads the list |name| of the distribution's gypi files, following its
# '<@(other)' references, into |out|.
function(kx_gypi_list out name)
  file(READ ${CEF_ROOT}/cef_paths.gypi paths)
  file(READ ${CEF_ROOT}/cef_paths2.gypi paths2)
  string(REGEX MATCH "'${name}': \\[[^]]*\\]" block "${paths}\n${paths2}")
  if(NOT block)
    message(FATAL_ERROR "No list '${name}' in ${CEF_ROOT}/cef_paths*.gypi")
  endif()
  string(REGEX MATCHALL "'[^']+'," items "${block}")
  set(files)
  foreach(item ${items})
    string(REGEX REPLACE "^'(.*)',$" "\\1" item "${item}")
    if(item MATCHES "^<@\\((.+)\\)$")
      kx_gypi_list(nested ${CMAKE_MATCH_1})
      list(APPEND files ${nested})
    else()
      list(APPEND files ${item})
    endif()
  endforeach()
  set(${out} ${files} PARENT_SCOPE)
endfunction()

# The wrapper library, from the distribution's own source list.
kx_gypi_list(wrapper_files libcef_dll_wrapper_sources_common)
list(FILTER wrapper_files INCLUDE REGEX "\\.cc$")
list(TRANSFORM wrapper_files PREPEND ${CEF_ROOT}/)
add_library(libcef_dll_wrapper STATIC ${wrapper_files})
# The package lays the public headers out as the distribution does: its root
# holds include/.
target_include_directories(libcef_dll_wrapper PUBLIC
    $<BUILD_INTERFACE:${CEF_ROOT}> $<INSTALL_INTERFACE:.>)
# A Debug build keeps the wrapper's checks, as the application's: the two
# must agree on NDEBUG, which changes the layout of the reference-counted
# base classes they share. Either runs on the release libcef.dll.
target_compile_definitions(libcef_dll_wrapper
    PUBLIC USING_CEF_SHARED
    PRIVATE WRAPPING_CEF_SHARED $<$<NOT:$<CONFIG:Debug>>:NDEBUG>)
# The framework's own code, built as the framework builds it: C++11, its own
# warnings left alone, and one source that uses strlen without <cstring>.
set_target_properties(libcef_dll_wrapper PROPERTIES CXX_STANDARD 11
                      CXX_EXTENSIONS ON)
target_compile_options(libcef_dll_wrapper PRIVATE -O2 -w -include string.h)
# Its objects do not depend on where the checkout is: with paths taken
# relative to it, a fresh clone finds them in the compiler cache.
if(KX_CCACHE)
  set_target_properties(libcef_dll_wrapper PROPERTIES CXX_COMPILER_LAUNCHER
      "${CMAKE_COMMAND};-E;env;CCACHE_BASEDIR=${CMAKE_SOURCE_DIR};${KX_CCACHE}")
endif()

# Named as the package names it, so that the exported targets refer to the
# package's own copy (kxembedConfig.cmake defines it there).
add_library(kxembed::libcef SHARED IMPORTED)
set_target_properties(kxembed::libcef PROPERTIES
    IMPORTED_IMPLIB ${CEF_ROOT}/Release/libcef.dll.a
    IMPORTED_LOCATION ${CEF_ROOT}/Release/libcef.dll)

add_library(fw_headers INTERFACE)
target_include_directories(fw_headers INTERFACE
    $<BUILD_INTERFACE:${CEF_ROOT}> $<INSTALL_INTERFACE:.>)
target_compile_definitions(fw_headers INTERFACE USING_CEF_SHARED)
# The public string header calls strlen without including <cstring>: every
# user of the headers needs it first, not only the wrapper library.
target_compile_options(fw_headers INTERFACE
                       $<$<COMPILE_LANGUAGE:CXX>:-include cstring>)
target_link_libraries(fw_headers INTERFACE user32 gdi32 shell32 ole32)
add_library(fw_core INTERFACE)
target_link_libraries(fw_core INTERFACE fw_headers libcef_dll_wrapper kxembed::libcef)
add_library(framework INTERFACE)
target_link_libraries(framework INTERFACE fw_core)

# The run-time files go beside the executables, as a host ships them. A
# distribution made only to link against (a 32-bit one here: see
# tools/link_dist.sh) has none.
file(GLOB KX_CEF_RUNTIME ${CEF_ROOT}/Release/*.dll ${CEF_ROOT}/Release/*.bin
     ${CEF_ROOT}/Resources/*.pak ${CEF_ROOT}/Resources/*.dat)
if(KX_CEF_RUNTIME)
  file(COPY ${KX_CEF_RUNTIME} DESTINATION ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
  file(COPY ${CEF_ROOT}/Resources/locales
       DESTINATION ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
endif()

# The version the package records: a host learns what it runs on.
file(STRINGS ${CEF_ROOT}/include/cef_version.h KX_CEF_VERSION
     REGEX "^#define CEF_VERSION ")
string(REGEX REPLACE ".*\"(.*)\".*" "\\1" KX_CEF_VERSION "${KX_CEF_VERSION}")
