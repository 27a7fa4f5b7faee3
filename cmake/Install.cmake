# What `cmake --install` puts where: GNUInstallDirs folders below CMAKE_INSTALL_PREFIX on Linux,
# one flat folder (the zip's) on Windows. Included last, once every target exists. The icons
# and the desktop entry are installed by res/, which draws them.

if(WIN32)
  # Unzipped, one folder: the programs and README.txt side by side, where texkit2.exe looks for
  # it (F1). Windows' own editors want CR LF line ends.
  install(TARGETS texkit2-cli RUNTIME DESTINATION .)
  if(TARGET texkit2)
    install(TARGETS texkit2 RUNTIME DESTINATION .)
  endif()
  file(READ ${PROJECT_SOURCE_DIR}/README.md _texkit2_readme)
  string(REPLACE "\r\n" "\n" _texkit2_readme "${_texkit2_readme}")
  string(REPLACE "\n" "\r\n" _texkit2_readme "${_texkit2_readme}")
  file(WRITE ${CMAKE_BINARY_DIR}/README.txt "${_texkit2_readme}")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/README.md)
  install(FILES ${CMAKE_BINARY_DIR}/README.txt DESTINATION .)
  return()
endif()

install(TARGETS texkit2-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
set(_texkit2_pages texkit2-cli)
if(TARGET texkit2)
  install(TARGETS texkit2 RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  list(APPEND _texkit2_pages texkit2)
endif()

# The README (which the window opens for F1) and, as the licence's place, copyright: the project
# has no licence file, and copyright says so and names none.
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/res/debian/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Loaded by bash-completion on the first completion of texkit2-cli.
install(FILES ${PROJECT_SOURCE_DIR}/res/texkit2-cli.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME texkit2-cli)

# The release day as Debian's changelog spells it ("Wed, 09 Dec 2026 00:00:00 +0000"), the day
# of the week by Sakamoto's method.
if(NOT TEXKIT2_RELEASE_DATE MATCHES "^([0-9][0-9][0-9][0-9])-([0-9][0-9])-([0-9][0-9])$")
  message(FATAL_ERROR "TEXKIT2_RELEASE_DATE is YYYY-MM-DD, not '${TEXKIT2_RELEASE_DATE}'")
endif()
set(_texkit2_year ${CMAKE_MATCH_1})
math(EXPR _texkit2_month "1${CMAKE_MATCH_2} - 100") # no octal for 08 and 09
set(_texkit2_day ${CMAKE_MATCH_3})
set(_texkit2_offsets 0 3 2 5 0 3 5 1 4 6 2 4)
set(_texkit2_weekdays Sun Mon Tue Wed Thu Fri Sat)
set(_texkit2_months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
math(EXPR _texkit2_index "${_texkit2_month} - 1")
list(GET _texkit2_offsets ${_texkit2_index} _texkit2_offset)
list(GET _texkit2_months ${_texkit2_index} _texkit2_month_name)
set(_texkit2_y ${_texkit2_year})
if(_texkit2_month LESS 3)
  math(EXPR _texkit2_y "${_texkit2_y} - 1")
endif()
math(EXPR _texkit2_weekday "(${_texkit2_y} + ${_texkit2_y} / 4 - ${_texkit2_y} / 100 \
  + ${_texkit2_y} / 400 + ${_texkit2_offset} + 1${_texkit2_day} - 100) % 7")
list(GET _texkit2_weekdays ${_texkit2_weekday} _texkit2_weekday_name)
set(TEXKIT2_RELEASE_DATE_RFC2822
    "${_texkit2_weekday_name}, ${_texkit2_day} ${_texkit2_month_name} ${_texkit2_year} 00:00:00 +0000")

# Who answers for the package (Debian's Maintainer, the changelog's signature).
set(TEXKIT2_MAINTAINER "The Texkit2 developers <texkit2@example.org>" CACHE STRING
    "Name <address> of the package maintainer")

# Generated texts: the man pages (version, date, the doc folder) and the changelog, gzip'd for
# man and dpkg as Debian does it (-n: no name or time, reproducible).
set(_texkit2_dist ${CMAKE_BINARY_DIR}/dist)
configure_file(${PROJECT_SOURCE_DIR}/res/debian/changelog.in ${_texkit2_dist}/changelog @ONLY)
set(_texkit2_texts ${_texkit2_dist}/changelog)
foreach(page IN LISTS _texkit2_pages)
  configure_file(${PROJECT_SOURCE_DIR}/docs/man/${page}.1.in ${_texkit2_dist}/${page}.1 @ONLY)
  list(APPEND _texkit2_texts ${_texkit2_dist}/${page}.1)
endforeach()

find_program(TEXKIT2_GZIP gzip)
set(_texkit2_installed_texts)
if(TEXKIT2_GZIP)
  foreach(text IN LISTS _texkit2_texts)
    get_filename_component(name ${text} NAME)
    set(packed ${_texkit2_dist}/gz/${name}.gz)
    add_custom_command(OUTPUT ${packed}
      COMMAND ${CMAKE_COMMAND} -E copy ${text} ${_texkit2_dist}/gz/${name}
      COMMAND ${TEXKIT2_GZIP} -9nf ${_texkit2_dist}/gz/${name}
      DEPENDS ${text}
      VERBATIM)
    list(APPEND _texkit2_installed_texts ${packed})
  endforeach()
  add_custom_target(texkit2-dist-texts ALL DEPENDS ${_texkit2_installed_texts})
  set(_texkit2_suffix .gz)
  set(_texkit2_text_dir ${_texkit2_dist}/gz)
else()
  set(_texkit2_suffix "")
  set(_texkit2_text_dir ${_texkit2_dist})
endif()

foreach(page IN LISTS _texkit2_pages)
  install(FILES ${_texkit2_text_dir}/${page}.1${_texkit2_suffix}
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
install(FILES ${_texkit2_text_dir}/changelog${_texkit2_suffix} DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The software centre's entry of the window, named by its AppStream id.
if(TARGET texkit2)
  set(TEXKIT2_SCREENSHOT_URL "${PROJECT_HOMEPAGE_URL}/screenshots" CACHE STRING
      "Where the screenshots of docs/screenshots/ are published (AppStream)")
  set(TEXKIT2_APPSTREAM_ID org.example.texkit2)
  configure_file(${PROJECT_SOURCE_DIR}/res/texkit2.metainfo.xml.in
                 ${_texkit2_dist}/${TEXKIT2_APPSTREAM_ID}.metainfo.xml @ONLY)
  install(FILES ${_texkit2_dist}/${TEXKIT2_APPSTREAM_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()
