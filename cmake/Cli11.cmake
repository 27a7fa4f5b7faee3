# CLI11 (Debian's libcli11-dev), header-only, parses texkit2-cli's options. Its headers sit in
# /usr/include/CLI beside every other host header, so the build sees a copy of that folder
# alone: a cross build can use them as it uses nlohmann's JSON, and no host header leaks in.
find_path(TEXKIT2_CLI11_DIR CLI/CLI.hpp
  PATHS /usr/include
  NO_CMAKE_FIND_ROOT_PATH)
if(NOT TEXKIT2_CLI11_DIR)
  message(FATAL_ERROR "CLI/CLI.hpp was not found: install Debian's libcli11-dev "
                      "(scripts/setup.sh), or set TEXKIT2_CLI11_DIR")
endif()
set(TEXKIT2_CLI11_COPY ${CMAKE_BINARY_DIR}/third_party/cli11)
file(COPY ${TEXKIT2_CLI11_DIR}/CLI DESTINATION ${TEXKIT2_CLI11_COPY})
add_library(texkit2_cli11 INTERFACE)
target_include_directories(texkit2_cli11 SYSTEM INTERFACE ${TEXKIT2_CLI11_COPY})
