#!/usr/bin/env bash
# CI: the packages as a user meets them. Builds the Debian package (scripts/package.sh), checks
# it with lintian (no error), validates its desktop entry and AppStream file, installs it with
# apt-get, runs texkit2-cli from /usr/bin (--version, the sample game's extraction), checks the
# man pages and the completion against --help, starts /usr/bin/texkit2 under xvfb-run and looks
# for its window, then removes the package and checks that nothing of it is left. Then the
# Windows zip, when a Windows cross build is there (scripts/ci-windows.sh leaves one): its files
# and the README's line ends. Run as root (apt-get), on a machine where texkit2 is not installed.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
started=$SECONDS
say() { echo "ci-package: $*"; }
fail() {
  say "FAILED: $1"
  if [ -n "${2:-}" ] && [ -f "$2" ]; then
    tail -n 60 "$2"
  fi
  exit 1
}
work=$(mktemp -d "${TMPDIR:-/tmp}/texkit2-ci-package.XXXXXX")
installed=0
cleanup() {
  if [ "$installed" = 1 ]; then
    apt-get remove -y -qq texkit2 >/dev/null 2>&1 || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
export DEBIAN_FRONTEND=noninteractive
[ "$(id -u)" = 0 ] || fail "run as root: it installs and removes the package with apt-get"
if dpkg-query -W -f='${Status}' texkit2 2>/dev/null | grep -q 'install ok installed'; then
  fail "texkit2 is installed already; remove it first"
fi

# ---- Build --------------------------------------------------------------------------------------
# lintian, appstreamcli, desktop-file-validate, man -w; xvfb-run and xwininfo/xprop for the
# window.
scripts/setup.sh lintian appstream desktop-file-utils man-db xvfb xauth x11-utils
t=$SECONDS
scripts/package.sh >"$work/package.log" 2>&1 || fail "scripts/package.sh" "$work/package.log"
build=${BUILD_DIR:-build-package}
deb=$(ls "$build"/texkit2_*.deb)
t_build=$((SECONDS - t))
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] ||
  fail "the package's version $(dpkg-deb -f "$deb" Version) is not the project's $version"
for field in Depends Section Priority Maintainer Homepage; do
  [ -n "$(dpkg-deb -f "$deb" "$field")" ] || fail "the package has no $field field"
done
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 ||
  fail "Depends lacks Qt's widgets library: $(dpkg-deb -f "$deb" Depends)"
say "built $deb in ${t_build} s; Depends: $(dpkg-deb -f "$deb" Depends)"

# ---- The package's files, unpacked --------------------------------------------------------------
t=$SECONDS
lintian --fail-on error --display-info "$deb" >"$work/lintian.log" 2>&1 ||
  fail "lintian reports errors" "$work/lintian.log"
# (It warns that it runs as root; CI is root.)
sed -i '/running with root privileges/d' "$work/lintian.log"
if [ -s "$work/lintian.log" ]; then
  say "lintian: no error; it says:"
  sed 's/^/  /' "$work/lintian.log"
else
  say "lintian: nothing to report"
fi
root=$work/unpacked
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/texkit2.desktop" >"$work/desktop.log" 2>&1 ||
  fail "desktop-file-validate" "$work/desktop.log"
[ ! -s "$work/desktop.log" ] || fail "desktop-file-validate has remarks" "$work/desktop.log"
metainfo=$(ls "$root"/usr/share/metainfo/*.metainfo.xml)
appstreamcli validate --no-net --pedantic "$metainfo" >"$work/appstream.log" 2>&1 ||
  fail "appstreamcli validate" "$work/appstream.log"
grep -qF "<release version=\"$version\"" "$metainfo" ||
  fail "the AppStream file has no release $version"
say "desktop-file-validate: no remark; appstreamcli validate --no-net --pedantic: valid"
t_checks=$((SECONDS - t))

# ---- Installed ----------------------------------------------------------------------------------
t=$SECONDS
apt-get install -y -qq "./$deb" >"$work/apt-install.log" 2>&1 || fail "apt-get install ./$deb" "$work/apt-install.log"
installed=1
dpkg -L texkit2 | sort >"$work/files.txt"
owned_files=$(while read -r path; do [ -d "$path" ] || echo "$path"; done <"$work/files.txt" | wc -l)
t_install=$((SECONDS - t))
t=$SECONDS
mkdir -p "$work/elsewhere"
cd "$work/elsewhere"
[ "$(command -v texkit2-cli)" = /usr/bin/texkit2-cli ] || fail "texkit2-cli is not /usr/bin/texkit2-cli"
[ "$(/usr/bin/texkit2-cli --version)" = "texkit2-cli $version" ] ||
  fail "texkit2-cli --version says '$(/usr/bin/texkit2-cli --version)', not $version"
[ "$(/usr/bin/texkit2 --version)" = "texkit2 $version" ] ||
  fail "texkit2 --version says '$(/usr/bin/texkit2 --version)', not $version"
"$repo/$build/tests/support/texkit2-sample-game" "$work/game" --game both >/dev/null
for data in quake/id1 hexen2/data1; do
  game=${data%/*}
  /usr/bin/texkit2-cli extract --game "$game" --no-register "$work/game/$data" \
    >"$work/extract-$game.log" 2>&1 || fail "texkit2-cli extract --game $game" "$work/extract-$game.log"
  wad=$(sed -n 's/^Written to : //p' "$work/extract-$game.log")
  /usr/bin/texkit2-cli info "$wad" >"$work/info-$game.log" || fail "texkit2-cli info $wad" "$work/info-$game.log"
  say "/usr/bin/texkit2-cli extract --game $game: $(grep 'Total Entries' "$work/extract-$game.log")"
done
cd "$repo"

# Man pages where man finds them, documenting every option; the completion offering them.
for program in texkit2 texkit2-cli; do
  page=$(man -w "$program") || fail "man does not find $program(1)"
  tests/install/check_man_pages.sh "/usr/bin/$program" "$page" >"$work/man.log" 2>&1 ||
    fail "the man page of $program" "$work/man.log"
  say "$(cat "$work/man.log")"
done
tests/install/check_completion.sh /usr/bin/texkit2-cli /usr/share/bash-completion/completions/texkit2-cli \
  >"$work/completion.log" 2>&1 || fail "the bash completion" "$work/completion.log"
say "$(cat "$work/completion.log")"
# The menu entry starts a program on the PATH, with an icon of the theme.
exec_line=$(sed -n 's/^Exec=//p' /usr/share/applications/texkit2.desktop)
[ "$(command -v "${exec_line%% *}")" = /usr/bin/texkit2 ] || fail "Exec=$exec_line is not /usr/bin/texkit2"
icon=$(sed -n 's/^Icon=//p' /usr/share/applications/texkit2.desktop)
for size in 16 32 48 64 128 256; do
  [ -f "/usr/share/icons/hicolor/${size}x${size}/apps/$icon.png" ] || fail "no ${size}x${size} icon $icon"
done

# The window on a virtual X server: mapped, with its title and the class the entry names.
cat >"$work/window.sh" <<'EOF'
set -u
/usr/bin/texkit2 >"$1/texkit2.log" 2>&1 &
pid=$!
for _ in $(seq 1 100); do
  if xwininfo -root -tree 2>/dev/null | grep -q '"Extract Pak Textures"'; then
    break
  fi
  sleep 0.1
done
status=0
info=$(xwininfo -name "Extract Pak Textures" 2>&1) || status=1
echo "$info" | grep -q "Map State: IsViewable" || status=1
id=$(echo "$info" | sed -n 's/.*Window id: \(0x[0-9a-f]*\).*/\1/p')
[ -n "$id" ] && xprop -id "$id" WM_CLASS >"$1/class.txt" 2>&1
echo "$info" >"$1/window.txt"
kill -0 "$pid" 2>/dev/null || status=1
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
exit $status
EOF
xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" bash "$work/window.sh" "$work" ||
  fail "no window 'Extract Pak Textures' of /usr/bin/texkit2 on Xvfb" "$work/texkit2.log"
grep -q '"texkit2"' "$work/class.txt" || fail "the window's WM_CLASS is $(cat "$work/class.txt")"
size=$(sed -n 's/^ *Width: //p' "$work/window.txt")x$(sed -n 's/^ *Height: //p' "$work/window.txt")
say "/usr/bin/texkit2 opened its window 'Extract Pak Textures' ($size, viewable) under xvfb-run;" \
  "$(cat "$work/class.txt")"
t_run=$((SECONDS - t))

# ---- Removed ------------------------------------------------------------------------------------
t=$SECONDS
apt-get remove -y -qq texkit2 >"$work/apt-remove.log" 2>&1 || fail "apt-get remove texkit2" "$work/apt-remove.log"
installed=0
status=$(dpkg-query -W -f='${Status}' texkit2 2>/dev/null || true)
case $status in
  "" | "unknown ok not-installed" | "deinstall ok not-installed") ;;
  *) fail "after apt-get remove, dpkg says texkit2 is '$status'" ;;
esac
left=()
while read -r path; do
  [ "$path" = /. ] && continue
  if [ -d "$path" ] && [ ! -L "$path" ]; then
    # A folder may stay when another package owns it or it holds others' files.
    if [ -z "$(ls -A "$path")" ] && ! dpkg-query -S "$path" >/dev/null 2>&1; then
      left+=("$path/")
    fi
  elif [ -e "$path" ] || [ -L "$path" ]; then
    left+=("$path")
  fi
done <"$work/files.txt"
[ ${#left[@]} -eq 0 ] || fail "left behind by apt-get remove: ${left[*]}"
if [ -e /usr/bin/texkit2 ] || [ -e /usr/bin/texkit2-cli ]; then
  fail "the programs are still there"
fi
t_remove=$((SECONDS - t))
say "apt-get remove texkit2: the $owned_files files it had installed are gone, and its empty folders"

# ---- The Windows zip ----------------------------------------------------------------------------
t=$SECONDS
zips=0
for cross in ${WINDOWS_BUILD_DIRS:-build-windows-i686 build-windows-x86_64}; do
  [ -f "$cross/CPackConfig.cmake" ] || continue
  rm -f "$cross"/texkit2-*-win*.zip
  (cd "$cross" && cpack -G ZIP >"$work/cpack-zip.log" 2>&1) || fail "cpack -G ZIP in $cross" "$work/cpack-zip.log"
  zip=
  for name in texkit2-"$version"-win32.zip texkit2-"$version"-win64.zip; do
    [ -f "$cross/$name" ] && zip=$cross/$name
  done
  [ -n "$zip" ] || fail "$cross holds no texkit2-$version-win32.zip (or -win64)" "$work/cpack-zip.log"
  zip=$(cd "$cross" && pwd)/$(basename "$zip")
  rm -rf "$work/zip" && mkdir "$work/zip"
  (cd "$work/zip" && cmake -E tar xf "$zip")
  top=$work/zip/$(basename "$zip" .zip)
  [ -f "$top/texkit2-cli.exe" ] || fail "$zip lacks texkit2-cli.exe"
  if [ -f "$cross/app/texkit2.exe" ]; then
    [ -f "$top/texkit2.exe" ] || fail "$zip lacks texkit2.exe, which the build made"
  fi
  [ -f "$top/README.txt" ] || fail "$zip lacks README.txt"
  lines=$(wc -l <"$top/README.txt")
  [ "$(grep -c $'\r$' "$top/README.txt")" = "$lines" ] || fail "README.txt has line ends other than CR LF"
  say "$zip: $(cd "$top" && ls | tr '\n' ' ')(README.txt in CR LF)"
  zips=$((zips + 1))
done
[ "$zips" -gt 0 ] || say "no Windows cross build here (scripts/windows-build.sh makes one): the zip was not checked"
t_zip=$((SECONDS - t))

say "passed in $((SECONDS - started)) s (package ${t_build} s, lintian and validation ${t_checks} s," \
  "apt-get install ${t_install} s, installed programs ${t_run} s, remove ${t_remove} s, zip ${t_zip} s)"
