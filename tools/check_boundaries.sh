#!/usr/bin/env bash
# Each folder's tests may use only that folder's library and what it builds on: their CMake files
# link nothing else (a link beyond that fails the build), and this check refuses an #include of a
# folder outside that set, which would let a test reach inline code of a library it does not link.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
declare -A allowed=(
  [host]="host"
  [raster]="raster host"
  [sprite]="sprite raster host"
  [text_input]="text_input sprite raster host"
)
bad=0
for folder in "${!allowed[@]}"; do
  for file in tests/"$folder"/*.cpp tests/"$folder"/*.h; do
    [ -e "$file" ] || continue
    while IFS= read -r line; do
      path=${line#*\"}
      path=${path%\"*}
      # Test helpers: those shared by every folder (tests/NAME.h) and the folder's own.
      [[ $path == tests/* && ${path#tests/} != */* ]] && continue
      [[ $path == tests/* ]] && path=${path#tests/}
      used=${path%%/*}
      if [[ " ${allowed[$folder]} " != *" $used "* ]]; then
        echo "$file: $line reaches beyond ${allowed[$folder]}"
        bad=$((bad + 1))
      fi
    done < <(grep -E '^#include "[a-z_]+/' "$file")
  done
done
echo "$bad include(s) beyond a test folder's libraries"
[ "$bad" -eq 0 ]
