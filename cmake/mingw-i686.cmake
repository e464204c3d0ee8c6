# Cross build for 32-bit x86 Windows: the driver 32-bit games load.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(QF_MINGW_TRIPLE i686-w64-mingw32)
set(QF_WINE_ARCH win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
