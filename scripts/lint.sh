#!/usr/bin/env bash
# cppcheck and clang-tidy over our own sources (core/, export/, serial/, pane/, journal/, app/,
# about/, tools/, bench/ and the headers they include), not over Qt's or the generated moc/ui files.
#   scripts/lint.sh BUILD_DIR     BUILD_DIR holds compile_commands.json
# Prints the findings and fails when there are any.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: scripts/lint.sh BUILD_DIR}" && pwd)
db=$build/compile_commands.json
if [ ! -f "$db" ]; then
    echo "lint: no $db (configure with -DCMAKE_EXPORT_COMPILE_COMMANDS=ON)" >&2
    exit 2
fi
jobs=$(nproc)
folders='core|export|serial|pane|pane/lines|journal|app|about|tools|bench'

# The sources the build compiles from our folders; generated files live in the build folder.
mapfile -t sources < <(sed -n 's/^ *"file": "\(.*\)"$/\1/p' "$db" |
    grep -E "^$root/($folders)/[^/]+\.cpp$" | sort -u)
if [ "${#sources[@]}" -eq 0 ]; then
    echo "lint: no sources of ours in $db" >&2
    exit 2
fi
includes=()
for f in core export serial pane pane/lines journal app about tools bench; do
    includes+=(-I "$root/$f")
done

status=0

echo "== cppcheck (${#sources[@]} files)"
# Qt's headers are not parsed (missingIncludeSystem): the qt library file tells cppcheck what
# its macros mean. Headers generated from forms (ui_*.h) are missing on purpose as well.
# useStlAlgorithm is left out: it asks for std::transform over any loop that appends.
if ! cppcheck --quiet --std=c++20 --language=c++ --library=qt -j "$jobs" \
    --enable=warning,style,performance,portability --inline-suppr --error-exitcode=1 \
    --suppress=missingIncludeSystem --suppress=missingInclude --suppress=useStlAlgorithm \
    --template='{file}:{line}: {severity} ({id}): {message}' \
    "${includes[@]}" "${sources[@]}"; then
    status=1
fi

echo "== clang-tidy (${#sources[@]} files, checks in .clang-tidy)"
# The compile commands come from g++: flags clang does not know are not findings.
if ! run-clang-tidy -quiet -p "$build" -j "$jobs" \
    -header-filter="^$root/($folders)/[^/]+\\.h$" \
    -extra-arg=-Wno-unknown-warning-option \
    "^$root/($folders)/[^/]+\\.cpp$" >"$build/clang-tidy.log" 2>&1; then
    status=1
fi
# One line per finding (a header's finding comes once, not once per file that includes it).
sed 's/\x1b\[[0-9;]*m//g' "$build/clang-tidy.log" |
    grep -E '^[^ ]+:[0-9]+:[0-9]+: (warning|error): ' |
    sed 's/,-warnings-as-errors\]/]/' | sort -u || true

if [ "$status" -eq 0 ]; then
    echo "lint: clean"
else
    echo "lint: findings above (full clang-tidy output in $build/clang-tidy.log)" >&2
fi
exit "$status"
