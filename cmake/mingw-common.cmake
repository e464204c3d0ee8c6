# What both Windows cross builds share, for QF_MINGW_TRIPLE (i686-w64-mingw32 or
# x86_64-w64-mingw32) and QF_WINE_ARCH (win32 or win64), which the toolchain files set:
# Debian's mingw-w64 (posix thread model, linked statically so the products import system
# DLLs only), SSE2 arithmetic (so the driver's single-precision results equal the host
# build's, whatever x87 precision a game set), and tests run under Wine in a prefix of the
# build folder of that size.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${QF_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QF_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QF_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QF_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

set(CMAKE_CROSSCOMPILING_EMULATOR env WINEARCH=${QF_WINE_ARCH}
    ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
