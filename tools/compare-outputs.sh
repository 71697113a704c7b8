#!/usr/bin/env bash
# Writes the same documents with two builds and compares them byte for byte:
# every example call script (examples/*.vls, run by the client) and the
# workloads W0-W5, early bound (bench's C++ program) and late bound (the call
# scripts it generates, run by the client). A change that must not alter any
# output (a refactoring) shows "same" on every line.
#
#   tools/compare-outputs.sh BUILD_BEFORE BUILD_AFTER      (folders with bin/vellum, bin/vellum_workload)
# Env: OUT (work folder, default a temporary one, kept on a difference),
#      WORKLOADS (default "w0 w1 w2 w3 w4 w5"), PEER_BENCH (the folder whose
#      common/mkimages.c makes the workloads' pictures, default ../shared/bench).
# Exit status 0 when every output is identical, 1 when one differs or fails.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

[ $# -eq 2 ] || { sed -n '2,13p' "$0" >&2; exit 2; }
before=$(cd "$1" && pwd)
after=$(cd "$2" && pwd)
WORKLOADS=${WORKLOADS:-w0 w1 w2 w3 w4 w5}
PEER_BENCH=${PEER_BENCH:-$root/../shared/bench}
out=${OUT:-$(mktemp -d)}
mkdir -p "$out"
# One creation date, and no registered library standing in for the builds'.
export SOURCE_DATE_EPOCH=1700000000
export VELLUM_REGISTRY=$out/empty-registry.reg
: >"$VELLUM_REGISTRY"

images=$out/images
mkdir -p "$images"
cc -O2 -o "$out/mkimages" "$PEER_BENCH/common/mkimages.c" -ljpeg
"$out/mkimages" "$images" >/dev/null

# Outputs of one build into $out/LABEL/: examples/NAME/... and WORKLOAD-{early,late}.pdf.
write_outputs() {
  local build=$1 label=$2 script name work w
  local dest=$out/$label
  rm -rf "$dest"
  mkdir -p "$dest/examples"
  for script in "$root"/examples/*.vls; do
    name=$(basename "$script" .vls)
    work=$dest/examples/$name
    mkdir -p "$work/out"
    (cd "$work" && "$build/bin/vellum" run --quiet "$script" >stdout.txt 2>stderr.txt) ||
      echo "failed" >"$work/status"
  done
  for w in $WORKLOADS; do
    "$build/bin/vellum_workload" early "$w" "$dest/$w-early.pdf" "$images" >/dev/null
    "$build/bin/vellum_workload" script "$w" "$dest/$w-late.pdf" "$images" >"$dest/$w.vls"
    "$build/bin/vellum" run --quiet "$dest/$w.vls" >/dev/null
  done
}

write_outputs "$before" before
write_outputs "$after" after

status=0
while IFS= read -r file; do
  relative=${file#"$out/before/"}
  case $relative in *.vls) continue ;; esac
  if [ ! -f "$out/after/$relative" ]; then
    printf '%-40s missing after\n' "$relative"; status=1
  elif cmp -s "$file" "$out/after/$relative"; then
    printf '%-40s same (%s bytes)\n' "$relative" "$(stat -c %s "$file")"
  else
    printf '%-40s DIFFERS\n' "$relative"; status=1
  fi
done < <(find "$out/before" -type f | sort)
while IFS= read -r file; do
  [ -f "$out/before/${file#"$out/after/"}" ] || { printf '%-40s new after\n' "${file#"$out/after/"}"; status=1; }
done < <(find "$out/after" -type f | sort)

if [ "$status" = 0 ] && [ -z "${OUT:-}" ]; then rm -rf "$out"; else echo "outputs kept in $out" >&2; fi
exit "$status"
