# Windows only: the version resource and icon 128 of both executables, and the Qt deployment of
# the desktop application. Included from the top-level CMakeLists.txt once every target exists.
#
# The desktop application on Windows (needs a Windows build of Qt 6, so not built by default):
#   cmake --preset windows-i686 -DTEXKIT2_BUILD_GUI=ON -DCMAKE_PREFIX_PATH=<Qt>/6.x/mingw_32
#         [-DQT_HOST_PATH=<a host Qt of the same version>]   (only when cross-compiling)
#   cmake --build --preset windows-i686 --target texkit2-deploy
# texkit2-deploy copies texkit2.exe into <build>/deploy and runs windeployqt there, which adds the
# Qt DLLs and plugins the program needs.

# Adds `script` (which includes the version resource and the icon) to `target`.
function(texkit2_add_windows_resources target script)
  set(dir ${CMAKE_CURRENT_FUNCTION_LIST_DIR})
  target_sources(${target} PRIVATE ${dir}/${script})
  # The resource compiler reports no included files, so name them for rebuilds.
  set_source_files_properties(${dir}/${script} TARGET_DIRECTORY ${target}
    PROPERTIES OBJECT_DEPENDS "${dir}/VersionInfo.rci;${dir}/texkit2.ico")
endfunction()

if(TARGET texkit2-cli)
  texkit2_add_windows_resources(texkit2-cli texkit2-cli.rc)
endif()

if(TARGET texkit2) # the desktop application (app/)
  texkit2_add_windows_resources(texkit2 texkit2.rc)

  # windeployqt comes with the Windows Qt, in the bin folder beside lib/cmake/Qt6.
  find_program(TEXKIT2_WINDEPLOYQT NAMES windeployqt windeployqt.exe windeployqt6
    HINTS "${Qt6_DIR}/../../../bin" "${QT6_INSTALL_PREFIX}/bin" NO_CMAKE_FIND_ROOT_PATH)
  if(TEXKIT2_WINDEPLOYQT)
    set(deployDir ${CMAKE_BINARY_DIR}/deploy)
    # Under a cross build the Windows windeployqt.exe runs through the emulator (Wine).
    set(runner "")
    if(CMAKE_CROSSCOMPILING AND TEXKIT2_WINDEPLOYQT MATCHES "\\.exe$")
      set(runner ${CMAKE_CROSSCOMPILING_EMULATOR})
    endif()
    add_custom_target(texkit2-deploy
      COMMAND ${CMAKE_COMMAND} -E make_directory ${deployDir}
      COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:texkit2>
              ${deployDir}
      COMMAND ${runner} ${TEXKIT2_WINDEPLOYQT} --no-translations
              ${deployDir}/$<TARGET_FILE_NAME:texkit2>
      DEPENDS texkit2
      COMMENT "Gathering the Qt DLLs beside texkit2.exe in ${deployDir}"
      VERBATIM)
  else()
    message(STATUS "windeployqt not found: no texkit2-deploy target")
  endif()
endif()
