#!/usr/bin/env bash
# The Windows build, tested under Wine: installs Debian's MinGW-w64 and Wine when they are
# missing, cross-compiles (scripts/windows-build.sh), runs the Windows tests under Wine in a
# throw-away prefix on a virtual X display (Xvfb), extracts the sample game with
# texkit2-cli.exe and compares the WAD file with the Linux build's byte for byte, and reads its
# registration back with `wine reg query`.
#
# 32-bit (i686, as the tool was made for) when 32-bit Wine can be installed and run, else x86_64,
# saying so in a line that stands out; TEXKIT2_WINDOWS_ARCH=i686|x86_64 insists on one. Fails
# when no Wine can be installed: TEXKIT2_SKIP_WINDOWS=1 is the one way to skip. Uses the Linux build in build/ (LINUX_BUILD_DIR) that
# scripts/test.sh leaves, and builds it when it is missing. Run as root, or as a user with sudo.
#
# Wine's output is never read through a pipe or $(...): the processes it starts inherit the pipe
# and hold it open for as long as the wineserver lives. It goes to files instead.
set -euo pipefail
cd "$(dirname "$0")/.."

started=$SECONDS
say() { echo "ci-windows: $*"; }
work=$(mktemp -d "${TMPDIR:-/tmp}/texkit2-ci-windows.XXXXXX")
wine_started=0
xvfb_pid=
cleanup() {
  if [ "$wine_started" = 1 ]; then
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
  fi
  for pid in "$xvfb_pid" "${xvfb_hidpi_pid:-}"; do
    if [ -n "$pid" ]; then
      kill "$pid" 2>/dev/null || true
      wait "$pid" 2>/dev/null || true
    fi
  done
  rm -rf "$work"
}
trap cleanup EXIT
skip() {
  say "SKIPPED: $*"
  say "the Windows build was not tested ($((SECONDS - started)) s)"
  exit 0
}
# fail WHAT [LOG]: says what failed, shows the end of its log, and fails the run.
fail() {
  say "FAILED: $1"
  if [ -n "${2:-}" ] && [ -f "$2" ]; then
    tail -n 60 "$2"
  fi
  exit 1
}
# expect FILE TEXT: FILE holds TEXT, literally.
expect() {
  grep -qF -- "$2" "$1" || fail "$(basename "$1") lacks: $2" "$1"
}

if [ "${TEXKIT2_SKIP_WINDOWS:-0}" = 1 ]; then
  skip "TEXKIT2_SKIP_WINDOWS=1"
fi

# ---- Packages -----------------------------------------------------------------------------------
sudo=()
if [ "$(id -u)" -ne 0 ]; then
  sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
apt_log=$work/apt.log
updated=0
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
# install_missing PACKAGE...: installs those that are missing; false when apt cannot.
install_missing() {
  local missing=() package
  for package in "$@"; do
    installed "$package" || missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  say "installing ${missing[*]}"
  if [ "$updated" = 0 ]; then
    "${sudo[@]}" apt-get update -qq >>"$apt_log" 2>&1 || return 1
    updated=1
  fi
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >>"$apt_log" 2>&1
}

# googletest: its sources, compiled with the cross toolchain. wine64 runs 64-bit programs;
# wine32 (multiarch i386) the 32-bit ones. Xvfb is the display of the tests that open windows;
# fonts-wine has MS Sans Serif and Tahoma, and Liberation Serif stands in for Times New Roman.
# nsis (makensis) makes the installer.
common=(cmake ninja-build googletest libstb-dev nlohmann-json3-dev libcli11-dev wine wine64 xvfb
  xauth fonts-wine fonts-liberation file nsis)
arch=${TEXKIT2_WINDOWS_ARCH:-}
if [ -z "$arch" ] || [ "$arch" = i686 ]; then
  added_i386=0
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    if "${sudo[@]}" dpkg --add-architecture i386; then
      added_i386=1
      updated=0
    fi
  fi
  if install_missing "${common[@]}" g++-mingw-w64-i686 wine32:i386; then
    arch=i686
    # Installed is not runnable: a kernel without 32-bit emulation refuses the loader ("Exec
    # format error"), and Debian's Wine 8 has no 32-on-64 mode of its own.
    if ! /usr/lib/wine/wine --version >"$work/wine32.log" 2>&1; then
      say "***************************************************************************************"
      say "*** 32-bit Wine is installed but cannot run here: $(tail -n 1 "$work/wine32.log")"
      say "*** (the kernel runs no 32-bit programs). Testing the x86_64 build instead."
      say "***************************************************************************************"
      [ "${TEXKIT2_WINDOWS_ARCH:-}" = i686 ] && fail "TEXKIT2_WINDOWS_ARCH=i686, and 32-bit Wine cannot run"
      # While wine32 is there, the wine command takes its loader even for 64-bit programs.
      "${sudo[@]}" apt-get remove -y -qq wine32:i386 >>"$apt_log" 2>&1 ||
        fail "removing the wine32:i386 that cannot run" "$apt_log"
      arch=x86_64
    fi
  elif [ "$arch" = i686 ]; then
    fail "cannot install 32-bit Wine and MinGW-w64 (apt said: $(tail -n 1 "$apt_log"))"
  else
    say "***************************************************************************************"
    say "*** the 32-bit packages (wine32:i386, g++-mingw-w64-i686) cannot be installed here:"
    say "*** testing the x86_64 build instead"
    say "***************************************************************************************"
    if [ "$added_i386" = 1 ]; then
      "${sudo[@]}" dpkg --remove-architecture i386 || true
      updated=0
    fi
    arch=x86_64
  fi
fi
if [ "$arch" = x86_64 ]; then
  # No Windows build tested is a failure; TEXKIT2_SKIP_WINDOWS=1 is the one way to skip.
  install_missing "${common[@]}" g++-mingw-w64-x86-64 ||
    fail "cannot install Wine and MinGW-w64 (apt said: $(tail -n 1 "$apt_log"))"
elif [ "$arch" != i686 ]; then
  fail "TEXKIT2_WINDOWS_ARCH is i686 or x86_64, not '$arch'"
fi
t_install=$((SECONDS - started))

# ---- Build --------------------------------------------------------------------------------------
build=${BUILD_DIR:-build-windows-$arch}
linux=${LINUX_BUILD_DIR:-build}
t=$SECONDS
TEXKIT2_WINDOWS_ARCH=$arch BUILD_DIR=$build LINUX_BUILD_DIR=$linux scripts/windows-build.sh >"$work/build.log" 2>&1 ||
  fail "the $arch build" "$work/build.log"
warnings=$(grep -c 'warning:' "$work/build.log" || true)
if [ "$warnings" != 0 ]; then
  grep -A3 'warning:' "$work/build.log"
  say "the build printed $warnings warnings"
fi
t_build=$((SECONDS - t))
t_linux=0
if [ ! -x "$linux/cli/texkit2-cli" ] || [ ! -x "$linux/tests/support/texkit2-sample-game" ]; then
  say "building the Linux build in $linux to compare with"
  t=$SECONDS
  scripts/setup.sh
  BUILD_DIR=$linux scripts/build.sh >"$work/linux-build.log" 2>&1 ||
    fail "the Linux build" "$work/linux-build.log"
  t_linux=$((SECONDS - t))
fi

exe=$build/cli/texkit2-cli.exe
# The version resource, as the file's properties show it.
"$arch-w64-mingw32-windres" -i "$exe" -O rc -o "$work/resources.rc" ||
  fail "reading the resources of $exe"
expect "$work/resources.rc" 'FILEVERSION 1, 0, 12, 99'
expect "$work/resources.rc" 'VALUE "FileDescription", "Extraction Pak to Wad"'
expect "$work/resources.rc" 'VALUE "CompanyName", "Corvane"'
expect "$work/resources.rc" 'Name: 128.'

# ---- A throw-away Wine prefix, on a virtual display ---------------------------------------------
t=$SECONDS
# One X server for the whole Wine session, up before the prefix's server: the tests that open
# windows (the Win32 dialogs) draw on it, and Wine makes the session's desktop on the display
# its first program finds (made without one, later programs wait 10 s for a desktop or make no
# window at all, whatever their DISPLAY).
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 1 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || fail "starting Xvfb" "$work/xvfb.log"
export WINEPREFIX=$work/prefix WINEDEBUG=-all DISPLAY=":$(head -n 1 "$work/display")"
export WINEDLLOVERRIDES='mscoree,mshtml,winemenubuilder.exe='
unset WAYLAND_DISPLAY
mkdir -p "$WINEPREFIX"
wine_started=1
# One server for the whole run, with the prefix's services, started with output to files; the
# tests' Wine processes then start nothing that would outlive them.
wineserver -p >"$work/wineserver.log" 2>&1 || fail "starting wineserver" "$work/wineserver.log"
timeout 300 wineboot -i >"$work/wineboot.log" 2>&1 ||
  fail "making the Wine prefix" "$work/wineboot.log"
# Drive letters come from the mount manager, a service that can still be starting when wineboot
# returns: wait until Wine reports drive C.
ready=0
for _ in $(seq 1 60); do
  wine "$exe" drives >"$work/drives-ready.out" 2>&1 || true
  if grep -qF "C:\\" "$work/drives-ready.out"; then
    ready=1
    break
  fi
  sleep 0.5
done
[ "$ready" = 1 ] || fail "Wine reports no drive C: 30 s after making the prefix" "$work/drives-ready.out"
# The dialogs' fonts, as Windows has them: Debian's Wine finds its own fonts only in the prefix's
# Fonts folder, and without Times New Roman it would take a sans face for the main dialog.
if [ -d /usr/share/wine/fonts ]; then
  cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
fi
wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Times New Roman' /d 'Liberation Serif' \
  /f >>"$work/reg.log" 2>&1 || fail "wine reg add" "$work/reg.log"
t_prefix=$((SECONDS - t))

# ---- The Windows tests --------------------------------------------------------------------------
t=$SECONDS
# Unmanaged windows: with no window manager on Xvfb, Wine would wait 2 s for one at every hide.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >>"$work/reg.log" 2>&1 ||
  fail "wine reg add" "$work/reg.log"
ctest --test-dir "$build" --output-on-failure --parallel "$(nproc)" --timeout 300 ||
  fail "the Windows tests under Wine"
t_tests=$((SECONDS - t))

# ---- End to end: extraction and registration ----------------------------------------------------
t=$SECONDS
"$linux/tests/support/texkit2-sample-game" "$work/linux" --game quake >"$work/sample.log"
"$linux/tests/support/texkit2-sample-game" "$work/windows" --game quake >>"$work/sample.log"
"$linux/cli/texkit2-cli" extract --game quake --no-register "$work/linux/quake/id1" \
  >"$work/linux-extract.log" 2>&1 || fail "the Linux extraction" "$work/linux-extract.log"

# The level editor's slots, as the editor makes them; txpack0 holds another pack.
settings='HKCU\Software\Corvanne\Stratel\Settings\txpack'
wine reg add "${settings}0" /v name /t REG_SZ /d base.wad /f >>"$work/reg.log" 2>&1 ||
  fail "wine reg add" "$work/reg.log"
wine reg add "${settings}1" /f >>"$work/reg.log" 2>&1 || fail "wine reg add" "$work/reg.log"

data="Z:${work//\//\\}\\windows\\quake\\id1"
timeout 300 wine "$exe" extract --game quake "$data" >"$work/extract.out" 2>"$work/extract.err" ||
  fail "texkit2-cli.exe extract" "$work/extract.err"
cmp "$work/linux/quake/id1/Quake.wad" "$work/windows/quake/id1/Quake.wad" ||
  fail "the WAD files of the Windows and the Linux build differ"
expect "$work/extract.out" "Written to : $data\\Quake.wad"
expect "$work/extract.err" "registered as texture pack txpack1 (HKEY_CURRENT_USER)"

# Any letter case names the file; the listing is the Linux build's, less the CR of each line end.
timeout 300 wine "$exe" info "$data\\QUAKE.WAD" >"$work/info.out" 2>&1 ||
  fail "texkit2-cli.exe info" "$work/info.out"
tr -d '\r' <"$work/info.out" >"$work/info-windows.txt"
"$linux/cli/texkit2-cli" info "$work/linux/quake/id1/Quake.wad" >"$work/info-linux.txt"
cmp "$work/info-linux.txt" "$work/info-windows.txt" ||
  fail "texkit2-cli.exe info lists the WAD file otherwise than the Linux build" "$work/info.out"

# The textures as pictures: the same files under the same names as the Linux build's.
"$linux/cli/texkit2-cli" export --png "$work/linux-png" "$work/linux/quake/id1/Quake.wad" \
  >"$work/export-linux.log" 2>&1 || fail "the Linux export" "$work/export-linux.log"
timeout 300 wine "$exe" export --png "Z:${work//\//\\}\\windows-png" "$data\\Quake.wad" \
  >"$work/export.out" 2>&1 || fail "texkit2-cli.exe export" "$work/export.out"
diff -r "$work/linux-png" "$work/windows-png" >"$work/export-diff.txt" 2>&1 ||
  fail "texkit2-cli.exe export writes other files than the Linux build" "$work/export-diff.txt"
"$linux/cli/texkit2-cli" sheet -o "$work/linux-sheet.png" "$work/linux/quake/id1/Quake.wad" \
  >"$work/sheet-linux.log" 2>&1 || fail "the Linux sheet" "$work/sheet-linux.log"
timeout 300 wine "$exe" sheet -o "Z:${work//\//\\}\\windows-sheet.png" "$data\\Quake.wad" \
  >"$work/sheet.out" 2>&1 || fail "texkit2-cli.exe sheet" "$work/sheet.out"
cmp "$work/linux-sheet.png" "$work/windows-sheet.png" ||
  fail "the contact sheets of the Windows and the Linux build differ"

# The drives as Wine reports them: C: (the prefix's drive_c) and Z: (the host's /), both fixed.
timeout 300 wine "$exe" drives >"$work/drives.out" 2>&1 ||
  fail "texkit2-cli.exe drives" "$work/drives.out"
for drive in C Z; do
  grep -qE "^fixed +- +$drive:\\\\"$'\r'"?\$" "$work/drives.out" ||
    fail "texkit2-cli.exe drives does not list $drive: as a fixed drive" "$work/drives.out"
done

# Folder links that lead back up (Debian's LLVM packages ship one) or off the drive, in front of
# a game. Wine marks a Unix link as a reparse point, which a walk never enters, as it follows no
# link on Linux; a folder bound below itself shows as a plain folder, and only the folders'
# identities keep the walk out of that loop and its answer off a path through it. The binding
# lives in a mount namespace of the search's own, where this machine allows one.
drive_c=$WINEPREFIX/drive_c
# Only the planted games may hold a quake.exe: the GUI tests under Wine can leave an empty data
# folder and its quake.exe in their temporary folders, which the walk would meet first.
rm -rf "$drive_c"/users/*/Temp/texkit2-test-*
for game in "$drive_c/zgame" "$work/elsewhere"; do
  mkdir -p "$game/id1"
  : >"$game/quake.exe"
  : >"$game/id1/PAK0.PAK"
  : >"$game/id1/PAK1.PAK"
done
mkdir -p "$drive_c/aaloop/sub/bound"
ln -s .. "$drive_c/aaloop/sub/up"
ln -s ../.. "$drive_c/aaloop/sub/top"
ln -s "$work/elsewhere" "$drive_c/aaloop/elsewhere"
bound=()
if unshare -m mount --bind "$drive_c" "$drive_c/aaloop/sub/bound" 2>/dev/null; then
  # Wine's server opens the files: it runs in the namespace too, for this search only.
  wineserver -k && wineserver -w
  bound=(unshare -m sh -c
    'mount --bind "$1" "$1/aaloop/sub/bound" && shift && "$@"; s=$?; wineserver -k; exit $s' sh
    "$drive_c")
else
  say "no mount namespace here: the search is tried past folder links, not past a bound folder"
fi
timeout 120 "${bound[@]}" wine "$exe" search --game quake --fixed >"$work/search.out" \
  2>"$work/search.err" ||
  fail "texkit2-cli.exe search past folders that lead back up" "$work/search.err"
if [ ${#bound[@]} != 0 ]; then
  wineserver -w
  wineserver -p >>"$work/wineserver.log" 2>&1 || fail "starting wineserver" "$work/wineserver.log"
fi
[ "$(tr -d '\r' <"$work/search.out")" = 'C:\zgame\id1\' ] ||
  fail 'texkit2-cli.exe search found the game by another path than C:\zgame\id1\' "$work/search.out"
rm -rf "$drive_c/aaloop" "$drive_c/zgame"

wine reg query "${settings}1" >"$work/query1.txt" 2>&1 || fail "wine reg query" "$work/query1.txt"
expect "$work/query1.txt" "type    REG_DWORD    0x1"
expect "$work/query1.txt" "path    REG_SZ    $data\\Quake.wad"
expect "$work/query1.txt" "name    REG_SZ    Quake.wad"
wine reg query "${settings}0" >"$work/query0.txt" 2>&1 || fail "wine reg query" "$work/query0.txt"
expect "$work/query0.txt" "name    REG_SZ    base.wad"
t_e2e=$((SECONDS - t))

# ---- The desktop application --------------------------------------------------------------------
t=$SECONDS
gui=$build/app/texkit2.exe
# One file that needs no DLL beside it: a 32-bit GUI program importing system DLLs only.
if [ "$arch" = i686 ]; then
  file "$gui" | grep -q 'PE32 executable (GUI) Intel 80386' || fail "$gui is no PE32 i386 GUI program"
fi
"$arch-w64-mingw32-objdump" -p "$gui" | awk '/DLL Name:/ {print tolower($3)}' >"$work/imports.txt"
grep -vxE 'advapi32.dll|comctl32.dll|comdlg32.dll|gdi32.dll|kernel32.dll|msvcrt.dll|ole32.dll|shell32.dll|user32.dll' \
  "$work/imports.txt" >"$work/other-imports.txt" &&
  fail "texkit2.exe imports DLLs that Windows does not have: $(tr '\n' ' ' <"$work/other-imports.txt")"
# Every dialog in each state, pictured by texkit2.exe itself over the sample game: the main
# dialog comes up with its caption, and the run through the window works.
timeout 300 wine "$gui" --screenshots "Z:${work//\//\\}\\shots" "$data" >"$work/shots.out" 2>&1 ||
  fail "texkit2.exe --screenshots" "$work/shots.out"
shots=(main-start main-game-chosen locate-browsing locate-found search-libraries search-found
  main-folder-located main-extracting wad-file-info main-extracted texture-browser about)
for shot in "${shots[@]}"; do
  [ -s "$work/shots/$shot.bmp" ] || fail "texkit2.exe drew no $shot.bmp" "$work/shots.out"
done
# TEXKIT2_WINDOWS_SCREENSHOTS=DIR keeps them, as PNG files, for the README.
if [ -n "${TEXKIT2_WINDOWS_SCREENSHOTS:-}" ]; then
  install_missing imagemagick || fail "installing imagemagick" "$apt_log"
  mkdir -p "$TEXKIT2_WINDOWS_SCREENSHOTS"
  for shot in "${shots[@]}"; do
    convert "$work/shots/$shot.bmp" "$TEXKIT2_WINDOWS_SCREENSHOTS/$shot.png"
  done
  say "screenshots of texkit2.exe in $TEXKIT2_WINDOWS_SCREENSHOTS"
fi
t_gui=$((SECONDS - t))

# ---- High DPI: the manifest, the common controls, every dialog at 192 DPI ----------------------
t=$SECONDS
# Both programs carry the manifest: common controls 6, per-monitor DPI, Windows 7 to 11, asInvoker.
for program in "$exe" "$gui"; do
  "$arch-w64-mingw32-windres" -i "$program" -O rc -o "$work/manifest.rc" ||
    fail "reading the resources of $program"
  for text in '1 24 /* RT_MANIFEST */' 'name=""Microsoft.Windows.Common-Controls"" version=""6.0.0.0""' \
    '>true/pm</dpiAware>' '>PerMonitorV2, PerMonitor</dpiAwareness>' \
    '{35138b9a-5d96-4fbd-8e2d-a2440225f93a}' '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}' \
    'level=""asInvoker""'; do
    grep -qF -- "$text" "$work/manifest.rc" || fail "$(basename "$program") lacks in its manifest: $text"
  done
done
# texkit2.exe names the common controls it drew the screenshots with. Wine 8's comctl32 answers
# DllGetVersion with 5.81 in both roles: the window classes of 6.0 tell version 6 there.
expect "$work/shots.out" ', window classes of 6.0.'
# At 200%, on a screen of that size: the setting is read as a program starts, and Wine's
# desktop lives on the display of the session's first program, so a session of its own.
wineserver -k >/dev/null 2>&1 || true
wineserver -w
Xvfb -displayfd 4 -screen 0 2560x1600x24 -nolisten tcp 4>"$work/display-hidpi" \
  >"$work/xvfb-hidpi.log" 2>&1 &
xvfb_hidpi_pid=$!
for _ in $(seq 1 100); do
  [ -s "$work/display-hidpi" ] && break
  sleep 0.1
done
[ -s "$work/display-hidpi" ] || fail "starting Xvfb for 192 DPI" "$work/xvfb-hidpi.log"
display_96=$DISPLAY
export DISPLAY=":$(head -n 1 "$work/display-hidpi")"
wineserver -p >>"$work/wineserver.log" 2>&1 || fail "starting wineserver" "$work/wineserver.log"
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 192 /f >>"$work/reg.log" 2>&1 ||
  fail "wine reg add" "$work/reg.log"
timeout 300 wine "$gui" --screenshots "Z:${work//\//\\}\\shots-192dpi" "$data" >"$work/shots-192dpi.out" 2>&1 ||
  fail "texkit2.exe --screenshots at 192 DPI" "$work/shots-192dpi.out"
expect "$work/shots-192dpi.out" ' at 192 DPI'
for shot in "${shots[@]}"; do
  [ -s "$work/shots-192dpi/$shot.bmp" ] || fail "texkit2.exe drew no $shot.bmp at 192 DPI" "$work/shots-192dpi.out"
done
# TEXKIT2_WINDOWS_SCREENSHOTS_192DPI=DIR keeps them, as PNG files, for the README.
if [ -n "${TEXKIT2_WINDOWS_SCREENSHOTS_192DPI:-}" ]; then
  install_missing imagemagick || fail "installing imagemagick" "$apt_log"
  mkdir -p "$TEXKIT2_WINDOWS_SCREENSHOTS_192DPI"
  for shot in "${shots[@]}"; do
    convert "$work/shots-192dpi/$shot.bmp" "$TEXKIT2_WINDOWS_SCREENSHOTS_192DPI/$shot.png"
  done
  say "screenshots of texkit2.exe at 192 DPI in $TEXKIT2_WINDOWS_SCREENSHOTS_192DPI"
fi
wine reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >>"$work/reg.log" 2>&1 || true
wineserver -k >/dev/null 2>&1 || true
wineserver -w
kill "$xvfb_hidpi_pid" 2>/dev/null || true
wait "$xvfb_hidpi_pid" 2>/dev/null || true
export DISPLAY=$display_96
wineserver -p >>"$work/wineserver.log" 2>&1 || fail "starting wineserver" "$work/wineserver.log"
t_hidpi=$((SECONDS - t))

# ---- The installer ------------------------------------------------------------------------------
t=$SECONDS
# Installed silently for all users (what an elevated run does), then for the current user: the
# files, the Start-menu shortcut, the .wad file type and the uninstall entry are there, the
# installed texkit2.exe does the whole walk, and the silent uninstall leaves the prefix's files
# and the keys it wrote to exactly as they were before.
setup=$(ls "$build"/texkit2-*-win*-setup.exe)
regview=/reg:64
[ "$arch" = i686 ] && regview=/reg:32
uninstall_key='Software\Microsoft\Windows\CurrentVersion\Uninstall\Texkit2'
# snapshot NAME: the prefix's files (less the temporary ones) and the keys the installer writes to.
snapshot() {
  (cd "$WINEPREFIX/drive_c" && find . -path '*/Temp' -prune -o -print | sort) >"$work/$1-files.txt"
  : >"$work/$1-keys.txt"
  local hive key
  for hive in HKLM HKCU; do
    for key in 'Software\Classes\.wad' 'Software\Classes\Texkit2.WadFile' \
      'Software\Classes\Applications\texkit2.exe' "$uninstall_key"; do
      wine reg query "$hive\\$key" /s "$regview" >"$work/key.txt" 2>&1 || echo "absent" >"$work/key.txt"
      { echo "$hive\\$key"; tr -d '\r' <"$work/key.txt"; } >>"$work/$1-keys.txt"
    done
  done
}
for mode in AllUsers CurrentUser; do
  hive=HKLM
  [ "$mode" = CurrentUser ] && hive=HKCU
  snapshot "before-$mode"
  timeout 300 wine "$setup" /S "/$mode" >"$work/setup-$mode.out" 2>&1 ||
    fail "$(basename "$setup") /S /$mode" "$work/setup-$mode.out"
  wine reg query "$hive\\$uninstall_key" "$regview" >"$work/uninstall-$mode.txt" 2>&1 ||
    fail "/$mode: no uninstall entry in $hive" "$work/uninstall-$mode.txt"
  tr -d '\r' <"$work/uninstall-$mode.txt" >"$work/uninstall-$mode.lf"
  for value in "DisplayName    REG_SZ    Texkit2" "DisplayVersion    REG_SZ    $(sed -n 's/^project(Texkit2 VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)" \
    "Publisher    REG_SZ    " "DisplayIcon    REG_SZ    " "EstimatedSize    REG_DWORD    0x" \
    "UninstallString    REG_SZ    " "InstallLocation    REG_SZ    "; do
    expect "$work/uninstall-$mode.lf" "$value"
  done
  location=$(sed -n 's/^ *InstallLocation    REG_SZ    //p' "$work/uninstall-$mode.lf")
  folder=$(winepath -u "$location" 2>/dev/null)
  for file in texkit2.exe texkit2-cli.exe README.txt Uninstall.exe; do
    [ -s "$folder/$file" ] || fail "/$mode: $location holds no $file"
  done
  links=$(find "$WINEPREFIX/drive_c" -name Texkit2.lnk | wc -l)
  [ "$links" = 1 ] || fail "/$mode: $links Start-menu shortcuts Texkit2.lnk, not one"
  wine reg query "$hive\\Software\\Classes\\.wad" /s "$regview" >"$work/wad-$mode.txt" 2>&1 ||
    fail "/$mode: no .wad key in $hive" "$work/wad-$mode.txt"
  expect "$work/wad-$mode.txt" "Texkit2.WadFile"
  wine reg query "$hive\\Software\\Classes\\Texkit2.WadFile" /s "$regview" >"$work/progid-$mode.txt" 2>&1 ||
    fail "/$mode: no Texkit2.WadFile file type in $hive" "$work/progid-$mode.txt"
  expect "$work/progid-$mode.txt" "\"$location\\texkit2.exe\" \"%1\""
  expect "$work/progid-$mode.txt" "$location\\texkit2.exe,0"
  wine reg query "$hive\\Software\\Classes\\Applications\\texkit2.exe" /s "$regview" \
    >"$work/open-with-$mode.txt" 2>&1 || fail "/$mode: texkit2.exe is not in Open with" "$work/open-with-$mode.txt"
  expect "$work/open-with-$mode.txt" ".wad    REG_SZ"
  if [ "$mode" = AllUsers ]; then
    timeout 300 wine "$folder/texkit2.exe" --screenshots "Z:${work//\//\\}\\installed-shots" "$data" \
      >"$work/installed-shots.out" 2>&1 || fail "the installed texkit2.exe" "$work/installed-shots.out"
    [ -s "$work/installed-shots/main-extracted.bmp" ] ||
      fail "the installed texkit2.exe did not extract the sample game" "$work/installed-shots.out"
  fi
  # The uninstaller runs from a copy of itself in the temporary folder, and returns at once.
  wine "$folder/Uninstall.exe" /S >"$work/uninstall-$mode.out" 2>&1 ||
    fail "Uninstall.exe /S" "$work/uninstall-$mode.out"
  for _ in $(seq 1 120); do
    [ ! -e "$folder" ] && break
    sleep 0.5
  done
  snapshot "after-$mode"
  diff "$work/before-$mode-files.txt" "$work/after-$mode-files.txt" >"$work/left-$mode.txt" ||
    fail "/$mode: the uninstall left the prefix's files otherwise than it found them" "$work/left-$mode.txt"
  diff "$work/before-$mode-keys.txt" "$work/after-$mode-keys.txt" >"$work/left-$mode.txt" ||
    fail "/$mode: the uninstall left the keys otherwise than it found them" "$work/left-$mode.txt"
done
say "$(basename "$setup") installs silently for all users and for one, and its uninstaller" \
  "leaves the files and the keys as they were"
t_installer=$((SECONDS - t))

say "the $arch build extracts the sample game under Wine to the Linux build's WAD file, byte for" \
  "byte, registers it in txpack1, and exports and draws its textures as the Linux build does"
linux_note=""
if [ "$t_linux" != 0 ]; then
  linux_note=", Linux build ${t_linux} s"
fi
say "passed in $((SECONDS - started)) s (packages ${t_install} s, build ${t_build} s${linux_note}," \
  "prefix ${t_prefix} s, tests ${t_tests} s, end to end ${t_e2e} s, desktop application ${t_gui} s," \
  "192 DPI ${t_hidpi} s, installer ${t_installer} s)"
