# Sourced by fuzz.sh and scripts/fuzz-campaign.sh: the clang build of the fuzz targets in
# build-fuzz/, and what every run of a target starts from.

# -timeout: an input that takes seconds is a fault too (a loop that does not end).
KVQ_FUZZ_OPTIONS=(-timeout=10)

# kvq_fuzz_build TARGET...: builds the fuzz targets and sets `targets` to the names given, or
# to every target when none is given; an unknown name stops the script.
kvq_fuzz_build() {
    kvq_ensure_packages cmake ninja-build "${KVQ_PACKAGES_FUZZ[@]}"
    cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_CXX_COMPILER=clang++ -DKVQ_FUZZ=ON >/dev/null
    cmake --build build-fuzz -j "$(nproc)"
    targets=("$@")
    if [ "${#targets[@]}" -eq 0 ]; then
        local program
        for program in build-fuzz/bin/fuzz_*; do
            targets+=("${program##*/fuzz_}")
        done
    fi
    local name
    for name in "${targets[@]}"; do
        [ -x "build-fuzz/bin/fuzz_$name" ] || { echo "no fuzz target $name" >&2; exit 2; }
    done
}

# kvq_fuzz_inputs NAME: sets `inputs` to the committed folders of a target, its corpus and
# its regressions.
kvq_fuzz_inputs() {
    inputs=("tests/fuzz/corpus/$1")
    if [ -d "tests/fuzz/regressions/$1" ]; then
        inputs+=("tests/fuzz/regressions/$1")
    fi
}
