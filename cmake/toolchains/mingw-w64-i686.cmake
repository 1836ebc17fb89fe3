# Cross-build for 32-bit Windows with Debian's mingw-w64 compilers (package
# g++-mingw-w64-i686-posix).
#
#   cmake --preset windows-i686 && cmake --build --preset windows-i686
set(KORTOOLS_MINGW_TRIPLET i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
