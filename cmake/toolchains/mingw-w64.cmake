# The mingw-w64 cross-compilers of one target, named by
# KORTOOLS_MINGW_TRIPLET; included by the toolchain file of each target.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${KORTOOLS_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KORTOOLS_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${KORTOOLS_MINGW_TRIPLET}-windres)
set(CMAKE_AR ${KORTOOLS_MINGW_TRIPLET}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${KORTOOLS_MINGW_TRIPLET}-gcc-ranlib-posix CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${KORTOOLS_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C++ runtime (libstdc++, libgcc, winpthread) is linked in statically, so
# that the DLL needs no DLL besides the system's own.
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
