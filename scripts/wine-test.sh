#!/usr/bin/env bash
# Tries the native Vellum_XP.dll under Wine, as a script host would use it:
# a fresh Wine prefix, regsvr32, every example script and tests/native/*.vls
# translated to VBScript (tools/vls2vbs) and run by cscript, each PDF checked
# with qpdf and compared byte for byte with the Linux build's output for the
# same calls, encrypted and signed documents (which differ by their random
# keys) checked by readers and compared once decrypted, the error information
# a failing call leaves in Err, and unregistration. Both builds write with the
# same SOURCE_DATE_EPOCH.
#   bash scripts/wine-test.sh            (builds what is missing first)
# Environment: VELLUM_BUILD (Linux build folder, default build),
# VELLUM_WINDOWS_BUILD (default build-windows), VELLUM_KEEP=1 keeps the work folder.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
started=$SECONDS

linux_build=${VELLUM_BUILD:-build}
windows_build=${VELLUM_WINDOWS_BUILD:-build-windows}

# Wine's bcrypt and crypt32 do their cryptography with GnuTLS; openssl makes
# the test certificate, pikepdf compares decrypted documents, pypng makes the
# PNGs of tests/native/lossless.vls.
# Archival files are checked by PDFBox Preflight (tests/support/preflight.sh).
packages=(wine64 wine libgnutls30 qpdf poppler-utils openssl python3-pikepdf python3-png
  default-jre-headless libpdfbox2-java libactivation-java libjaxb-api-java)
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

# DejaVu Sans and its bold face installed as a user installs a font (a file in
# the Fonts folder, a value in the registry's font list naming it), so that
# tests/native/font_families.vls finds by family the files fontconfig finds
# on Linux. Wine lists the host's fonts there too, by full path: these values
# replace two of those, whatever the host has.
cp /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf /usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf \
  "$WINEPREFIX/drive_c/windows/Fonts/"
fonts_key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts'
wine reg add "$fonts_key" /v "DejaVu Sans (TrueType)" /t REG_SZ /d DejaVuSans.ttf /f >/dev/null 2>&1
wine reg add "$fonts_key" /v "DejaVu Sans Bold (TrueType)" /t REG_SZ /d DejaVuSans-Bold.ttf /f >/dev/null 2>&1

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
  # Colour pictures come as .ppm, grey ones and soft masks as .pgm, 1-bit ones as .pbm.
  for image in "$dir"/a-*.p[bgp]m; do
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
  [[ $(ls "$dir"/b-*.p[bgp]m | wc -l) == "$count" ]] || fail "$what: another number of images"
}

# Every object of two encrypted files, opened with the password, alike: the
# encryption dictionary aside, streams by their decoded data, JPEG pictures
# (encoded differently by each build) left to compare_pixels. Debian's
# Python, which has pikepdf.
same_objects() {
  /usr/bin/python3 - "$@" <<'PY'
import sys
import pikepdf

def text(value):  # pikepdf gives numbers and booleans as Python's own
    return pikepdf.Object.unparse(value) if isinstance(value, pikepdf.Object) else repr(value)

def objects(path, password):
    pdf = pikepdf.open(path, password=password)
    encrypt = pdf.trailer.get("/Encrypt")
    skipped = {encrypt.objgen} if encrypt is not None and encrypt.is_indirect else set()
    found = {}
    for obj in pdf.objects:
        if obj.objgen in skipped or obj.objgen == (0, 0):
            continue
        if isinstance(obj, pikepdf.Stream):
            entries = sorted((k, text(v)) for k, v in obj.stream_dict.items() if k != "/Length")
            jpeg = obj.stream_dict.get("/Filter") == pikepdf.Name.DCTDecode
            found[obj.objgen] = (entries, b"JPEG" if jpeg else obj.read_bytes())
        else:
            found[obj.objgen] = text(obj)
    return found

a, b = objects(sys.argv[1], sys.argv[3]), objects(sys.argv[2], sys.argv[3])
for number in sorted(set(a) | set(b)):
    if a.get(number) != b.get(number):
        print(f"object {number[0]}: {str(a.get(number))[:300]} / {str(b.get(number))[:300]}")
        sys.exit(1)
print(f"{len(a)} objects")
PY
}

# Pictures kept without loss: the native build's file must equal the Linux
# build's object by object (samples, palettes and soft masks by their decoded
# data), with every JPEG stream the JPEG file's own bytes.
compare_lossless() {
  local a=$1 b=$2 jpeg=$3 what=$4 compared
  if cmp -s "$a" "$b"; then pass "$what: identical"
  elif compared=$(same_objects "$a" "$b" ""); then pass "$what: the same objects as the Linux build's ($compared)"
  else fail "$what: it differs from the Linux build's: $compared"; fi
  local file
  for file in "$a" "$b"; do
    if compared=$(jpeg_streams_are "$file" "$jpeg"); then pass "$what: ${file#"$work"/}: the JPEG file's bytes as they are ($compared)"
    else fail "$what: ${file#"$work"/}: $compared"; fi
  done
}

# Every JPEG stream of a PDF the given JPEG file's bytes.
jpeg_streams_are() {
  /usr/bin/python3 - "$@" <<'PY'
import sys
import pikepdf

jpeg = open(sys.argv[2], "rb").read()
pdf = pikepdf.open(sys.argv[1])  # held: its objects live as long as it does
streams = [obj for obj in pdf.objects
           if isinstance(obj, pikepdf.Stream) and obj.stream_dict.get("/Filter") == pikepdf.Name.DCTDecode]
if not streams or any(stream.read_raw_bytes() != jpeg for stream in streams):
    print(f"{len(streams)} JPEG streams, not all the file's bytes")
    sys.exit(1)
print(f"{len(streams)} JPEG stream(s)")
PY
}

# Encrypted PDFs differ by their random keys: the native build's must open
# with the password and, decrypted, equal the Linux build's object by object,
# its pictures by their pixels.
compare_encrypted() {
  local a=$1 b=$2 password=$3 what=$4 dir
  dir=$(mktemp -d "$work/decrypted.XXXXXX")
  if [[ -n $password ]] && ! qpdf --requires-password "$b"; then fail "$what: opens without a password"; fi
  if ! qpdf --decrypt --password="$password" "$a" "$dir/a.pdf" ||
     ! qpdf --decrypt --password="$password" "$b" "$dir/b.pdf"; then
    fail "$what: does not decrypt with the password"; return
  fi
  pass "$what: the native build's file opens with the password and decrypts"
  local compared
  if compared=$(same_objects "$a" "$b" "$password"); then
    pass "$what: decrypted, the same as the Linux build's ($compared)"
  else
    fail "$what: decrypted, it differs from the Linux build's: $compared"
  fi
  if [[ $(pdfimages -list "$dir/a.pdf" | wc -l) -gt 2 ]]; then compare_pixels "$dir/a.pdf" "$dir/b.pdf" "$what: decrypted"; fi
}

# Archival files differ by their random identifiers (/ID in the trailer):
# the native build's must equal the Linux build's object by object, and pass
# Preflight when it claims part 1.
compare_archival() {
  local a=$1 b=$2 what=$3 compared
  if compared=$(same_objects "$a" "$b" ""); then pass "$what: archival, the same as the Linux build's but its /ID ($compared)"
  else fail "$what: archival, it differs from the Linux build's: $compared"; fi
  grep -qa "<pdfaid:part>1<" "$b" || return 0
  if bash "$root/tests/support/preflight.sh" "$b" >"$work/preflight.txt" 2>&1; then pass "$what: Preflight finds the native build's file valid"
  else fail "$what: Preflight: $(cat "$work/preflight.txt")"; fi
}

# An accessible file written by the native build meets the PDF/UA-1 checker.
check_accessible() {
  local file=$1 what=$2
  if /usr/bin/python3 "$root/tests/support/ua_check.py" "$file" >"$work/ua.txt" 2>&1; then
    pass "$what: the native build's file meets the PDF/UA-1 checker"
  else fail "$what: PDF/UA-1 checker: $(cat "$work/ua.txt")"; fi
}

# Runs one call script with the Linux build in $work/linux/NAME and through
# the DLL in $work/windows/NAME, with the files of folder $2 (if given)
# beside it.
run_both() {
  local script=$1 inputs=${2:-} name
  name=$(basename "$script" .vls)
  local linux=$work/linux/$name windows=$work/windows/$name
  mkdir -p "$linux/out" "$windows/out"
  if [[ -n $inputs ]]; then cp -r "$inputs"/. "$linux"/; cp -r "$inputs"/. "$windows"/; fi
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
}

# The user password of a script's first Encrypt call.
user_password_of() { sed -n 's/^[[:space:]]*Encrypt[[:space:]]*"\([^"]*\)".*/\1/p' "$1" | head -1; }

# Runs one call script both ways and compares what the two builds wrote.
run_script() {
  local script=$1 name
  name=$(basename "$script" .vls)
  local linux=$work/linux/$name windows=$work/windows/$name
  local inputs=
  if [[ $name == pictures || $name == lossless ]]; then
    inputs=$work/pictures; [[ -f $inputs/picture.jpg ]] || { mkdir -p "$inputs"; make_pictures "$inputs"; }
  fi
  # Examples that name the examples' pictures as seen from the source folder.
  if grep -q '"examples/assets/' "$script"; then
    inputs=$work/example-inputs; mkdir -p "$inputs/examples"; cp -r "$root/examples/assets" "$inputs/examples/"
  fi
  run_both "$script" "$inputs"
  local pdf count=0 relative
  while IFS= read -r pdf; do
    relative=${pdf#"$linux"/}
    count=$((count + 1))
    if [[ ! -f $windows/$relative ]]; then fail "$name: the native build wrote no $relative"; continue; fi
    if qpdf --is-encrypted "$pdf"; then
      compare_encrypted "$pdf" "$windows/$relative" "$(user_password_of "$script")" "$name: $relative"; continue
    fi
    qpdf --check "$windows/$relative" >/dev/null 2>&1 || fail "$name: qpdf --check $relative (native)"
    if grep -qa "<pdfuaid:part>" "$pdf"; then check_accessible "$windows/$relative" "$name: $relative"; fi
    if grep -qa "<pdfaid:part>" "$pdf"; then compare_archival "$pdf" "$windows/$relative" "$name: $relative"; continue; fi
    if [[ $name == lossless ]]; then compare_lossless "$pdf" "$windows/$relative" "$linux/picture.jpg" "$name: $relative"
    elif cmp -s "$pdf" "$windows/$relative"; then pass "$name: $relative identical"
    # Pictures are decoded by the system on the native build: compared by their pixels.
    elif grep -qa "/Subtype /Image" "$pdf"; then compare_pixels "$pdf" "$windows/$relative" "$name: $relative"
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

# ---- Encryption and signing through the system's cryptography (CNG, crypt32).
# Encrypted files differ from the Linux build's by their random keys, so each
# must open with its password and, decrypted, equal the Linux build's object
# by object (pictures by their pixels); signatures must verify with pdfsig.
# Where the system lacks an algorithm the call must fail naming it: Wine 8's
# bcrypt has no RC4, which RC4-128 and AES-128's password values both need.
protection=$work/protection
mkdir -p "$protection/inputs"
bash "$root/tests/support/make_test_certificate.sh" "$protection/inputs" "wine secret"
bash "$root/tests/native/make-pictures.sh" "$protection/inputs"

# The seam's algorithms one by one, and a signature checked by OpenSSL.
step=$SECONDS
cmake --build "$windows_build" -j2 --target vellum_crypto_check >/dev/null
(cd "$protection" && wine "$root/$windows_build/bin/vellum_crypto_check.exe" inputs/signer.p12 "wine secret" \
   >seam.txt 2>/dev/null) || true
while IFS= read -r line; do
  line=${line%$'\r'}
  case $line in
    "ok "*) pass "seam: ${line#ok }" ;;
    "FAIL RC4: "*"RC4 is not available from the system's CNG"*) pass "seam: the system lacks RC4: ${line#FAIL RC4: }" ;;
    *) fail "seam: ${line#FAIL }" ;;
  esac
done <"$protection/seam.txt"
if [[ -f $protection/signature.der ]] && printf 'signed bytes' >"$protection/content" &&
   openssl cms -verify -binary -inform DER -in "$protection/signature.der" -content "$protection/content" \
     -CAfile "$protection/inputs/ca.pem" -purpose any -out /dev/null 2>"$protection/cms.txt"; then
  pass "seam: OpenSSL verifies the detached signature and its signed attributes"
else
  fail "seam: the detached signature does not verify: $(cat "$protection/cms.txt" 2>/dev/null)"
fi
echo "wine-test: the cryptography seam checked in $((SECONDS - step)) s"

# The user password; AES-256's carries a soft hyphen (U+00AD), which SASLprep
# maps to nothing, so readers open the file with "user".
user_password() { if [[ $1 == AES-256 ]]; then printf 'us\302\255er'; else printf user; fi; }

protected_script() {
  cat <<VLS
NewPDF "Protected"
Author = "Vellum (wine test)"
Subject = "Encrypted with $1"
SetBookmarksVisible
UnitOfMeasure = "mm"
FontName = "Helvetica-Bold"
TextOut "Confidential (in parentheses) \\ and a backslash", 20, 30
SetLineColor 0, 0, 200
DrawRect 1, 0, 1, 15, 180, 10, 20
ImportImage "picture.bmp", 90, 20, 60, 40, 30
AddOutline 1, 0, 0, 0, "First page"
CreateLink_Internet 20, 100, 80, 110, 2, 0, 0, 255, "https://www.example.org/?a=b&c"
AddTextAnnotation 100, 30, "A note (with parentheses)"
Encrypt "$(user_password "$1")", "owner secret", "print,copy", "$1"
On Error Resume Next
SavePDF "protected.pdf"
Print "SavePDF: " & Err.Description
VLS
}

check_protected() {
  local method=$1 name=$2
  local linux=$work/linux/$name windows=$work/windows/$name said
  said=$(tr -d '\r' <"$windows/stdout.txt")
  if [[ ! -f $windows/protected.pdf ]]; then
    if [[ $method != AES-256 && $said == *"RC4 is not available from the system's CNG"* ]]; then
      pass "$name: the system lacks RC4 (as Wine's bcrypt does), and SavePDF says so: ${said#SavePDF: }"
    else
      fail "$name: the native build wrote no PDF: $said"
    fi
    return
  fi
  [[ $said == "$(cat "$linux/stdout.txt")" ]] || fail "$name: printed '$said'"
  compare_encrypted "$linux/protected.pdf" "$windows/protected.pdf" user "$name"
}

step=$SECONDS
for method in AES-256 AES-128 RC4-128; do
  name=protected-${method,,}
  protected_script "$method" >"$protection/$name.vls"
  run_both "$protection/$name.vls" "$protection/inputs"
  check_protected "$method" "$name"
done

# Signed plainly and signed with AES-256 encryption; then a wrong password,
# whose message may differ: Wine's PFXImportCertStore does not say why.
cat >"$protection/signed.vls" <<'VLS'
On Error Resume Next
NewPDF "Signed"
TextOut "Agreed and signed.", 20, 30
Sign "signer.p12", "wine secret", "Approved", "Berlin"
Print "Sign: " & Err.Description
SavePDF "signed.pdf"
Print "SavePDF: " & Err.Description
NewPDF "Signed and encrypted"
TextOut "Agreed, signed and encrypted.", 20, 30
Sign "signer.p12", "wine secret", "Approved", "Berlin"
Encrypt "user", "owner secret", "print", "AES-256"
Sign "signer.p12", "not the password", "", ""
Print "Wrong password: " & Err.Description
SavePDF "signed-encrypted.pdf"
Print "SavePDF: " & Err.Description
VLS
run_both "$protection/signed.vls" "$protection/inputs"
signed=$work/windows/signed
if diff <(tr -d '\r' <"$signed/stdout.txt" | grep -v '^Wrong password') \
        <(grep -v '^Wrong password' "$work/linux/signed/stdout.txt") >"$work/signed.print.diff"; then
  pass "signed: printed output identical but for the wrong password's message"
else
  fail "signed: printed output differs"; cat "$work/signed.print.diff"
fi
wrong=$(tr -d '\r' <"$signed/stdout.txt" | sed -n 's/^Wrong password: //p')
if [[ $wrong == *"the password is wrong"* || $wrong == *"refused it without saying why (is the password right?)"* ]]; then
  pass "signed: a wrong password fails Sign: $wrong"
else
  fail "signed: a wrong password gives '$wrong'"
fi
for pdf in signed signed-encrypted; do
  if [[ ! -f $signed/$pdf.pdf ]]; then fail "signed: the native build wrote no $pdf.pdf"; continue; fi
  verdict=$(pdfsig -nocert -upw user "$signed/$pdf.pdf" 2>&1 || true)
  if grep -q "Signature Validation: Signature is Valid" <<<"$verdict" &&
     grep -q "Signer Certificate Common Name: Vellum Test Signer" <<<"$verdict"; then
    pass "signed: pdfsig finds $pdf.pdf's signature valid"
  else
    fail "signed: pdfsig on $pdf.pdf: $verdict"
  fi
done
echo "wine-test: encryption and signing checked in $((SECONDS - step)) s"

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
expected=$'IPDFDocument2 Vellum XP Vers. 1.118\n8000FFFF|There is no document: call NewPDF first|VELLUM_XP.PDFDocument\nafter 0'
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
