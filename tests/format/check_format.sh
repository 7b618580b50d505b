#!/usr/bin/env bash
# Every C++ file of the project is laid out as .clang-format says. Lists the files that are
# not (with clang-format's own account of where) and fails; prints the count that are.
set -euo pipefail
source_dir=$1
formatter=${2:?usage: check_format.sh SOURCE_DIR FORMATTER}
cd "$source_dir"
command -v "$formatter" >/dev/null || { echo "FAIL: $formatter is not installed"; exit 1; }

if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    mapfile -t files < <(git ls-files '*.cpp' '*.h')
else
    mapfile -t files < <(find . -path ./build -prune -o \( -name '*.cpp' -o -name '*.h' \) -print | sort)
fi
[ ${#files[@]} -gt 0 ] || { echo "FAIL: no C++ files found under $source_dir"; exit 1; }

bad=()
for f in "${files[@]}"; do
    "$formatter" --style=file --dry-run --Werror "$f" 2>/dev/null || bad+=("$f")
done
if [ ${#bad[@]} -gt 0 ]; then
    echo "FAIL: ${#bad[@]} of ${#files[@]} files differ from .clang-format (fix with: $formatter -i FILE):"
    for f in "${bad[@]}"; do
        echo "  $f"
        "$formatter" --style=file --dry-run "$f" 2>&1 | head -6 | sed 's/^/    /'
    done
    exit 1
fi
echo "${#files[@]} files laid out as .clang-format says"
