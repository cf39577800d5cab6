# The package a host developer gets (`make package`): the component built on
# the real framework, laid out by `cmake --install` and zipped by CPack as
# kxembed-<version>-windows-<arch>:
#   bin/      kxsubprocess.exe, kxhost.exe, libcef.dll and its run-time files
#   lib/      the component's libraries, the framework's wrapper library and
#             libcef.dll.a; lib/cmake/kxembed/, the CMake package
#   include/  the framework's public headers and the component's headers
#   cmake/    the toolchain file the package was built with
#   docs/     the host guide and the page guide
#   pages/    what a page author works with: KXHelper's types, the helper
#             scripts, the tsconfigs, a sample page, and the engine check
#             and debugging loop (tools/, with the npm packages they use)
#   wine/     a Wine prefix that runs hosts on Linux: its script and settings
#   examples/minimal_host, README.txt
include(CMakePackageConfigHelpers)
include(GNUInstallDirs)

set(KX_ARCH ${CMAKE_SYSTEM_PROCESSOR})
set(KX_PACKAGE_NAME kxembed-${PROJECT_VERSION}-windows-${KX_ARCH})
set(KX_CMAKE_DIR lib/cmake/kxembed)

# The one target a host links: the component with everything under it.
add_library(kxembed INTERFACE)
target_link_libraries(kxembed INTERFACE kx_system)
# The Windows headers as the component was built with them: a host that sees
# other definitions gets other struct layouts and other A/W names.
target_compile_definitions(kxembed INTERFACE UNICODE _UNICODE
    WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
target_compile_features(kxembed INTERFACE cxx_std_17)
# `make package` builds what it packs first; the 32-bit link check builds the
# packed targets alone, not the tests.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

install(TARGETS kxembed kx_system kx_common kx_root framework fw_core
                fw_headers libcef_dll_wrapper kxsubprocess
        EXPORT kxembedTargets
        RUNTIME DESTINATION bin
        ARCHIVE DESTINATION lib)
install(TARGETS kxhost RUNTIME DESTINATION bin)
install(EXPORT kxembedTargets NAMESPACE kxembed:: DESTINATION ${KX_CMAKE_DIR})

# The framework's import library and run-time files, as its distribution
# lays them out beside an application.
install(FILES ${CEF_ROOT}/Release/libcef.dll.a DESTINATION lib)
if(KX_CEF_RUNTIME)
  install(FILES ${KX_CEF_RUNTIME} DESTINATION bin)
  install(DIRECTORY ${CEF_ROOT}/Resources/locales DESTINATION bin)
endif()

# Headers: the framework's at include/ (included as "include/cef_app.h" from
# the package root), the component's beside them by folder.
install(DIRECTORY ${CEF_ROOT}/include/ DESTINATION include)
install(DIRECTORY app browser common renderer store DESTINATION include
        FILES_MATCHING PATTERN "*.h" PATTERN "lazy_imports" EXCLUDE)

configure_package_config_file(cmake/package/kxembedConfig.cmake.in
    ${CMAKE_BINARY_DIR}/kxembedConfig.cmake INSTALL_DESTINATION ${KX_CMAKE_DIR})
# The architecture is checked by the config itself, which can say what is
# wrong; a version file that refused it would only be "not accepted".
write_basic_package_version_file(${CMAKE_BINARY_DIR}/kxembedConfigVersion.cmake
    COMPATIBILITY SameMajorVersion ARCH_INDEPENDENT)
install(FILES ${CMAKE_BINARY_DIR}/kxembedConfig.cmake
              ${CMAKE_BINARY_DIR}/kxembedConfigVersion.cmake
        DESTINATION ${KX_CMAKE_DIR})

install(FILES cmake/package/mingw-${KX_ARCH}.cmake DESTINATION cmake)
# The example's comment names the toolchain file of this package's
# architecture.
install(DIRECTORY examples/minimal_host DESTINATION examples
        PATTERN CMakeLists.txt EXCLUDE)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             examples/minimal_host/CMakeLists.txt)
file(READ examples/minimal_host/CMakeLists.txt KX_EXAMPLE_LISTS)
string(REPLACE "mingw-x86_64.cmake" "mingw-${KX_ARCH}.cmake" KX_EXAMPLE_LISTS
       "${KX_EXAMPLE_LISTS}")
file(WRITE ${CMAKE_BINARY_DIR}/minimal_host/CMakeLists.txt "${KX_EXAMPLE_LISTS}")
install(FILES ${CMAKE_BINARY_DIR}/minimal_host/CMakeLists.txt
        DESTINATION examples/minimal_host)
install(FILES docs/host.md docs/pages.md DESTINATION docs)
install(FILES pages/kxhelper.d.ts pages/kxhelper-ready.js pages/kxhelper-dev.js
              pages/tsconfig.json pages/tsconfig.ts.json pages/options.html
              pages/options.js pages/package.json pages/package-lock.json
              pages/eslint.config.mjs
        DESTINATION pages)
# The page checks and the debugging loop: check.js reads ../eslint.config.mjs,
# which reads tools/rules.js, so the layout stays as it is here.
install(FILES pages/tools/check.js pages/tools/rules.js pages/tools/debug.js
        DESTINATION pages/tools)

# Running hosts under Wine: a prefix of the package's architecture, made and
# set up by wine/setup-prefix.sh alone.
if(KX_ARCH STREQUAL "x86_64")
  set(KX_WINEARCH win64)
  set(KX_WINE_LOADER wine64)
  set(KX_WINE_PACKAGE wine64)
else()
  set(KX_WINEARCH win32)
  set(KX_WINE_LOADER wine)
  set(KX_WINE_PACKAGE "wine wine32:i386")
endif()
configure_file(cmake/package/wine/setup-prefix.sh.in
               ${CMAKE_BINARY_DIR}/wine/setup-prefix.sh @ONLY)
install(PROGRAMS ${CMAKE_BINARY_DIR}/wine/setup-prefix.sh DESTINATION wine)
install(DIRECTORY cmake/package/wine/ DESTINATION wine
        FILES_MATCHING PATTERN "*.reg")
# For hosts of other toolchains: the sources, libcef.lib, the clang toolchain.
include(cmake/install_sources.cmake)
configure_file(cmake/package/README.txt.in ${CMAKE_BINARY_DIR}/README.txt @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/README.txt DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME kxembed)
set(CPACK_PACKAGE_FILE_NAME ${KX_PACKAGE_NAME})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
