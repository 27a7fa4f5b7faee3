# Shared part of the MinGW-w64 cross toolchains; the per-architecture files set
# TEXKIT2_MINGW_TRIPLET and TEXKIT2_MINGW_PROCESSOR, then include this one.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${TEXKIT2_MINGW_PROCESSOR})

# The posix thread model: GCC 12's win32 model has no std::thread or std::mutex.
set(CMAKE_C_COMPILER ${TEXKIT2_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TEXKIT2_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TEXKIT2_MINGW_TRIPLET}-windres)

# Libraries and packages come from the target's root only; build tools from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${TEXKIT2_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# A Windows Qt named by CMAKE_PREFIX_PATH lies outside that root: make it a root of its own.
list(APPEND CMAKE_FIND_ROOT_PATH ${CMAKE_PREFIX_PATH})

# Static runtime (libgcc, libstdc++, winpthread): each .exe runs without extra DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Tests and test discovery run under Wine. Discovery waits for ctest, so building needs no Wine.
find_program(TEXKIT2_WINE_PROGRAM NAMES wine)
if(TEXKIT2_WINE_PROGRAM)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TEXKIT2_WINE_PROGRAM})
endif()
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)

# No GoogleTest is packaged for the target: the build compiles Debian's sources with this
# toolchain (see TEXKIT2_GOOGLETEST_SOURCE_DIR in the top-level CMakeLists.txt).
if(NOT DEFINED TEXKIT2_GOOGLETEST_SOURCE_DIR AND EXISTS /usr/src/googletest/CMakeLists.txt)
  set(TEXKIT2_GOOGLETEST_SOURCE_DIR /usr/src/googletest)
endif()
