find_package(Qt6 6.4 REQUIRED COMPONENTS Test)

# GUI tests: their own main makes the QApplication (offscreen unless told otherwise).
add_executable(test_gui
  gui/GuiTestMain.cpp
  gui/ExtractDlgTest.cpp
  gui/SmallDialogsTest.cpp
  gui/SearchDlgTest.cpp
  gui/ScreenshotTest.cpp)
target_link_libraries(test_gui PRIVATE texkit2_app texkit2_fixtures Qt6::Test GTest::gtest
                      texkit2_warnings)
target_include_directories(test_gui PRIVATE ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_BINARY_DIR})
gtest_discover_tests(test_gui DISCOVERY_TIMEOUT 60
  PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
