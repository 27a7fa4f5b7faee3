# The directory tree control and the Locate dialog, driven through their widgets on real folder
# trees under an in-memory drive table. The trees are built with POSIX calls, so off Windows.
if(WIN32 OR NOT TARGET texkit2_locate_gui)
  return()
endif()
find_package(Qt6 6.4 REQUIRED COMPONENTS Test)

add_executable(test_locate_gui
  gui/GuiTestMain.cpp
  gui/GuiSupport.h
  locate/gui/LocateGuiSupport.h
  locate/gui/DirTreeCtrlTest.cpp
  locate/gui/LocateDlgTest.cpp)
# The tests reach the real widgets through the Qt backend, whose headers the dialogs never see.
target_link_libraries(test_locate_gui PRIVATE texkit2_locate_gui texkit2_app texkit2_framework_qt
                      Qt6::Widgets Qt6::Test GTest::gtest texkit2_warnings)
target_include_directories(test_locate_gui PRIVATE ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_BINARY_DIR})
gtest_discover_tests(test_locate_gui DISCOVERY_TIMEOUT 60
  PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
