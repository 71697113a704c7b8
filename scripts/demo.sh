#!/usr/bin/env bash
# Installs what is needed, builds the library and its command-line client,
# and runs the demo call script, which writes out/demo.pdf.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "$(id -u)" = 0 ]; then ./scripts/setup.sh; else sudo ./scripts/setup.sh; fi
build=${BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target vellum VELLUM_XP
mkdir -p out
"$build/bin/vellum" run examples/demo.vls
