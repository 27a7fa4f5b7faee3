# Windows only: the resources of the executables. Included from the top-level CMakeLists.txt
# before the folders, so that each folder adds the resources of its own executables:
#   texkit2_add_windows_resources(texkit2-cli texkit2-cli.rc)
#       a script of this folder, which includes the version resource (and names icon 128)
#   texkit2_add_manifest(texkit2)
#       the application manifest: common controls 6, per-monitor DPI, Windows 7 to 11, asInvoker
#   texkit2_add_gui_resources(texkit2)
#       the Win32 desktop application's resources: a script written at build time from the
#       dialog layouts (res/dialogs/*.json) and the string table (res/strings.json), with the
#       drawn icons, bitmap and clips and the version resource
#
# The artwork is drawn by a Qt program and the script written by a host tool, so both come
# from a Linux build of this tree; scripts/windows-build.sh builds them there and sets:
include(${CMAKE_CURRENT_LIST_DIR}/artwork.cmake)
set(TEXKIT2_HOST_ARTWORK_DIR "${PROJECT_SOURCE_DIR}/build/res/generated" CACHE PATH
    "Folder of the drawn Windows artwork (target texkit2-artwork of a Linux build)")
set(TEXKIT2_HOST_MAKE_RC "${PROJECT_SOURCE_DIR}/build/res/rc/texkit2-make-rc" CACHE FILEPATH
    "The resource script writer of a Linux build (target texkit2-make-rc)")

# The version resource, numbered from project(): the one place the version is written.
set(_texkit2_version_dir ${CMAKE_BINARY_DIR}/res/windows)
set(TEXKIT2_RC_VERSION "")
foreach(part MAJOR MINOR PATCH TWEAK)
  set(_texkit2_number "${PROJECT_VERSION_${part}}")
  if(_texkit2_number STREQUAL "")
    set(_texkit2_number 0)
  endif()
  list(APPEND TEXKIT2_RC_VERSION ${_texkit2_number})
endforeach()
list(JOIN TEXKIT2_RC_VERSION ", " TEXKIT2_RC_VERSION) # 1, 0, 12, 99
configure_file(${CMAKE_CURRENT_LIST_DIR}/VersionInfo.rci.in ${_texkit2_version_dir}/VersionInfo.rci
               @ONLY)

# Adds `script`, a resource script of this folder, to `target`.
function(texkit2_add_windows_resources target script)
  set(dir ${CMAKE_CURRENT_FUNCTION_LIST_DIR})
  target_sources(${target} PRIVATE ${dir}/${script})
  # The resource compiler reports no included files, so name them for rebuilds.
  set_source_files_properties(${dir}/${script} TARGET_DIRECTORY ${target} PROPERTIES
    INCLUDE_DIRECTORIES ${_texkit2_version_dir}
    OBJECT_DEPENDS "${_texkit2_version_dir}/VersionInfo.rci;${dir}/texkit2.ico")
endfunction()

# Adds the application manifest (res/windows/texkit2.manifest) to `target`.
function(texkit2_add_manifest target)
  set(dir ${CMAKE_CURRENT_FUNCTION_LIST_DIR})
  target_sources(${target} PRIVATE ${dir}/Manifest.rc)
  set_source_files_properties(${dir}/Manifest.rc TARGET_DIRECTORY ${target} PROPERTIES
    OBJECT_DEPENDS ${dir}/texkit2.manifest)
endfunction()

# Adds the desktop application's resources to `target`: dialogs 100, 102, 130, 133, 138, the
# string table, icons 128, 135, 136, 137, 139, bitmap 134, AVI clips 129, 132, the version.
function(texkit2_add_gui_resources target)
  if(NOT EXISTS "${TEXKIT2_HOST_MAKE_RC}" OR NOT IS_DIRECTORY "${TEXKIT2_HOST_ARTWORK_DIR}")
    message(FATAL_ERROR "The resources of ${target} need a Linux build's texkit2-make-rc and "
      "drawn artwork (TEXKIT2_HOST_MAKE_RC=${TEXKIT2_HOST_MAKE_RC}, "
      "TEXKIT2_HOST_ARTWORK_DIR=${TEXKIT2_HOST_ARTWORK_DIR}): build the targets texkit2-make-rc "
      "and texkit2-artwork there first, as scripts/windows-build.sh does.")
  endif()
  file(GLOB layouts CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/res/dialogs/*.json)
  set(strings ${PROJECT_SOURCE_DIR}/res/strings.json)
  set(script ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources.rc)
  add_custom_command(
    OUTPUT ${script}
    COMMAND ${TEXKIT2_HOST_MAKE_RC} --output ${script} --strings ${strings}
            --artwork ${TEXKIT2_HOST_ARTWORK_DIR} --version VersionInfo.rci ${layouts}
    DEPENDS ${layouts} ${strings} ${TEXKIT2_HOST_MAKE_RC}
    COMMENT "Writing the resource script of ${target}"
    VERBATIM)
  list(TRANSFORM TEXKIT2_WINDOWS_ARTWORK PREPEND ${TEXKIT2_HOST_ARTWORK_DIR}/
       OUTPUT_VARIABLE artwork)
  target_sources(${target} PRIVATE ${script})
  set_source_files_properties(${script} TARGET_DIRECTORY ${target} PROPERTIES
    INCLUDE_DIRECTORIES ${_texkit2_version_dir}
    OBJECT_DEPENDS "${artwork};${_texkit2_version_dir}/VersionInfo.rci")
endfunction()
