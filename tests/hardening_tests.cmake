# Fault injection: failing writes, full disks, archives and registry files that change under a
# run, signals that end it. POSIX only (tmpfs, FIFOs, Wine prefixes, signals).
if(NOT WIN32)
  texkit2_add_test(test_hardening
    SOURCES
      hardening/ExtractionFaultTest.cpp
      hardening/RegistrationFaultTest.cpp
      hardening/FuzzFindingsTest.cpp
      hardening/InterruptTest.cpp
      hardening/Deadline.h
    LIBS texkit2_extract texkit2_cli_lib texkit2_fixtures)
endif()
