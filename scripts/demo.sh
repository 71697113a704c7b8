#!/usr/bin/env bash
# Installs only what the library and its command-line client need, builds
# just those two in build-demo/, and runs the demo call script, which writes
# out/demo.pdf.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "$(id -u)" = 0 ]; then ./scripts/setup.sh demo; else sudo ./scripts/setup.sh demo; fi
build=${BUILD_DIR:-build-demo}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELLUM_TESTS=OFF -DVELLUM_BENCH=OFF >/dev/null
cmake --build "$build" --target vellum VELLUM_XP
mkdir -p out
"$build/bin/vellum" run examples/demo.vls
