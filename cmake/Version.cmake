# The version from project() as a header, for --version of both programs:
#   target_link_libraries(target PRIVATE texkit2_version)  then  #include "Version.h"
configure_file(${CMAKE_CURRENT_LIST_DIR}/Version.h.in ${CMAKE_BINARY_DIR}/generated/Version.h
               @ONLY)
add_library(texkit2_version INTERFACE)
target_include_directories(texkit2_version INTERFACE ${CMAKE_BINARY_DIR}/generated)
