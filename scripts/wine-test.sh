#!/usr/bin/env bash
# Tries the native Vellum_XP.dll under Wine, as a script host would use it:
# a fresh Wine prefix, regsvr32, every example script and tests/native/*.vls
# translated to VBScript (tools/vls2vbs) and run by cscript, each PDF checked
# with qpdf and compared byte for byte with the Linux build's output for the
# same calls, the error information a failing call leaves in Err, and
# unregistration. Both builds write with the same SOURCE_DATE_EPOCH.
#   bash scripts/wine-test.sh            (builds what is missing first)
# Environment: VELLUM_BUILD (Linux build folder, default build),
# VELLUM_WINDOWS_BUILD (default build-windows), VELLUM_KEEP=1 keeps the work folder.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
started=$SECONDS

linux_build=${VELLUM_BUILD:-build}
windows_build=${VELLUM_WINDOWS_BUILD:-build-windows}

packages=(wine64 wine qpdf poppler-utils)
bash scripts/install-missing.sh wine-test "${packages[@]}"

# The Linux client, library (with its picture module) and translator, and
# the native DLL; an existing build is brought up to date.
[[ -f $linux_build/CMakeCache.txt ]] || cmake -S . -B "$linux_build" -G Ninja >/dev/null
cmake --build "$linux_build" -j2 --target vellum vls2vbs VELLUM_XP >/dev/null
VELLUM_WINDOWS_BUILD=$windows_build bash scripts/build-windows.sh >/dev/null
dll=$root/$windows_build/bin/Vellum_XP.dll
echo "wine-test: builds ready after $((SECONDS - started)) s"

work=$(mktemp -d /tmp/vellum-wine.XXXXXX)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEARCH=win64
# No Mono or Gecko installer dialogs; no display needed for console programs.
export WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-1700000000}
export VELLUM_REGISTRY=$work/linux-registry.reg
cleanup() {
  wineserver -k 2>/dev/null || true
  if [[ ${VELLUM_KEEP:-0} == 1 ]]; then echo "wine-test: kept $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT

failures=0 passes=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; passes=$((passes + 1)); }

step=$SECONDS
wineboot -i >/dev/null 2>&1
wineserver -w              # let wineboot's server go, then keep one for every run below
wineserver -p 600
echo "wine-test: fresh prefix in $((SECONDS - step)) s"

# Registration.
class_key='HKCR\CLSID\{C08D629F-1C7A-45A7-87F6-5C483BA32121}'
step=$SECONDS
if wine regsvr32 /s "$(winepath -w "$dll")" >/dev/null 2>&1; then pass "regsvr32 registers"; else fail "regsvr32 exit $?"; fi
for key in "$class_key" "$class_key\\InprocServer32" "$class_key\\ProgID" "$class_key\\Version" \
           "$class_key\\TypeLib" 'HKCR\VELLUM_XP.PDFDocument\Clsid' \
           'HKCR\TypeLib\{3D9C5168-E754-42BE-9816-7E12E9CF8BED}\1.0'; do
  wine reg query "$key" >/dev/null 2>&1 || fail "key missing after registration: $key"
done
wine reg query "$class_key\\InprocServer32" /v ThreadingModel 2>/dev/null | grep -q "REG_SZ *Both" ||
  fail "ThreadingModel is not Both"
echo "wine-test: registered in $((SECONDS - step)) s"

# The picture files of tests/native/pictures.vls, a JPEG that the Linux
# build encodes from the bitmap, and a PNG that pdfimages decodes from it.
make_pictures() {
  bash "$root/tests/native/make-pictures.sh" "$1"
  printf 'NewPDF "j"\nImportImage "picture.bmp", 90, 0, 0, 40, 30\nSavePDF "j.pdf"\n' >"$1/j.vls"
  (cd "$1" && "$root/$linux_build/bin/vellum" run --library "$root/$linux_build/bin/Vellum_XP.so" j.vls &&
     pdfimages -j j.pdf jpeg && mv jpeg-000.jpg picture.jpg &&
     pdfimages -png j.pdf png && mv png-000.png picture.png && rm j.pdf j.vls)
}

# PDFs whose pictures were encoded by different JPEG encoders (and whose
# metafiles were played by different players): the same images, the same
# sizes, and decoded pixels that agree on average within JPEG's error (mean
# difference per channel below 6 of 255). The largest difference is shown:
# metafile edges differ most, GDI draws them without anti-aliasing.
compare_pixels() {
  local a=$1 b=$2 what=$3 dir
  dir=$(mktemp -d "$work/pixels.XXXXXX")
  pdfimages "$a" "$dir/a" && pdfimages "$b" "$dir/b"
  local count=0 image
  for image in "$dir"/a-*.ppm; do
    count=$((count + 1))
    local other=$dir/b-${image##*/a-}
    if [[ ! -f $other ]] || [[ $(head -c 20 "$image" | head -2) != "$(head -c 20 "$other" | head -2)" ]]; then
      fail "$what: image ${image##*/} is missing or has another size"; continue
    fi
    local verdict
    verdict=$(paste <(od -An -v -tu1 -w1 "$image") <(od -An -v -tu1 -w1 "$other") | awk '
      { d = $1 - $2; if (d < 0) d = -d; sum += d; if (d > max) max = d; n++ }
      END { printf "%s mean %.2f max %d", (sum / n < 6) ? "ok" : "bad", sum / n, max }')
    if [[ $verdict == ok* ]]; then pass "$what: ${image##*/} pixels agree (${verdict#ok })"
    else fail "$what: ${image##*/} pixels differ (${verdict#bad })"; fi
  done
  ((count > 0)) || fail "$what: no images"
  [[ $(ls "$dir"/b-*.ppm | wc -l) == "$count" ]] || fail "$what: another number of images"
}

# Runs one call script both ways and compares what the two builds wrote.
run_script() {
  local script=$1 name
  name=$(basename "$script" .vls)
  local linux=$work/linux/$name windows=$work/windows/$name
  mkdir -p "$linux/out" "$windows/out"
  if [[ $name == pictures ]]; then make_pictures "$linux"; cp "$linux"/picture.* "$windows"/; fi
  (cd "$linux" && "$root/$linux_build/bin/vellum" run --library "$root/$linux_build/bin/Vellum_XP.so" "$script" \
     >stdout.txt 2>stderr.txt) || true
  "$root/$linux_build/bin/vls2vbs" "$script" "$windows/$name.vbs"
  (cd "$windows" && wine cscript //nologo "$name.vbs" >stdout.txt 2>stderr.txt) || true
  # Byte arrays arrive as UTF-16 text files (see tools/vls2vbs/vbscript.cpp).
  local pairs target
  for pairs in "$windows"/*.utf16 "$windows"/out/*.utf16; do
    [[ -e $pairs ]] || continue
    target=${pairs%.utf16}
    tail -c +3 "$pairs" >"$target"
    if [[ $(tail -c 4 "$target") == "%%EO" ]]; then printf 'F' >>"$target"; fi
    rm "$pairs"
  done
  local pdf count=0 relative
  while IFS= read -r pdf; do
    relative=${pdf#"$linux"/}
    count=$((count + 1))
    if [[ ! -f $windows/$relative ]]; then fail "$name: the native build wrote no $relative"; continue; fi
    qpdf --check "$windows/$relative" >/dev/null 2>&1 || fail "$name: qpdf --check $relative (native)"
    if cmp -s "$pdf" "$windows/$relative"; then pass "$name: $relative identical"
    elif [[ $name == pictures ]]; then compare_pixels "$pdf" "$windows/$relative" "$name: $relative"
    else fail "$name: $relative differs from the Linux build's"; fi
  done < <(find "$linux" -name '*.pdf' | sort)
  ((count > 0)) || echo "note: $name wrote no PDF"
  # VBScript prints a byte array only by its even part ("<N+ bytes>") and a
  # double with 15 significant digits; the client's lines are put that way.
  if diff <(tr -d '\r' <"$windows/stdout.txt") <(awk '
       /^<[0-9]+ bytes>$/ { n = substr($0, 2) + 0; print "<" (n - n % 2) "+ bytes>"; next }
       { for (i = 1; i <= NF; i++) if ($i ~ /^-?[0-9]+\.[0-9]+$/ && length($i) > 16) $i = sprintf("%.15g", $i); print }' \
       "$linux/stdout.txt") >"$work/$name.print.diff"; then
    pass "$name: printed output identical"
  else
    fail "$name: printed output differs"; cat "$work/$name.print.diff"
  fi
}

step=$SECONDS
for script in "$root"/examples/*.vls "$root"/tests/native/*.vls; do
  run_script "$script"
done
echo "wine-test: scripts ran in $((SECONDS - step)) s"

# Error information as VBScript sees it, and the version text.
cat >"$work/err.vbs" <<'VBS'
Set doc = CreateObject("VELLUM_XP.PDFDocument")
WScript.Echo TypeName(doc) & " " & doc.OCXVersion
On Error Resume Next
doc.AddPage
WScript.Echo Hex(Err.Number) & "|" & Err.Description & "|" & Err.Source
Err.Clear
doc.NewPDF "x"
WScript.Echo "after " & Err.Number
VBS
(cd "$work" && wine cscript //nologo err.vbs >err.txt 2>&1) || true
expected=$'IPDFDocument Vellum XP Vers. 1.118\n8000FFFF|There is no document: call NewPDF first|VELLUM_XP.PDFDocument\nafter 0'
if [[ $(tr -d '\r' <"$work/err.txt") == "$expected" ]]; then pass "TypeName, OCXVersion, Err.Number, Err.Description, Err.Source"
else fail "error information: $(tr -d '\r' <"$work/err.txt")"; fi

# Unregistration removes every key.
if wine regsvr32 /s /u "$(winepath -w "$dll")" >/dev/null 2>&1; then pass "regsvr32 /u unregisters"; else fail "regsvr32 /u exit $?"; fi
for key in "$class_key" 'HKCR\VELLUM_XP.PDFDocument' 'HKCR\TypeLib\{3D9C5168-E754-42BE-9816-7E12E9CF8BED}'; do
  if wine reg query "$key" >/dev/null 2>&1; then fail "key left after unregistration: $key"; fi
done

# Registered from a folder whose path has a blank: InprocServer32 holds the
# short form of the path.
mkdir -p "$work/with blank"
cp "$dll" "$work/with blank/"
blank_dll=$(winepath -w "$work/with blank/Vellum_XP.dll")
if wine regsvr32 /s "$blank_dll" >/dev/null 2>&1; then
  server=$(wine reg query "$class_key\\InprocServer32" /ve 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ *//p')
  if [[ -n $server && $server != *" "* && ${server,,} == *.dll ]]; then pass "a path with a blank is registered as $server"
  else fail "InprocServer32 for a path with a blank: '$server'"; fi
  wine regsvr32 /s /u "$blank_dll" >/dev/null 2>&1 || fail "regsvr32 /u from the folder with a blank"
else
  fail "regsvr32 from a folder with a blank"
fi

echo "wine-test: $((SECONDS - started)) s in all"
echo "wine-test: $passes passed, $failures failed"
((failures == 0))
