texkit2_add_test(test_platform
  SOURCES platform/PosixFileSystemTest.cpp
  LIBS texkit2_platform)

texkit2_add_test(test_extract
  SOURCES
    extract/PakScanTest.cpp
    extract/WadWriterTest.cpp
    extract/WadReaderTest.cpp
    extract/ExtractionTest.cpp
  LIBS texkit2_extract texkit2_fixtures)

texkit2_add_test(test_cli
  SOURCES cli/CliTest.cpp
  LIBS texkit2_cli_lib texkit2_fixtures)
