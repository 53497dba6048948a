#!/usr/bin/env bash
# Fails, listing them, when C++ files differ from what clang-format makes of them
# with the tree's .clang-format. The files are git's (tracked, and new ones git does
# not ignore), or every C++ file below the top folder when this is not a git
# checkout (build folders left out).
set -euo pipefail
cd "$(dirname "$0")/.."

clang_format=${CLANG_FORMAT:-clang-format}
command -v "$clang_format" >/dev/null || { echo "check-format: $clang_format not found" >&2; exit 1; }

files=()
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h' |
    sort -u | while read -r f; do [ -f "$f" ] && echo "$f"; done)
else
  mapfile -t files < <(find . \( -path './build*' -o -path './demo' -o -path './.git' \) -prune \
    -o -type f \( -name '*.cpp' -o -name '*.h' \) -print | sed 's|^\./||' | sort)
fi
[ ${#files[@]} -gt 0 ] || { echo "check-format: no C++ files found" >&2; exit 1; }

# One run over them all; each difference is reported as "FILE:LINE:COL: error: ...".
status=0
report=$("$clang_format" --dry-run -Werror "${files[@]}" 2>&1) || status=$?
mapfile -t differ < <(sed -n 's/^\(.*\):[0-9]*:[0-9]*: error: .*clang-format.*/\1/p' <<<"$report" | sort -u)
if [ $status -ne 0 ] && [ ${#differ[@]} -eq 0 ]; then
  echo "$report" >&2
  echo "check-format: $clang_format failed" >&2
  exit 1
fi

if [ ${#differ[@]} -gt 0 ]; then
  echo "check-format: ${#differ[@]} file(s) differ from .clang-format:" >&2
  printf '  %s\n' "${differ[@]}" >&2
  echo "Fix them with: $clang_format -i ${differ[*]}" >&2
  exit 1
fi
echo "check-format: ${#files[@]} files match .clang-format"
