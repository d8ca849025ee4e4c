#!/usr/bin/env bash
# Formats every C++ file of the tree with the project's .clang-format, or with --check only lists the
# files that are not formatted (exit code 1 when there is one). The build trees are left out.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
tool=${CLANG_FORMAT:-clang-format}
command -v "$tool" >/dev/null || { echo "$tool not found (tools/bootstrap.sh installs it)"; exit 1; }
mapfile -t files < <(find host raster sprite text_input app tools tests \
  -path tests/third_party -prune -o \( -name '*.cpp' -o -name '*.h' \) -print | sort)
if [ "${1:-}" = --check ]; then
  bad=0
  for f in "${files[@]}"; do
    if ! "$tool" --dry-run --Werror "$f" >/dev/null 2>&1; then
      echo "not formatted: $f (tools/format.sh formats it)"
      bad=$((bad + 1))
    fi
  done
  echo "${#files[@]} files checked, $bad not formatted"
  [ "$bad" -eq 0 ]
else
  "$tool" -i "${files[@]}"
fi
