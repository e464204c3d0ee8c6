# Cross build for x86-64 Windows with Debian's mingw-w64 (posix thread model, linked
# statically so the products import system DLLs only): the driver 64-bit games load. SSE2
# is x86-64's own arithmetic; the flags are the win32 build's, so both give the same
# single-precision results.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Tests of this build run under 64-bit Wine, in a 64-bit prefix of the build folder.
set(QF_WINE_ARCH win64)
set(CMAKE_CROSSCOMPILING_EMULATOR env WINEARCH=win64 ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
