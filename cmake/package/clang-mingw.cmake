# Clang (Debian: clang, lld, llvm) for hosts built against the package, with
# MinGW-w64's Windows headers, import libraries and C++ library (GCC's
# libstdc++, posix threads: Debian's g++-mingw-w64-<arch>-posix), linked by
# lld, runtime linked statically. clang-<arch>.cmake sets KX_CLANG_TARGET and
# CMAKE_SYSTEM_PROCESSOR, then includes this. The package's prebuilt
# libraries are GCC's: find_package(kxembed) builds the component and the
# framework's wrapper from the package's sources with this compiler instead.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${KX_CLANG_TARGET})
set(CMAKE_CXX_COMPILER_TARGET ${KX_CLANG_TARGET})
set(CMAKE_RC_COMPILER ${KX_CLANG_TARGET}-windres)
# MinGW-w64's headers and libraries, and nothing of the build machine's own
# (/usr/include stays out of the search).
set(CMAKE_SYSROOT /usr/${KX_CLANG_TARGET})
set(CMAKE_FIND_ROOT_PATH /usr/${KX_CLANG_TARGET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# The package is found where CMAKE_PREFIX_PATH points, outside the root.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# Clang does not find the C++ library of Debian's MinGW-w64 GCC (its folder
# is named 12-posix, not a bare version): ask that GCC where it lies.
execute_process(COMMAND ${KX_CLANG_TARGET}-g++-posix -print-libgcc-file-name
                OUTPUT_VARIABLE _kx_libgcc OUTPUT_STRIP_TRAILING_WHITESPACE
                RESULT_VARIABLE _kx_gcc_result ERROR_QUIET)
if(NOT _kx_gcc_result EQUAL 0 OR NOT EXISTS "${_kx_libgcc}")
  message(FATAL_ERROR "${KX_CLANG_TARGET}-g++-posix is missing: clang takes "
          "its C++ library from MinGW-w64's GCC (Debian: "
          "g++-mingw-w64-${CMAKE_SYSTEM_PROCESSOR}-posix)")
endif()
get_filename_component(_kx_gcc_lib "${_kx_libgcc}" DIRECTORY)
set(_kx_cxx_include ${_kx_gcc_lib}/include/c++)
# Not in CMAKE_CXX_FLAGS, which a host may set on its command line.
set(CMAKE_CXX_STANDARD_INCLUDE_DIRECTORIES ${_kx_cxx_include}
    ${_kx_cxx_include}/${KX_CLANG_TARGET} ${_kx_cxx_include}/backward)
# libstdc++ with posix threads calls winpthreads; lld finds a library's
# symbols wherever it stands on the line. A host that sets
# CMAKE_EXE_LINKER_FLAGS itself keeps these in it.
foreach(_kx_kind EXE SHARED MODULE)
  set(CMAKE_${_kx_kind}_LINKER_FLAGS_INIT
      "-fuse-ld=lld -static -L${_kx_gcc_lib} -lpthread")
endforeach()
