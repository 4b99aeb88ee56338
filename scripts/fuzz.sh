#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer) and
# runs each for a fixed time, starting from a copy of its seed corpus under tests/fuzz/corpus,
# which stays as committed. Any crash, leak, sanitizer report or broken promise fails the script;
# the input that caused it is kept under the build folder's artifacts/.
#
#     bash scripts/fuzz.sh [SECONDS_PER_TARGET]      (default 20)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-20}
build=build/fuzz
targets=(fuzz_HexScrambleDecode fuzz_Profile fuzz_CardArchive)

bash scripts/install-packages.sh
# libFuzzer comes with clang's runtime libraries, which the rest of the build does not need.
missing=()
for p in clang libclang-rt-14-dev; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake -S tests/fuzz -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++
cmake --build "$build" --parallel "$(nproc)"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1

failed=()
for target in "${targets[@]}"; do
    echo "== $target, ${seconds} s"
    cp -r "tests/fuzz/corpus/$target" "$work/$target"
    artifacts="$build/artifacts/$target"
    mkdir -p "$artifacts"
    if ! "$build/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$artifacts/" "$work/$target"; then
        failed+=("$target")
    fi
done

if ((${#failed[@]})); then
    echo "Fuzzing found faults in: ${failed[*]} (inputs in $build/artifacts/)" >&2
    exit 1
fi
echo "Fuzzing found no fault."
