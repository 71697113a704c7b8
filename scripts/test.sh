#!/usr/bin/env bash
# Installs what is needed, builds everything in build/ (build-demo/ is the
# demo's own) and runs the whole test suite.
#   VELLUM_SANITIZE=address scripts/test.sh   runs it in an ASan+UBSan build
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "$(id -u)" = 0 ]; then ./scripts/setup.sh test; else sudo ./scripts/setup.sh test; fi
sanitize=${VELLUM_SANITIZE:-}
build=${BUILD_DIR:-build${sanitize:+-$sanitize}}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELLUM_SANITIZE="$sanitize" -DVELLUM_GUIDEBOOK=ON -DVELLUM_PYTHON=ON -DVELLUM_WERROR=ON >/dev/null
cmake --build "$build"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# Without the list of suppressions used, which would join what clients print
# on standard error; without scanning thread-local storage, whose blocks of
# libraries loaded later (the font module's) this LeakSanitizer misreads and
# stops on: what lives there is freed when its thread ends.
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp:print_suppressions=0:use_tls=0}
ctest --test-dir "$build" --output-on-failure -j2
