# Shared by the two toolchain files: a cross build for Windows with the
# mingw-w64 posix thread model (the win32 thread model has no std::thread or
# std::mutex in GCC 12). BM_TRIPLET and BM_WINE_LOADER are set by the caller.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${BM_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${BM_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${BM_TRIPLET}-windres)
set(CMAKE_DLLTOOL ${BM_TRIPLET}-dlltool)

set(CMAKE_FIND_ROOT_PATH /usr/${BM_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# The wrapper in /usr/bin starts the 32-bit loader whenever it is installed,
# so each architecture names its own loader.
set(CMAKE_CROSSCOMPILING_EMULATOR ${BM_WINE_LOADER})
