# One place for the warning flags every target links.
add_library(texkit2_warnings INTERFACE)
if(MSVC)
  target_compile_options(texkit2_warnings INTERFACE /W4)
else()
  target_compile_options(texkit2_warnings INTERFACE
    -Wall -Wextra -Wconversion -Wsign-conversion -Wold-style-cast -Wshadow -Wnon-virtual-dtor)
endif()
