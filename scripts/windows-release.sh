#!/usr/bin/env bash
# Builds the Windows release from a configured and built mingw tree (build-win/ unless
# given): nodrel-VERSION-windows-x64.zip, nodrel-VERSION-windows-x64-setup.exe and their
# SHA256SUMS in dist/, VERSION being project()'s in CMakeLists.txt.
#   bash scripts/windows-release.sh [build-win] [dist]
# The zip holds nodrel.exe, nodreld.exe (stripped), Data\Nodrel4.ini with the defaults,
# an empty Log\ and README.txt (its @VERSION@ filled in); the installer (NSIS) installs the
# same files.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
tree=$(realpath "${1:-$root/build-win}")
dist=$(realpath -m "${2:-$root/dist}")
version=$(sed -nE 's/^project\(Nodrel VERSION ([0-9.]+).*/\1/p' "$root/CMakeLists.txt")
name=nodrel-$version-windows-x64

cmake --build "$tree" -j "${NODREL_JOBS:-2}" --target nodrel nodreld
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/$name/Data" "$stage/$name/Log" "$dist"
for exe in nodrel nodreld; do
  x86_64-w64-mingw32-strip -o "$stage/$name/$exe.exe" \
    "$(find "$tree/src/frontends" -name "$exe.exe" -print -quit)"
done
# The defaults, with the log folder as Windows writes it.
sed 's|^LogPath=Log/\r$|LogPath=Log\\\r|' "$root/data/Nodrel4.ini" > "$stage/$name/Data/Nodrel4.ini"
sed -e "s/@VERSION@/$version/g" -e 's/\r*$/\r/' "$root/packaging/windows/README.txt" \
  > "$stage/$name/README.txt"

rm -f "$dist/$name.zip"
(cd "$stage" && zip -q -X -r "$dist/$name.zip" "$name")
makensis -V2 -DVERSION="$version" -DSTAGE="$stage/$name" -DOUTFILE="$dist/$name-setup.exe" \
  "$root/packaging/windows/nodrel.nsi"
# The programs are not signed: the checksums are how a download can be checked.
(cd "$dist" && sha256sum "$name.zip" "$name-setup.exe" > SHA256SUMS)
ls -l "$dist/$name.zip" "$dist/$name-setup.exe" "$dist/SHA256SUMS" "$stage/$name"/*.exe
