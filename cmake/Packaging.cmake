# The packages, by CPack: a Debian package on Linux (scripts/package.sh), a zip and an installer
# on Windows (texkit2-VERSION-win32.zip and texkit2-VERSION-win32-setup.exe, or -win64 for the
# x86_64 build; scripts/windows-build.sh). Version, summary and homepage come from project().
set(CPACK_PACKAGE_NAME texkit2)
# All four parts: CPack's default drops the fourth (1.0.12).
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Texkit2 developers")
set(CPACK_PACKAGE_CONTACT "${TEXKIT2_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION
    "Texkit2 opens the two archives of an installed Quake or Hexen II, collects\n"
    "the textures embedded in every map in them, keeps the first copy of each\n"
    "texture name and writes them all into one WAD2 file (Quake.wad or\n"
    "Hexen2.wad) for level editors, which it then registers as a texture pack in\n"
    "the editor's settings, in the Wine prefix the editor runs in.\n"
    "\n"
    "It comes with a desktop window, texkit2, which leads through the steps and\n"
    "finds the game by a search of the drives or by hand and shows the textures\n"
    "in the game's colours, and a command line, texkit2-cli, which also lists\n"
    "the entries of a WAD2 file and exports its textures as PNG pictures.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_STRIP_FILES ON)
# Folders as Debian and unzip users expect them, whatever the umask of the build.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

if(WIN32)
  set(CPACK_GENERATOR ZIP NSIS)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CPACK_PACKAGE_FILE_NAME texkit2-${PROJECT_VERSION}-win64)
  else()
    set(CPACK_PACKAGE_FILE_NAME texkit2-${PROJECT_VERSION}-win32)
  endif()
  # The installer, made by Debian's makensis from a script of our own (cmake/nsis): CPack's
  # stock one edits PATH and knows no file types. Its stub has the programs' word size, so that
  # the 64-bit one installs under Program Files and the 64-bit registry, where it belongs.
  set(CPACK_MODULE_PATH ${PROJECT_SOURCE_DIR}/cmake/nsis)
  set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/nsis/CPackOptions.cmake)
  set(CPACK_PACKAGE_INSTALL_DIRECTORY Texkit2)
  set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
  set(CPACK_TEXKIT2_NSIS_ICON ${PROJECT_SOURCE_DIR}/res/windows/texkit2.ico)
  set(CPACK_TEXKIT2_NSIS_HOMEPAGE "${PROJECT_HOMEPAGE_URL}")
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CPACK_TEXKIT2_NSIS_TARGET amd64-unicode)
    set(CPACK_TEXKIT2_NSIS_PROGRAMFILES64 "!define MULTIUSER_USE_PROGRAMFILES64")
    set(CPACK_TEXKIT2_NSIS_REGVIEW "SetRegView 64")
  else()
    set(CPACK_TEXKIT2_NSIS_TARGET x86-unicode)
    set(CPACK_TEXKIT2_NSIS_PROGRAMFILES64 "")
    set(CPACK_TEXKIT2_NSIS_REGVIEW "")
  endif()
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # texkit2_VERSION_ARCH.deb
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TEXKIT2_MAINTAINER}")
  # Not games: that section is for packages with a game in /usr/games. A converter of textures.
  set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${PROJECT_HOMEPAGE_URL}")
  # Depends: the libraries the binaries link, as dpkg-shlibdeps finds them (dpkg-dev).
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # The level editor that receives the texture pack runs under Wine on Linux.
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS wine)
endif()

include(CPack)
