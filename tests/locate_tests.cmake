# The drive search engine, the drive tables and folder listing, and the CLI's search commands.
# The trees are built with POSIX calls and symbolic links, so these run off Windows only.
if(WIN32)
  return()
endif()

texkit2_add_test(test_locate
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/locate/DriveSearchTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/locate/MemoryDrivesTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/locate/PosixDrivesTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/locate/HostFolderListingTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/locate/SearchFaultTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/locate/SearchReadAheadTest.cpp
  LIBS texkit2_locate_engine)

texkit2_add_test(test_search_cli
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/locate/SearchCliTest.cpp
  LIBS texkit2_cli_lib texkit2_fixtures)

texkit2_add_test(test_game_libraries
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/locate/KeyValuesTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/locate/GameLibrariesTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/locate/GamesCliTest.cpp
  LIBS texkit2_locate_engine texkit2_cli_lib texkit2_fixtures)
