# The install as a user meets it: the programs run from a temporary prefix alone, and the man
# pages and the completion keep in step with --help. Shell scripts: what they check is files
# and programs, as installed.
if(WIN32)
  return()
endif()
set(_texkit2_install_dir ${CMAKE_CURRENT_SOURCE_DIR}/install)
set(_texkit2_gui 0)
if(TARGET texkit2)
  set(_texkit2_gui 1)
endif()

set(_texkit2_sanitized 0)
if(TEXKIT2_SANITIZE)
  set(_texkit2_sanitized 1)
endif()
add_test(NAME InstalledProgramsRunWithoutTheBuildTree
  COMMAND bash ${_texkit2_install_dir}/installed_programs.sh ${CMAKE_BINARY_DIR}
          ${PROJECT_SOURCE_DIR} ${PROJECT_VERSION} $<TARGET_FILE:texkit2-sample-game>
          ${_texkit2_gui})
set_tests_properties(InstalledProgramsRunWithoutTheBuildTree PROPERTIES TIMEOUT 120
  ENVIRONMENT "BINDIR=${CMAKE_INSTALL_BINDIR};MANDIR=${CMAKE_INSTALL_MANDIR};DATADIR=${CMAKE_INSTALL_DATADIR};DOCDIR=${CMAKE_INSTALL_DOCDIR};SANITIZED=${_texkit2_sanitized}")

set(_texkit2_man_dir ${CMAKE_BINARY_DIR}/dist)
add_test(NAME ManPageOfTexkit2CliFollowsHelp
  COMMAND bash ${_texkit2_install_dir}/check_man_pages.sh $<TARGET_FILE:texkit2-cli>
          ${_texkit2_man_dir}/texkit2-cli.1)
if(_texkit2_gui)
  add_test(NAME ManPageOfTexkit2FollowsHelp
    COMMAND bash ${_texkit2_install_dir}/check_man_pages.sh $<TARGET_FILE:texkit2>
            ${_texkit2_man_dir}/texkit2.1)
endif()
# The check itself: an option that --help gains and the page lacks is caught.
add_test(NAME ManPageCheckCatchesAnUndocumentedOption
  COMMAND bash ${_texkit2_install_dir}/check_man_pages.sh
          ${_texkit2_install_dir}/help_with_new_option.sh ${_texkit2_man_dir}/texkit2-cli.1)
set_tests_properties(ManPageCheckCatchesAnUndocumentedOption PROPERTIES
  ENVIRONMENT "TEXKIT2_REAL_PROGRAM=$<TARGET_FILE:texkit2-cli>"
  PASS_REGULAR_EXPRESSION "extract: --textures-only is in --help but not in the page")

add_test(NAME CompletionOfTexkit2CliFollowsHelp
  COMMAND bash ${_texkit2_install_dir}/check_completion.sh $<TARGET_FILE:texkit2-cli>
          ${PROJECT_SOURCE_DIR}/res/texkit2-cli.bash-completion)
