# What a host built with another toolchain than the package's gets from it
# (included by install.cmake):
#   src/        the component's sources (its headers are in include/)
#   libcef_dll/ the framework's C++ wrapper, as its distribution has it
#   LICENSE-cef.txt
#               the framework's licence, which its sources carry
#   lib/libcef.lib
#               libcef.dll's import library in Visual C++'s format
#   lib/cmake/kxembed/kxembedSources.cmake
#               builds kxembed::kxembed from those sources when the prebuilt
#               libraries do not fit the host's toolchain
#   cmake/clang-<arch>.cmake, cmake/clang-mingw.cmake
#               the clang toolchain the suite builds the example with

# libcef.lib from the framework's export list, by LLVM's dlltool: from
# libcef.dll, or from the list a distribution made only to link against
# keeps instead (tools/link_dist.sh).
find_program(KX_LLVM_DLLTOOL llvm-dlltool)
find_program(KX_GENDEF gendef)
if(NOT KX_LLVM_DLLTOOL OR NOT KX_GENDEF)
  message(FATAL_ERROR "libcef.lib is made with llvm-dlltool (Debian: llvm) "
          "from the export list gendef reads (Debian: mingw-w64-tools): "
          "make setup installs both")
endif()
if(EXISTS ${CEF_ROOT}/Release/libcef.dll)
  set(kx_export_list -DDLL=${CEF_ROOT}/Release/libcef.dll)
  set(kx_export_source ${CEF_ROOT}/Release/libcef.dll)
elseif(EXISTS ${CEF_ROOT}/Release/libcef.def)
  set(kx_export_list -DDEF=${CEF_ROOT}/Release/libcef.def)
  set(kx_export_source ${CEF_ROOT}/Release/libcef.def)
else()
  message(FATAL_ERROR "CEF_ROOT=${CEF_ROOT} has neither Release/libcef.dll "
          "nor Release/libcef.def to make libcef.lib from")
endif()
set(kx_dlltool_machine i386:x86-64)
if(KX_ARCH STREQUAL "i686")
  set(kx_dlltool_machine i386)
endif()
set(KX_LIBCEF_LIB ${CMAKE_BINARY_DIR}/import_lib/libcef.lib)
add_custom_command(OUTPUT ${KX_LIBCEF_LIB}
    COMMAND ${CMAKE_COMMAND} -DDLLTOOL=${KX_LLVM_DLLTOOL} -DGENDEF=${KX_GENDEF}
            -DMACHINE=${kx_dlltool_machine} ${kx_export_list}
            -DOUT=${KX_LIBCEF_LIB} -P ${CMAKE_SOURCE_DIR}/cmake/make_import_lib.cmake
    DEPENDS ${kx_export_source} ${CMAKE_SOURCE_DIR}/cmake/make_import_lib.cmake
    COMMENT "libcef.lib (Visual C++'s import library) from libcef.dll's exports"
    VERBATIM)
add_custom_target(kx_libcef_lib ALL DEPENDS ${KX_LIBCEF_LIB})
install(FILES ${KX_LIBCEF_LIB} DESTINATION lib)

# The component's sources, by folder, as the checkout has them.
set(kx_package_sources ${KX_COMMON_SOURCES} ${KX_SYSTEM_SOURCES})
foreach(source ${kx_package_sources})
  get_filename_component(folder ${source} DIRECTORY)
  install(FILES ${source} DESTINATION src/${folder})
endforeach()
# The wrapper's sources from the distribution's own list (real_framework.cmake
# read it), and every header of theirs.
list(TRANSFORM wrapper_files REPLACE "^${CEF_ROOT}/" ""
     OUTPUT_VARIABLE kx_wrapper_sources)
foreach(source ${kx_wrapper_sources})
  get_filename_component(folder ${source} DIRECTORY)
  install(FILES ${CEF_ROOT}/${source} DESTINATION ${folder})
endforeach()
install(DIRECTORY ${CEF_ROOT}/libcef_dll/ DESTINATION libcef_dll
        FILES_MATCHING PATTERN "*.h")
install(FILES ${CEF_ROOT}/LICENSE.txt DESTINATION . RENAME LICENSE-cef.txt)

# The lists kxembedSources.cmake builds from, one file a line.
list(TRANSFORM KX_COMMON_SOURCES PREPEND src/ OUTPUT_VARIABLE kx_list)
list(JOIN kx_list "\n    " KX_PACKAGE_COMMON_SOURCES)
list(TRANSFORM KX_SYSTEM_SOURCES PREPEND src/ OUTPUT_VARIABLE kx_list)
list(JOIN kx_list "\n    " KX_PACKAGE_SYSTEM_SOURCES)
list(JOIN kx_wrapper_sources "\n    " KX_PACKAGE_WRAPPER_SOURCES)
# The prebuilt libraries' compiler, by major version (Debian's MinGW-w64 GCC
# names itself 12-posix, which CMake reads as 12.0.0).
string(REGEX MATCH "^[0-9]+" kx_major "${CMAKE_CXX_COMPILER_VERSION}")
set(KX_PREBUILT_COMPILER "${CMAKE_CXX_COMPILER_ID} ${kx_major}")
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  set(KX_PREBUILT_COMPILER "GCC ${kx_major}")
endif()
set(KX_PREBUILT_LIBRARIES)
foreach(library kx_system kx_common libcef_dll_wrapper)
  list(APPEND KX_PREBUILT_LIBRARIES
       lib/${CMAKE_STATIC_LIBRARY_PREFIX}${library}${CMAKE_STATIC_LIBRARY_SUFFIX})
endforeach()
list(JOIN KX_PREBUILT_LIBRARIES " " KX_PREBUILT_LIBRARIES)
# Visual Studio's name of the package's architecture, for README.txt.
set(KX_VS_PLATFORM x64)
if(KX_ARCH STREQUAL "i686")
  set(KX_VS_PLATFORM Win32)
endif()
configure_file(cmake/package/kxembedSources.cmake.in
               ${CMAKE_BINARY_DIR}/kxembedSources.cmake @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/kxembedSources.cmake DESTINATION ${KX_CMAKE_DIR})

install(FILES cmake/package/clang-${KX_ARCH}.cmake cmake/package/clang-mingw.cmake
        DESTINATION cmake)
