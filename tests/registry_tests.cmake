# Registry store tests; the Wine store exists only off Windows.
set(_texkit2_registry_tests ${CMAKE_CURRENT_LIST_DIR}/platform/MemoryRegistryStoreTest.cpp)
if(NOT WIN32)
  list(APPEND _texkit2_registry_tests ${CMAKE_CURRENT_LIST_DIR}/platform/WineRegistryStoreTest.cpp)
endif()
texkit2_add_test(test_registry SOURCES ${_texkit2_registry_tests} LIBS texkit2_platform)
