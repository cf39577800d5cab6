# The embedded-browser component, for a host's find_package(kxembed):
#   kxembed::kxembed       the component's library with the framework it runs
#                          on: include paths, compile definitions, libraries
#   KXEMBED_SUBPROCESS     kxsubprocess.exe, the program of every render process
#   kxembed_add_subprocess(<target>)
#                          copies kxsubprocess.exe beside <target>'s executable
# The package is 32-bit Windows, built with MinGW-w64 (i686, posix threads);
# cmake/mingw-i686.cmake in the package is a toolchain file for it.
get_filename_component(_kxembed_root "${CMAKE_CURRENT_LIST_DIR}/../../.."
                       ABSOLUTE)

if(NOT TARGET kxembed::kxembed)
  set(_kxembed_libs)
  foreach(_lib kx_system kx_common fw_process fw_browser fw_renderer
               fw_wrapper fw_script fw_core duktape)
    list(APPEND _kxembed_libs "${_kxembed_root}/lib/lib${_lib}.a")
  endforeach()
  add_library(kxembed::kxembed INTERFACE IMPORTED)
  set_target_properties(kxembed::kxembed PROPERTIES
    # "include/cef_app.h" from the package root, "app/simple_app.h" from
    # include/.
    INTERFACE_INCLUDE_DIRECTORIES "${_kxembed_root};${_kxembed_root}/include"
    # As the component was built: hosts get the same Windows headers.
    INTERFACE_COMPILE_DEFINITIONS
      "UNICODE;_UNICODE;WIN32_LEAN_AND_MEAN;NOMINMAX;_WIN32_WINNT=0x0601;WINVER=0x0601"
    INTERFACE_COMPILE_FEATURES cxx_std_17
    INTERFACE_LINK_LIBRARIES
      "-Wl,--start-group;${_kxembed_libs};-Wl,--end-group;user32;gdi32;shell32;ole32;winhttp;ws2_32;advapi32;bcrypt;normaliz")
endif()

set(KXEMBED_SUBPROCESS "${_kxembed_root}/bin/kxsubprocess.exe")

function(kxembed_add_subprocess target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different "${KXEMBED_SUBPROCESS}"
            "$<TARGET_FILE_DIR:${target}>/kxsubprocess.exe"
    VERBATIM)
endfunction()

set(kxembed_FOUND TRUE)
