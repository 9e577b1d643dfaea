# Cross build for 32-bit Windows with Debian's mingw-w64 (POSIX threads
# flavour, so std::thread and friends work). Tests run under Wine through
# wine-run.sh, in one Xvfb session and one temporary prefix per test.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One self-contained exe: libgcc, libstdc++ and winpthread linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Every test executable runs through this wrapper; the prefix it uses is
# made by the test fixture named below (tests/win32/CMakeLists.txt).
set(VORUNDEL_WINE_ROOT "${CMAKE_BINARY_DIR}/wine-test")
set(CMAKE_CROSSCOMPILING_EMULATOR
    "${CMAKE_CURRENT_LIST_DIR}/wine-run.sh;32;${VORUNDEL_WINE_ROOT}")
set(VORUNDEL_EMULATOR_FIXTURE wine_prefix)
