# Windows only: the Win32 file layer, the Win32 registry store and the CLI against the real
# system, and the desktop application's resources (run under Wine by scripts/ci-windows.sh, or
# natively).
if(NOT WIN32)
  return()
endif()

set(_texkit2_windows_tests
  windows/Win32FileSystemTest.cpp
  windows/Win32RegistryStoreTest.cpp
  windows/WindowsCliTest.cpp)
set(_texkit2_windows_libs texkit2_cli_lib texkit2_fixtures)
if(TARGET texkit2_locate_engine)
  list(APPEND _texkit2_windows_tests windows/Win32DrivesTest.cpp windows/WindowsDriveSearchTest.cpp
    windows/WindowsGameLibrariesTest.cpp)
  list(APPEND _texkit2_windows_libs texkit2_locate_engine)
endif()
texkit2_add_test(test_windows SOURCES ${_texkit2_windows_tests} LIBS ${_texkit2_windows_libs})

# The desktop application's resources, read back by Windows. Its dialogs and animation controls
# are windows, which Wine draws on X: run_with_display.sh gives the tests a display.
set(_texkit2_emulator ${CMAKE_CROSSCOMPILING_EMULATOR})
if(_texkit2_emulator)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/windows/run_with_display.sh
      ${_texkit2_emulator})
endif()
texkit2_add_test(test_win32_resources
  SOURCES windows/Win32ResourcesTest.cpp
  LIBS texkit2_layouts comctl32)
set(CMAKE_CROSSCOMPILING_EMULATOR ${_texkit2_emulator})
texkit2_add_gui_resources(test_win32_resources)
texkit2_add_manifest(test_win32_resources)
target_compile_definitions(test_win32_resources PRIVATE
  TEXKIT2_RES_SOURCE_DIR="${PROJECT_SOURCE_DIR}/res"
  TEXKIT2_VERSION_MAJOR=${PROJECT_VERSION_MAJOR} TEXKIT2_VERSION_MINOR=${PROJECT_VERSION_MINOR}
  TEXKIT2_VERSION_PATCH=${PROJECT_VERSION_PATCH} TEXKIT2_VERSION_TWEAK=${PROJECT_VERSION_TWEAK})

# The Win32 backend of the dialog framework, driving real dialogs by window handle and control
# id: their own layouts, strings, icon, tree bitmap and clip are in TestResources.rc. Under Wine
# they need an X display (scripts/ci-windows.sh runs them on Xvfb).
if(TARGET texkit2_framework_win32)
  set(_texkit2_gui_dir ${CMAKE_CURRENT_SOURCE_DIR}/windows/gui)
  texkit2_add_test(test_windows_gui
    SOURCES windows/gui/Win32DialogTest.cpp windows/gui/Win32LongOperationTest.cpp
            windows/gui/Win32ThumbnailTest.cpp windows/gui/Win32TreeTest.cpp
            windows/gui/TestResources.rc
    LIBS texkit2_framework_win32)
  texkit2_add_manifest(test_windows_gui)
  # The resource compiler reports no included files, so name them for rebuilds.
  set_source_files_properties(windows/gui/TestResources.rc PROPERTIES OBJECT_DEPENDS
    "${_texkit2_gui_dir}/tree.bmp;${_texkit2_gui_dir}/clip.avi;${PROJECT_SOURCE_DIR}/res/windows/texkit2.ico")
endif()

# The application's dialogs on the Win32 front end, over its real resources: the dialog logic
# tests every front end runs, and the whole walk driven by window handle and control id.
if(TARGET texkit2_app)
  texkit2_add_test(test_windows_app
    SOURCES dialogs/DialogLogicTest.cpp windows/gui/AppWalkTest.cpp windows/gui/DialogTextsTest.cpp
            windows/gui/WindowDetailsTest.cpp windows/gui/TrenchBroomButtonWin32Test.cpp
    LIBS texkit2_app texkit2_fixtures texkit2_nlohmann_json)
  texkit2_add_gui_resources(test_windows_app)
  texkit2_add_manifest(test_windows_app)
endif()

# Set once ctest has listed the tests (discovery runs the executables, so it waits for ctest).
# - The tests that make and remove the level editor's settings key take turns.
# - CliTest cases that expect POSIX separators in the output or a Wine prefix on disk are shown
#   as disabled; the Windows behaviour they stand for is covered by WindowsCliTest. A name that
#   no longer exists is ignored.
set(_texkit2_properties_file ${CMAKE_CURRENT_BINARY_DIR}/windows_test_properties.cmake)
file(CONFIGURE OUTPUT ${_texkit2_properties_file} @ONLY CONTENT [=[
# The GUI tests need an X display under Wine: `ctest -L gui` picks them, `-LE gui` the rest.
# Without one (DISPLAY unset or empty, as the test presets leave it) they are shown as disabled:
# Wine would only fail to make their windows, slowly.
foreach(name IN LISTS test_windows_gui_TESTS test_windows_app_TESTS)
  set_tests_properties(${name} PROPERTIES LABELS gui)
  if(@CMAKE_CROSSCOMPILING@ AND "$ENV{DISPLAY}" STREQUAL "")
    set_tests_properties(${name} PROPERTIES DISABLED TRUE)
  endif()
endforeach()
foreach(name IN LISTS test_windows_TESTS test_windows_app_TESTS)
  if(name MATCHES "^(Win32RegistrationTest|WindowsCliTest|AppWalkTest)\\.")
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK editor_settings)
  endif()
endforeach()
# The test that sets the screen's DPI for the programs it starts runs alone: any other program
# started meanwhile would come up at that DPI.
foreach(name IN LISTS test_windows_app_TESTS)
  if(name STREQUAL "DialogTextsTest.EveryTextFitsAtEachDpi")
    set_tests_properties(${name} PROPERTIES RUN_SERIAL TRUE)
  endif()
endforeach()
foreach(name IN ITEMS
    CliTest.ExtractsTheSampleGameWhateverTheFolderSpelling
    CliTest.PrintsJsonAndAProgressBarOnATerminal
    CliTest.JsonSpellsPathsAsUnicodeAndCarriesWhatTheRunReported
    CliTest.RegistersTheWadInTheWinePrefix
    CliTest.ExtractAllWritesTheBaseWadThenOneWadPerOtherFolder
    CliTest.ExtractWritesAndRegistersTheOutputFile)
  # list(FIND), not IN_LIST: ctest reads this file under the old policies.
  list(FIND test_cli_TESTS ${name} index)
  if(NOT index EQUAL -1)
    set_tests_properties(${name} PROPERTIES DISABLED TRUE)
  endif()
endforeach()
]=])
set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${_texkit2_properties_file})

