# The Win32 file layer has its own tests (windows_tests.cmake).
if(NOT WIN32)
  texkit2_add_test(test_platform
    SOURCES platform/PosixFileSystemTest.cpp
    LIBS texkit2_platform)
endif()

texkit2_add_test(test_extract
  SOURCES
    extract/PakScanTest.cpp
    extract/WadWriterTest.cpp
    extract/WadReaderTest.cpp
    extract/PaletteTest.cpp
    extract/ConflictsTest.cpp
    extract/TexturePackTest.cpp
    extract/ExtractionTest.cpp
    extract/FolderSourcesTest.cpp
    extract/TrenchBroomPreferencesTest.cpp
  LIBS texkit2_extract texkit2_fixtures)

texkit2_add_test(test_cli
  SOURCES
    cli/CliTest.cpp
    cli/CommandLineTest.cpp
    cli/JsonTest.cpp
    cli/ImageCommandsTest.cpp
    cli/TrenchBroomCliTest.cpp
    cli/NewMapTest.cpp
    common/PngReader.cpp common/PngReader.h
  LIBS texkit2_cli_lib texkit2_fixtures texkit2_stb)

# Runs only where Debian's wine is installed; about ten seconds there.
if(NOT WIN32)
  texkit2_add_test(test_wine
    SOURCES cli/WineRegistrationTest.cpp
    LIBS texkit2_fixtures)
  add_dependencies(test_wine texkit2-cli)
endif()
