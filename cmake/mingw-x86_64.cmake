# 64-bit Windows through MinGW-w64 (posix threads), runtime linked statically:
# the toolchain the x86-64 package ships, plus Wine to run what the build
# makes.
include(${CMAKE_CURRENT_LIST_DIR}/package/mingw-x86_64.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine64_run.sh)
