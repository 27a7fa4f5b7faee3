# The drive search timed against GNU find over one generated tree (scripts/bench-search.sh).
add_executable(texkit2-bench-search
  ${CMAKE_CURRENT_LIST_DIR}/SearchBenchmark.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TreeGenerator.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TreeGenerator.h
)
target_link_libraries(texkit2-bench-search PRIVATE texkit2_locate_engine texkit2_warnings)
