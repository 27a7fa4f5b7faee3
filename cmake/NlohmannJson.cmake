# nlohmann's JSON (Debian's nlohmann-json3-dev), header-only, for Epic's manifests. Its headers
# sit in /usr/include/nlohmann beside every other host header, so the build sees a copy of that
# folder alone: a cross build can use them as it uses stb's, and no host header leaks in.
find_path(TEXKIT2_NLOHMANN_JSON_DIR nlohmann/json.hpp
  PATHS /usr/include
  NO_CMAKE_FIND_ROOT_PATH)
if(NOT TEXKIT2_NLOHMANN_JSON_DIR)
  message(FATAL_ERROR "nlohmann/json.hpp was not found: install Debian's nlohmann-json3-dev "
                      "(scripts/setup.sh), or set TEXKIT2_NLOHMANN_JSON_DIR")
endif()
set(TEXKIT2_NLOHMANN_JSON_COPY ${CMAKE_BINARY_DIR}/third_party/nlohmann-json)
file(COPY ${TEXKIT2_NLOHMANN_JSON_DIR}/nlohmann DESTINATION ${TEXKIT2_NLOHMANN_JSON_COPY})
add_library(texkit2_nlohmann_json INTERFACE)
target_include_directories(texkit2_nlohmann_json SYSTEM INTERFACE ${TEXKIT2_NLOHMANN_JSON_COPY})
