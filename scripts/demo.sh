#!/usr/bin/env bash
# Installs what is needed, builds, and writes the demo document into out/.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "$(id -u)" = 0 ]; then ./scripts/setup.sh; else sudo ./scripts/setup.sh; fi
build=${BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target demo_document
mkdir -p out
"$build/examples/demo_document" out
