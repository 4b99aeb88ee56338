#!/usr/bin/env bash
# Runs the tests of the cipher's three-stage pipeline (reader, cipher and writer threads) and of
# the in-place replacement built on it under ThreadSanitizer. The file beyond four gigabytes is
# left to the other builds: under the sanitizer it would take minutes and prove nothing more.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/tsan
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELARIUM_THREAD_SANITIZE=ON \
    -DVELARIUM_WERROR="${VELARIUM_WERROR:-OFF}" -DVELARIUM_BUILD_GUI=OFF -DVELARIUM_BUILD_CLI=OFF \
    -DVELARIUM_BUILD_BENCH=OFF
cmake --build "$build" --parallel "$(nproc)" --target velarium_core_tests
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" "$build/tests/velarium_core_tests" \
    --gtest_filter='FileCipher.*:InPlaceCipherTest.*:-FileCipher.FilesBeyondFourGigabytesAreProcessedToTheEnd'
