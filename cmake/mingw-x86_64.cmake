# Cross build for x86-64 Windows: the driver 64-bit games load. SSE2 is x86-64's own
# arithmetic; the flags are the win32 build's, so both give the same single-precision results.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QF_MINGW_TRIPLE x86_64-w64-mingw32)
set(QF_WINE_ARCH win64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
