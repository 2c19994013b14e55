#!/usr/bin/env bash
# Fails when a C++ source of the project is not laid out as .clang-format says; prints where.
#   scripts/format-check.sh          check
#   scripts/format-check.sh --fix    rewrite the files in place
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t sources < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = --fix ]; then
    clang-format -i "${sources[@]}"
    exit 0
fi
echo "== clang-format (${#sources[@]} files)"
if ! clang-format --dry-run --Werror "${sources[@]}"; then
    echo "format: run scripts/format-check.sh --fix" >&2
    exit 1
fi
echo "format: clean"
