# 64-bit Windows, where 32-bit Wine cannot be had: Debian's g++-mingw-w64-x86-64.
set(TEXKIT2_MINGW_TRIPLET x86_64-w64-mingw32)
set(TEXKIT2_MINGW_PROCESSOR AMD64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
