# 32-bit Windows through MinGW-w64 (posix threads), runtime linked statically:
# the toolchain the package ships, plus Wine to run what the build makes.
include(${CMAKE_CURRENT_LIST_DIR}/package/mingw-i686.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine_run.sh)
