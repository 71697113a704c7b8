#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each one from its committed
# corpus; any crash, leak or sanitizer report fails the run.
#   scripts/fuzz.sh            each target for 60 seconds
#   FUZZ_SECONDS=600 scripts/fuzz.sh api_sequence_fuzz
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-60}
build=${BUILD_DIR:-build-fuzz}
# target:corpus folder under fuzz/corpus
all="script_parser_fuzz:script bmp_fuzz:bmp ico_fuzz:ico wmf_fuzz:wmf jpeg_fuzz:jpeg png_fuzz:png truetype_fuzz:truetype unicode_font_fuzz:truetype api_sequence_fuzz:api xmp_description_fuzz:xmp_description_fuzz"
wanted=${*:-}

# Limits per input. Where a few kilobytes can claim gigabytes (a picture's
# chunk, a font's table) or seconds of inflating, an input over them is a
# finding rather than a slow or killed run; PNG inputs may grow to a few MB
# so that compressed data can outweigh a picture by that much.
limits() {
  case $1 in
    png_fuzz) echo "-rss_limit_mb=512 -timeout=5 -max_len=4194304" ;;
    unicode_font_fuzz) echo "-rss_limit_mb=512 -timeout=5" ;;
    api_sequence_fuzz) echo "-rss_limit_mb=1024 -timeout=10" ;;
    *) echo "-rss_limit_mb=3000" ;;
  esac
}

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELLUM_FUZZ=ON -DVELLUM_TESTS=OFF -DVELLUM_BENCH=OFF >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export TMPDIR=$work
# The same leak suppressions as the test suite (cairo's fontconfig cache).
# Without the list of suppressions used, which would join what clients print
# on standard error; without scanning thread-local storage, whose blocks of
# libraries loaded later (the font module's) this LeakSanitizer misreads and
# stops on: what lives there is freed when its thread ends.
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp:print_suppressions=0:use_tls=0}

for entry in $all; do
  target=${entry%%:*}
  corpus=fuzz/corpus/${entry#*:}
  if [ -n "$wanted" ] && [[ " $wanted " != *" $target "* ]]; then continue; fi
  cmake --build "$build" --target "$target"
  # New inputs go to a scratch folder; the committed seeds stay as they are.
  mkdir -p "$work/$target"
  echo "== $target: ${seconds}s from $corpus"
  # shellcheck disable=SC2046  # the limits are separate words
  "$build/fuzz/$target" -max_total_time="$seconds" $(limits "$target") -print_final_stats=1 \
    -artifact_prefix="$work/$target-" "$work/$target" "$corpus" 2>"$work/$target.log" || {
    tail -n 60 "$work/$target.log"
    mkdir -p fuzz-findings && cp "$work/$target"-* fuzz-findings/ 2>/dev/null || true
    echo "$target failed; the input is in fuzz-findings/" >&2
    exit 1
  }
  grep -E "DONE|stat::number_of_executed_units" "$work/$target.log" || true
done
