# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (posix threads
# variant, package g++-mingw-w64-x86-64-posix). The programs are linked
# statically, so that they run under Wine without the compiler's DLLs
# (hayeskvd-cli.exe and the tests of the GUI-free layers).
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-shared.cmake)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
