#!/usr/bin/env bash
# Builds Velarium, stages its portable program folder in dist/Velarium and starts it there.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-packages.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DVELARIUM_BUILD_TESTS=OFF -DVELARIUM_BUILD_BENCH=OFF
cmake --build build/release
cmake --install build/release --prefix dist/Velarium

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
    echo "Velarium is built in dist/Velarium, but there is no graphical display to show it on" >&2
    echo "(neither DISPLAY nor WAYLAND_DISPLAY is set). Start dist/Velarium/Velarium from a" >&2
    echo "desktop session, or use dist/Velarium/velarium-cli from a terminal." >&2
    exit 1
fi
exec dist/Velarium/Velarium
