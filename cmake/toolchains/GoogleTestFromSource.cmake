# GoogleTest compiled with the cross toolchain from TEXKIT2_GOOGLETEST_SOURCE_DIR (Debian's
# package googletest puts the sources in /usr/src/googletest), linked statically, offering the
# same GTest::gtest and GTest::gtest_main targets as find_package(GTest).
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_SHARED_LIBS OFF CACHE BOOL "" FORCE)
# Windows' own threads, not winpthread, carry GoogleTest's locks.
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
add_subdirectory(${TEXKIT2_GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest
                 EXCLUDE_FROM_ALL SYSTEM)
if(NOT TARGET GTest::gtest)
  add_library(GTest::gtest ALIAS gtest)
  add_library(GTest::gtest_main ALIAS gtest_main)
endif()
