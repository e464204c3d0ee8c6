# Cross build for 32-bit x86 Windows with Debian's mingw-w64 (posix thread model, linked
# statically so the products import system DLLs only). SSE2 arithmetic keeps the driver's
# single-precision results equal to the host build's, whatever x87 precision a game set.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Tests of this build run under Wine, in a 32-bit prefix of the build folder.
set(QF_WINE_ARCH win32)
set(CMAKE_CROSSCOMPILING_EMULATOR env WINEARCH=win32 ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
