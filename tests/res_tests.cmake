# The drawn artwork and the embedded layouts, read back through the resource system.
texkit2_add_test(test_resources
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/res/ResourcesTest.cpp
  LIBS texkit2_resources Qt6::Gui)
target_compile_definitions(test_resources PRIVATE
  TEXKIT2_RES_SOURCE_DIR="${PROJECT_SOURCE_DIR}/res"
  TEXKIT2_ARTWORK_DIR="${PROJECT_BINARY_DIR}/res/generated")

# The Win32 resources' files and script, as the art tool and texkit2-make-rc write them.
texkit2_add_test(test_windows_formats
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/res/WindowsFormatsTest.cpp
  LIBS texkit2_windows_formats)
texkit2_add_test(test_resource_script
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/res/ResourceScriptTest.cpp
  LIBS texkit2_layouts)
target_compile_definitions(test_resource_script PRIVATE
  TEXKIT2_RES_SOURCE_DIR="${PROJECT_SOURCE_DIR}/res")
