#!/usr/bin/env bash
# Times the fixed workloads through our library, early bound (a C++ program
# calling the interface) and late bound (generated call scripts run by the
# command-line client), next to the peer libraries timed in the same run, and
# prints one table with the ratios.
#
#   bench/run-workloads.sh               all workloads, ours and the peers
#   bench/run-workloads.sh w1 w5         only these
#   PEERS=0 bench/run-workloads.sh       ours only
#   SCALE=1 bench/run-workloads.sh       also W1 at 500..8000 pages, W5 at 1000..100000 bookmarks
# Env: RUNS (timed runs, default 5), WARMUP (default 1), PEER_BENCH (the peers'
# harness folder, default ../shared/bench beside the checkout), BUILD_DIR.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

RUNS=${RUNS:-5}
WARMUP=${WARMUP:-1}
PEERS=${PEERS:-1}
SCALE=${SCALE:-0}
PEER_BENCH=${PEER_BENCH:-$root/../shared/bench}
build=${BUILD_DIR:-build-bench}
# One creation date for every document, so outputs can be compared byte for byte.
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-1700000000}
SEL=${*:-w0 w1 w2 w3 w4 w5}

die() { echo "run-workloads: $*" >&2; exit 1; }

need=(hyperfine time qpdf util-linux zlib1g-dev libdeflate-dev libjpeg-dev)
if [ "$PEERS" = 1 ]; then need+=(libhpdf-dev libpodofo-dev libdeflate-dev python3-reportlab); fi
missing=()
for package in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if ((${#missing[@]})); then
  echo "run-workloads: installing ${missing[*]}" >&2
  as_root=(); [ "$(id -u)" = 0 ] || as_root=(sudo)
  "${as_root[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

echo "== build ($build)" >&2
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELLUM_TESTS=OFF -DVELLUM_BENCH=ON >/dev/null
cmake --build "$build" --target vellum_workload vellum VELLUM_XP >/dev/null
bin=$root/$build/bin
out=$root/$build/workloads
mkdir -p "$out"
cc -O2 -o "$out/mkimages" "$PEER_BENCH/common/mkimages.c" -ljpeg
"$out/mkimages" "$out" >/dev/null

echo "== self-check: the generator gives the reference values" >&2
"$bin/vellum_workload" check >"$out/check.txt"
grep -qx 'w1.first |scj myeoulvlr fjp oryyddzfl hiv fhn mwleixy lv cehiagz ungt ey bqyf wxmkpqky cd |' "$out/check.txt" &&
  grep -qx 'w2.first 12.139598 13.933288 323.177698 534.589215' "$out/check.txt" &&
  grep -qx 'w5.targets 337 84 596 609 639' "$out/check.txt" || die "generator differs from the reference values"

pages_of() {
  case $1 in
    w0) echo 1 ;; w1) echo 500 ;; w2) echo 200 ;; w3) echo 100 ;; w4) echo 100 ;; w5) echo 1000 ;;
    w1-*) echo "${1#w1-}" ;; w5-*) echo 1000 ;;
  esac
}

runs=()
for w in $SEL; do runs+=("$w"); done
if [ "$SCALE" = 1 ]; then runs+=(w1-2000 w1-8000 w5-10000 w5-100000); fi

rows=$out/ours.tsv
: >"$rows"
for w in "${runs[@]}"; do
  early="$bin/vellum_workload early $w $out/$w-early.pdf $out"
  "$bin/vellum_workload" script "$w" "$out/$w-late.pdf" "$out" >"$out/$w.vls"
  late="$bin/vellum run $out/$w.vls"
  echo "== $w: hyperfine, $RUNS runs" >&2
  hyperfine -N --style basic --runs "$RUNS" --warmup "$WARMUP" --export-json "$out/hf-$w.json" \
    -n early "$early" -n late "$late" >"$out/hf-$w.log" 2>&1 || { cat "$out/hf-$w.log" >&2; die "$w failed"; }
  for form in early late; do
    cmd=$early; [ "$form" = late ] && cmd=$late
    read -r -a argv <<<"$cmd"
    /usr/bin/time -f '%M' -o "$out/rss.tmp" "${argv[@]}" >/dev/null
    file=$out/$w-$form.pdf
    check=ok
    qpdf --check "$file" >/dev/null 2>&1 || check="ERROR"
    got=$(qpdf --show-npages "$file" 2>/dev/null || echo 0)
    [ "$got" = "$(pages_of "$w")" ] || check="$check,pages=$got"
    printf '%s\t%s\t%s\t%s\t%s\n' "$w" "$form" "$(tail -1 "$out/rss.tmp")" "$(stat -c %s "$file")" "$check" >>"$rows"
  done
done

# The compression floor of our own W1 content: every page stream of our
# output compressed alone with the compressor we ship (libdeflate level 6),
# next to W1 on one core and on all of them.
floor=$out/floor.txt
: >"$floor"
if [[ " ${runs[*]} " == *" w1 "* ]]; then
  echo "== w1: compression floor and one core" >&2
  cc -O2 -I"$PEER_BENCH/common" "$PEER_BENCH/lowerbound/b1.c" -o "$out/b1" -lz -ldeflate -ljpeg
  "$out/b1" "$out/w1-early.pdf" 9 >"$floor"
  hyperfine -N --style basic --runs "$RUNS" --warmup "$WARMUP" --export-json "$out/hf-w1-cores.json" \
    -n one-core "taskset -c 0 $bin/vellum_workload early w1 $out/w1-one-core.pdf $out" \
    -n all-cores "$bin/vellum_workload early w1 $out/w1-all-cores.pdf $out" >"$out/hf-w1-cores.log" 2>&1 ||
    { cat "$out/hf-w1-cores.log" >&2; die "w1 on one core failed"; }
  cmp -s "$out/w1-one-core.pdf" "$out/w1-all-cores.pdf" || die "w1 on one core wrote other bytes"
fi

peers=$out/peers.md
: >"$peers"
if [ "$PEERS" = 1 ]; then
  peer_sel=()
  for w in $SEL; do peer_sel+=("$w"); done
  echo "== peers: $PEER_BENCH/run-peers.sh ${peer_sel[*]}" >&2
  RUNS=$RUNS WARMUP=$WARMUP bash "$PEER_BENCH/run-peers.sh" "${peer_sel[@]}" >"$peers"
fi

python3 "$root/bench/workload_table.py" "$rows" "$out" "$peers" "$floor"
