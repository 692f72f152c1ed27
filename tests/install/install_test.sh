#!/usr/bin/env bash
# Installs the build into a scratch prefix as `make install PREFIX=...` does,
# checks that the installed programs start and find their translation files,
# that the desktop files are in place, then uninstalls and checks that
# exactly the installed files are gone.
#   install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
prefix=$scratch/prefix
fail() { echo "install test: $*" >&2; exit 1; }

# A file the prefix already holds must survive the uninstall.
mkdir -p "$prefix/bin"
echo keep > "$prefix/bin/other-program"

cmake --install "$build" --prefix "$prefix" > "$scratch/install.log"
manifest=$build/install_manifest.txt
[ -s "$manifest" ] || fail "no install manifest"

for f in bin/lorvane bin/dravo lib/lorvane/lorvane share/applications/lorvane.desktop \
         share/mime/packages/lorvane-dravo.xml share/icons/hicolor/32x32/apps/lorvane.png \
         share/icons/hicolor/scalable/mimetypes/application-x-pivotcube.svg; do
  [ -e "$prefix/$f" ] || fail "$f is not installed"
done
[ -L "$prefix/bin/lorvane" ] || fail "bin/lorvane is not the link to the program"
grep -q '^Exec="lorvane" %f$' "$prefix/share/applications/lorvane.desktop" || fail "the desktop entry does not start lorvane"
grep -q '^MimeType=application/x-pivotcube;$' "$prefix/share/applications/lorvane.desktop" || fail "the desktop entry names no MIME type"
grep -q '<glob pattern="\*.Dravo"/>' "$prefix/share/mime/packages/lorvane-dravo.xml" || fail "the MIME package has no *.Dravo glob"
if command -v desktop-file-validate > /dev/null; then
  desktop-file-validate "$prefix/share/applications/lorvane.desktop" || fail "the desktop entry is not valid"
fi

# The programs start from the prefix, dravo does its work.
"$prefix/bin/dravo" help | grep -q '^  drill' || fail "dravo help does not list drill"
"$prefix/bin/dravo" generate --items 50 -o "$scratch/c.pvc"
"$prefix/bin/dravo" info "$scratch/c.pvc" | grep -q 'Région' || fail "the installed dravo cannot read a cube"
export QT_QPA_PLATFORM=offscreen
version=$("$prefix/bin/lorvane" --version)
[[ "$version" =~ ^lorvane\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "lorvane --version says '$version'"

# Every translation file the sources ship is installed beside the program
# and offered; without any, one dropped there shows that the installed
# program looks in that folder.
shipped=$(cd "$source" && ls translations/lorvane-*.LAND 2>/dev/null || true)
if [ -z "$shipped" ]; then
  printf '\xEF\xBB\xBFu0407\r\n' > "$prefix/lib/lorvane/lorvane-0407.LAND"
  shipped=lorvane-0407.LAND
  dropped=$prefix/lib/lorvane/lorvane-0407.LAND
fi
languages=$("$prefix/bin/lorvane" --languages)
for f in $shipped; do
  name=$(basename "$f")
  [ -f "$prefix/lib/lorvane/$name" ] || fail "$name is not installed beside the program"
  id=${name#lorvane-}
  id=${id%.LAND}
  grep -q "^$id " <<< "$languages" || fail "lorvane does not offer the language of $name (it lists: $languages)"
done
grep -q '^040C ' <<< "$languages" || fail "lorvane does not offer its source language (it lists: $languages)"
[ -z "${dropped:-}" ] || rm -f "$dropped"
# What the runs left beside the program (learnt dictionaries) is the user's, not the installation's.
rm -f "$prefix"/lib/lorvane/*.LAND.tmp

cmake -DMANIFEST="$manifest" -P "$source/cmake/Uninstall.cmake" > "$scratch/uninstall.log"
while read -r f; do
  [ ! -e "$f" ] && [ ! -L "$f" ] || fail "$f is still there after uninstall"
done < "$manifest"
[ ! -d "$prefix/lib/lorvane" ] || [ -n "$(ls -A "$prefix/lib/lorvane")" ] || fail "the program folder is left empty"
[ -f "$prefix/bin/other-program" ] || fail "uninstall removed a file it had not installed"
echo "install test: installed, started and uninstalled in $prefix"
