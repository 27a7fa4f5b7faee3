# 32-bit Windows, as the tool was made for: Debian's g++-mingw-w64-i686.
set(TEXKIT2_MINGW_TRIPLET i686-w64-mingw32)
set(TEXKIT2_MINGW_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
