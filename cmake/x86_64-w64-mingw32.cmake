# 64-bit Windows: the product for 64-bit driver packages.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(BM_TRIPLET x86_64-w64-mingw32)
set(BM_WINE_LOADER /usr/lib/wine/wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
