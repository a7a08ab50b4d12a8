# 32-bit Windows: the product that sits beside the scanner's 32-bit driver package.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(BM_TRIPLET i686-w64-mingw32)
set(BM_WINE_LOADER /usr/lib/wine/wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
