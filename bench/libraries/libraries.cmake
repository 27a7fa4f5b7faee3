# The game-library lookup timed beside the drive walk to the same folder (scripts/bench.sh).
add_executable(texkit2-bench-libraries
  ${CMAKE_CURRENT_LIST_DIR}/LibrariesBenchmark.cpp
  ${PROJECT_SOURCE_DIR}/bench/search/TreeGenerator.cpp
)
target_include_directories(texkit2-bench-libraries PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(texkit2-bench-libraries PRIVATE texkit2_locate_engine texkit2_fixtures
  texkit2_warnings)
