#!/usr/bin/env bash
# Builds the fuzz targets with clang-14 and runs each one, one after another,
# for SECONDS seconds (default 30) over a copy of its seed corpus.
#   fuzz/run.sh [SECONDS] [TARGET...]   (build folder: $MEALDECK_FUZZ_BUILD, default build-fuzz)
# A crash or a failed check stops with the input saved under
# <build folder>/artifacts/ and a non-zero exit.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${1:-30}
shift || true
build=${MEALDECK_FUZZ_BUILD:-"$root/build-fuzz"}

cmake -S "$root/fuzz" -B "$build" -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
cmake --build "$build" -j"$(nproc)"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for dir in "$root"/fuzz/corpus/*/; do
        targets+=("$(basename "$dir")")
    done
fi

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions="$root/fuzz/lsan.supp":print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen
mkdir -p "$build/artifacts"
for target in "${targets[@]}"; do
    corpus="$build/corpus/$target"
    mkdir -p "$corpus"
    cp -n "$root/fuzz/corpus/$target/"* "$corpus/" 2>/dev/null || true
    echo "Fuzzing $target for $seconds s"
    "$build/fuzz_$target" -max_total_time="$seconds" -seed=1 -timeout=30 -print_final_stats=1 \
        -artifact_prefix="$build/artifacts/$target-" "$corpus" 2>"$build/$target.log" ||
        { tail -n 40 "$build/$target.log"; exit 1; }
    grep -E '^stat::number_of_executed_units' "$build/$target.log" | sed "s/^/  $target /"
done
