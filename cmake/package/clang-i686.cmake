# Toolchain for hosts built against the package with clang: 32-bit Windows
# (i686-w64-mingw32), with MinGW-w64's headers and libraries
# (clang-mingw.cmake beside this says what it needs).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(KX_CLANG_TARGET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/clang-mingw.cmake)
