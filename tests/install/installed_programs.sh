#!/usr/bin/env bash
# installed_programs.sh BUILD SOURCE VERSION SAMPLE_GAME GUI: installs the build tree BUILD into
# a temporary prefix (`cmake --install --prefix --strip`), checks that each file is where it
# belongs, then runs the installed programs with the build tree and the checkout out of reach:
# in a private mount namespace an empty tmpfs covers both (as root, or in a user namespace), with
# a clean environment and the current folder elsewhere. There texkit2-cli extracts the sample
# game (the WAD file must equal the build tree's) and texkit2 answers --version and renders
# every dialog offscreen, so any file it needed from the build tree would be missed.
# GUI is 1 when texkit2 is built. The folders below the prefix come from the environment
# (BINDIR, MANDIR, DATADIR, DOCDIR), as GNUInstallDirs named them.
set -u
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
version=$3
sample=$4
gui=$5
failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

work=$(mktemp -d "${TMPDIR:-/tmp}/texkit2-install.XXXXXX")
trap 'rm -rf "$work"' EXIT
case $work/ in
  "$build"/* | "$source"/*)
    echo "the temporary folder $work is inside the tree it must hide"
    exit 1
    ;;
esac
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" --strip >"$work/install.log" 2>&1 || {
  cat "$work/install.log"
  exit 1
}

# ---- What is installed where ---------------------------------------------------------------
expected=("$BINDIR/texkit2-cli" "$MANDIR/man1/texkit2-cli.1.gz"
  "$DATADIR/bash-completion/completions/texkit2-cli"
  "$DOCDIR/README.md" "$DOCDIR/copyright" "$DOCDIR/changelog.gz")
sizes=(16 32 48 64 128 256)
if [ "$gui" = 1 ]; then
  expected+=("$BINDIR/texkit2" "$MANDIR/man1/texkit2.1.gz"
    "$DATADIR/applications/texkit2.desktop" "$DATADIR/metainfo/org.example.texkit2.metainfo.xml"
    "$DATADIR/mime/packages/texkit2.xml")
  for size in "${sizes[@]}"; do
    expected+=("$DATADIR/icons/hicolor/${size}x${size}/apps/texkit2.png")
  done
fi
for file in "${expected[@]}"; do
  [ -s "$prefix/$file" ] || fail "$file is not installed"
done
(cd "$prefix" && find . -type f | sed 's|^\./||' | sort) >"$work/installed.txt"
printf '%s\n' "${expected[@]}" | sort >"$work/expected.txt"
unexpected=$(comm -23 "$work/installed.txt" "$work/expected.txt")
[ -z "$unexpected" ] || fail "installed, but not expected: $unexpected"
for size in "${sizes[@]}"; do
  icon=$prefix/$DATADIR/icons/hicolor/${size}x${size}/apps/texkit2.png
  [ -f "$icon" ] || continue
  # The PNG header: width and height as big-endian 32-bit numbers at offsets 16 and 20.
  read -r width height < <(od -An -tu1 -j16 -N8 "$icon" |
    awk '{ print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4, $5 * 16777216 + $6 * 65536 + $7 * 256 + $8 }')
  [ "$width x $height" = "$size x $size" ] || fail "the ${size}x${size} icon is $width x $height"
done
# No installed program may name the build tree or the checkout: a path compiled in would be read
# at run time (debug information is stripped, so what is left is data). Qt's string literals are
# UTF-16, so the path is looked for in both spellings. (The README may quote a checkout's path in
# its examples.)
# A sanitizer build is never shipped, and its runtime keeps the sources' paths for its reports.
trees=("$build" "$source")
[ "${SANITIZED:-0}" = 1 ] && trees=()
for tree in "${trees[@]}"; do
  utf16=$(printf '%s' "$tree" | od -An -tx1 -v | tr -s ' \n' '\n' | sed -n 's/^\(..\)$/\\x\1\\x00/p' | tr -d '\n')
  named=$( (grep -rlF -- "$tree" "$prefix/$BINDIR"; grep -rlaP -- "$utf16" "$prefix/$BINDIR") 2>/dev/null | sort -u)
  [ -z "$named" ] || fail "these installed programs name $tree: $named"
done

# ---- The sample game, and what the build tree's texkit2-cli makes of it ---------------------
"$sample" "$work/game" --game quake >/dev/null || exit 1
cp -r "$work/game" "$work/reference"
"$build/cli/texkit2-cli" extract --game quake --no-register "$work/reference/quake/id1" \
  >/dev/null 2>&1 || fail "the build tree's texkit2-cli could not extract the sample game"

# ---- The installed programs, the trees out of reach -----------------------------------------
cat >"$work/run.sh" <<'EOF'
set -u
work=$1 prefix=$2 bindir=$3 version=$4 gui=$5 build=$6 source=$7
# Empty folders over the build tree and the checkout (the build tree first: it may lie inside).
if [ "$build" != none ]; then
  mount -t tmpfs -o size=1m texkit2-hidden "$build" && mount -t tmpfs -o size=1m texkit2-hidden "$source" ||
    exit 3
  [ -z "$(ls -A "$source")" ] || exit 3
fi
mkdir -p "$work/home" "$work/elsewhere"
cd "$work/elsewhere" || exit 1
run() { env -i HOME="$work/home" PATH=/usr/bin:/bin LANG=C.UTF-8 "$@"; }
bin=$prefix/$bindir
status=0
out=$(run "$bin/texkit2-cli" --version)
[ "$out" = "texkit2-cli $version" ] || { echo "texkit2-cli --version: $out"; status=1; }
run "$bin/texkit2-cli" extract --game quake --no-register "$work/game/quake/id1" >"$work/extract.out" 2>&1 ||
  { echo "installed texkit2-cli extract failed:"; cat "$work/extract.out"; status=1; }
run "$bin/texkit2-cli" info "$work/game/quake/id1/Quake.wad" >/dev/null ||
  { echo "installed texkit2-cli info failed"; status=1; }
if [ "$gui" = 1 ]; then
  out=$(run "$bin/texkit2" --version)
  [ "$out" = "texkit2 $version" ] || { echo "texkit2 --version: $out"; status=1; }
  cp -r "$work/reference" "$work/shots-game"
  run QT_QPA_PLATFORM=offscreen "$bin/texkit2" --screenshots "$work/shots" "$work/shots-game/quake/id1" \
    >"$work/shots.out" 2>&1 || { echo "installed texkit2 --screenshots failed:"; cat "$work/shots.out"; status=1; }
fi
exit $status
EOF
hidden=none
if [ "$(id -u)" = 0 ] && unshare --mount --propagation private true 2>/dev/null; then
  namespace=(unshare --mount --propagation private)
  hidden=yes
elif unshare --user --map-root-user --mount true 2>/dev/null; then
  namespace=(unshare --user --map-root-user --mount)
  hidden=yes
else
  namespace=()
  echo "note: no mount namespace here; the trees stay reachable, only the environment is clean"
fi
if [ "$hidden" = yes ]; then
  "${namespace[@]}" bash "$work/run.sh" "$work" "$prefix" "$BINDIR" "$version" "$gui" "$build" "$source"
else
  bash "$work/run.sh" "$work" "$prefix" "$BINDIR" "$version" "$gui" none none
fi
status=$?
[ "$status" = 3 ] && fail "could not cover the build tree and the checkout"
[ "$status" = 1 ] && fail "the installed programs, above"
cmp -s "$work/game/quake/id1/Quake.wad" "$work/reference/quake/id1/Quake.wad" ||
  fail "the installed texkit2-cli wrote another WAD file than the build tree's"
if [ "$gui" = 1 ]; then
  shots=$(find "$work/shots" -name '*.png' 2>/dev/null | wc -l)
  [ "$shots" -ge 5 ] || fail "the installed texkit2 rendered $shots dialogs"
fi

if [ "$failures" -ne 0 ]; then
  exit 1
fi
echo "installed into $prefix: ${#expected[@]} files where they belong; texkit2-cli $version" \
  "extracted the sample game$([ "$gui" = 1 ] && echo ", texkit2 rendered $shots dialogs")," \
  "$([ "$hidden" = yes ] && echo "with the build tree and the checkout covered" || echo "with a clean environment")"
