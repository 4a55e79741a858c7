#!/bin/sh
# Paints the drawings of examples/dimconnect.vds and examples/dimdivide.vds
# before and after their commands into docs/pictures/dimconnect-before.png,
# dimconnect-after.png, dimdivide-before.png and dimdivide-after.png.
# Run from the repository root after the Windows build (cmake --build
# build/win64 --target vdhost VdShared), with Wine's runtime set up as the
# README says (WINEPREFIX, DISPLAY).
set -e
root=$(pwd)
bin=$root/build/win64/bin
out=$root/docs/pictures
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cd "$bin"
for name in dimconnect dimdivide; do
  # Before: the script's load and init alone.
  grep -E '^(load|init)' "$root/examples/$name.vds" > "$tmp/$name-before.vds"
  wine vdhost.exe --quiet --picture "$tmp/$name-before.png" "$tmp/$name-before.vds"
  wine vdhost.exe --quiet --picture "$tmp/$name-after.png" "$root/examples/$name.vds"
  cp "$tmp/$name-before.png" "$tmp/$name-after.png" "$out/"
done
