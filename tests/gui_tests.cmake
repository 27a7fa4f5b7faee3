find_package(Qt6 6.4 REQUIRED COMPONENTS Test)

# GUI tests: their own main makes the QApplication (offscreen unless told otherwise).
add_executable(test_gui
  gui/GuiTestMain.cpp
  gui/ExtractDlgTest.cpp
  gui/SmallDialogsTest.cpp
  gui/SearchDlgTest.cpp
  gui/ScreenshotTest.cpp
  gui/ThumbnailControlsTest.cpp
  gui/TextureBrowserTest.cpp
  gui/DialogTextsTest.cpp
  gui/TrenchBroomButtonTest.cpp
  dialogs/DialogLogicTest.cpp)
target_link_libraries(test_gui PRIVATE texkit2_app_qt texkit2_fixtures Qt6::Widgets Qt6::Test GTest::gtest
                      texkit2_warnings)
target_include_directories(test_gui PRIVATE ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_BINARY_DIR})
# Layouts of the tests' own, beside the program's under :/res/dialogs.
qt_add_resources(test_gui "test_gui_layouts"
  PREFIX "/res"
  BASE ${CMAKE_CURRENT_SOURCE_DIR}/gui
  FILES gui/dialogs/900.json)
gtest_discover_tests(test_gui DISCOVERY_TIMEOUT 60
  PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")

# The real program on a real (virtual) X server.
add_test(NAME StartsUnderXvfb
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/gui/start_under_xvfb.sh $<TARGET_FILE:texkit2>)
# xvfb-run -a picks the same free display for two servers started at once: one at a time.
set_tests_properties(StartsUnderXvfb PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 30 RESOURCE_LOCK xvfb)

add_test(NAME SaysSoWithoutADisplay
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/gui/no_display.sh $<TARGET_FILE:texkit2>)
set_tests_properties(SaysSoWithoutADisplay PROPERTIES TIMEOUT 30)

# The whole window worked by hand, road by road; on a real X server under CTest.
add_executable(test_end_to_end gui/GuiTestMain.cpp gui/EndToEndTest.cpp)
target_link_libraries(test_end_to_end PRIVATE texkit2_app_qt texkit2_fixtures Qt6::Widgets Qt6::Test GTest::gtest
                      texkit2_warnings)
target_include_directories(test_end_to_end PRIVATE ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_BINARY_DIR})
add_test(NAME EndToEndUnderXvfb
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/gui/run_under_xvfb.sh $<TARGET_FILE:test_end_to_end>)
set_tests_properties(EndToEndUnderXvfb PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 60 RESOURCE_LOCK xvfb)
