# stb_image_write (and stb_image, which the tests read PNG files back with): header-only, from
# Debian's libstb-dev, in /usr/include/stb. A cross build takes them from the host too: they
# hold no code for any one target, and that folder holds nothing but stb's headers, so no host
# header can leak into the build.
find_path(TEXKIT2_STB_INCLUDE_DIR stb_image_write.h
  PATHS /usr/include
  PATH_SUFFIXES stb
  NO_CMAKE_FIND_ROOT_PATH)
if(NOT TEXKIT2_STB_INCLUDE_DIR)
  message(FATAL_ERROR "stb_image_write.h was not found: install Debian's libstb-dev "
                      "(scripts/setup.sh), or set TEXKIT2_STB_INCLUDE_DIR")
endif()
add_library(texkit2_stb INTERFACE)
target_include_directories(texkit2_stb SYSTEM INTERFACE ${TEXKIT2_STB_INCLUDE_DIR})
