#!/usr/bin/env bash
# Makes the Debian packages from the build folder and checks what each one
# declares and holds; then runs the client from the files of libvellum1 and
# vellum alone, and the Python module from those of libvellum1 and
# python3-vellum.
#   debian_package.sh BUILD_DIR SOURCE_DIR SCRATCH_DIR
set -euo pipefail
build=$(cd "$1" && pwd) source=$(cd "$2" && pwd) scratch=$3

fail() { echo "FAILED: $*" >&2; exit 1; }

rm -rf "$scratch" && mkdir -p "$scratch"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch" >/dev/null
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
arch=$(dpkg --print-architecture)

# package;architecture;section;what Depends must hold (| separated);a file it must hold
expected="\
libvellum1;$arch;libs;libc6|libstdc++6|libcairo2|libfreetype6|libharfbuzz0b|libjpeg62-turbo|libpng16-16|libdeflate0|libssl3|libidn12|libexpat1;/usr/lib/Vellum_Fonts.so
vellum;$arch;text;libvellum1 (= $version);/usr/bin/vellum
libvellum-dev;$arch;libdevel;libvellum1 (= $version);/usr/include/vellum/document.hpp"
grep -q '^VELLUM_PYTHON:BOOL=ON$' "$build/CMakeCache.txt" && expected+="
python3-vellum;$arch;python;libvellum1 (= $version)|python3 (>= 3.;/usr/lib/python3/dist-packages/vellum/__init__.py"
expected+="
vellum-doc;all;doc;-;/usr/share/doc/vellum-doc/html/Index.htm"
grep -q '^VELLUM_GUIDEBOOK:BOOL=ON$' "$build/CMakeCache.txt" && expected+="
vellum-guidebook;$arch;doc;vellum-doc (= $version)|libqt6widgets6;/usr/bin/guidebook"

# The files each package must hold, beyond its own copyright and notices.
declare -A holds=(
  [libvellum1]="/usr/lib/Vellum_XP.so /usr/lib/libvellum_com.so.1 /usr/lib/Vellum_Pictures.so /usr/lib/Vellum_Metafiles.so"
  [vellum]="/usr/share/doc/vellum/examples/demo.vls /usr/share/doc/vellum/examples/assets/LiberationSans-Regular.ttf"
  [libvellum-dev]="/usr/include/vellum/VELLUM_XP_TLB.h /usr/include/vellum/com/variant.h /usr/lib/libvellum_com.so \
/usr/lib/cmake/Vellum/VellumConfig.cmake /usr/lib/pkgconfig/vellum.pc"
  [vellum-guidebook]="/usr/libexec/vellum/guidebook /usr/libexec/vellum/html"
)
# What each copyright file must name beyond our own licence.
declare -A notices=([libvellum1]="SIL-OFL-1.1" [vellum]="Liberation" [python3-vellum]="pybind11")

: >"$scratch/all-files"
while IFS=";" read -r package architecture section depends_on must_hold; do
  deb=$scratch/${package}_${version}_${architecture}.deb
  [ -f "$deb" ] || fail "$(basename "$deb") was not made: $(cd "$scratch" && echo *.deb)"
  field() { dpkg-deb -f "$deb" "$1"; }
  [ "$(field Package)" = "$package" ] || fail "$deb: Package is $(field Package)"
  [ "$(field Section)" = "$section" ] || fail "$package: Section is $(field Section), not $section"
  [[ "$(field Maintainer)" == *"<"*"@"*">" ]] || fail "$package: Maintainer '$(field Maintainer)'"
  description=$(field Description)
  [[ "$description" == *$'\n'* && "$(head -1 <<<"$description")" != *"built using CMake"* ]] ||
    fail "$package: Description has no synopsis and body of its own: $description"

  depends=$(field Depends)
  if [ "$depends_on" != - ]; then
    IFS='|' read -ra needed <<<"$depends_on"
    for need in "${needed[@]}"; do
      [[ ", $depends" == *", $need"* ]] || fail "$package: Depends lacks '$need': $depends"
    done
  fi
  if [[ $package == libvellum1 || $package == vellum ]]; then
    [[ ! "$depends" =~ (libqt|python) ]] || fail "$package pulls in Qt or Python: $depends"
  fi

  files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $6 }')
  docs=/usr/share/doc/$package
  for path in $must_hold ${holds[$package]:-} $docs/copyright $docs/THIRD-PARTY-NOTICES; do
    grep -qx -- "$path" <<<"$files" || fail "$package lacks $path"
  done
  echo "$files" >>"$scratch/all-files"

  dpkg-deb --fsys-tarfile "$deb" | tar -xO ".$docs/THIRD-PARTY-NOTICES" | cmp -s - "$source/THIRD-PARTY-NOTICES" ||
    fail "$package: THIRD-PARTY-NOTICES differs from the source's"
  copyright=$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ".$docs/copyright")
  for word in "Copyright: 2026 The Vellum developers" "Permission is hereby granted, free of charge, to any person obtaining a copy" \
      ${notices[$package]:-}; do
    [[ "$copyright" == *"$word"* ]] || fail "$package: its copyright file lacks '$word'"
  done
  echo "$(basename "$deb"): Depends: ${depends:-(none)}"
done <<<"$expected"

[ "$(find "$scratch" -maxdepth 1 -name '*.deb' | wc -l)" -eq "$(wc -l <<<"$expected")" ] ||
  fail "unexpected packages: $(cd "$scratch" && echo *.deb)"
duplicates=$(sort "$scratch/all-files" | uniq -d)
[ -z "$duplicates" ] || fail "in two packages: $duplicates"
# Every file an install puts down is in one of the packages.
DESTDIR=$scratch/install cmake --install "$build" --prefix /usr >/dev/null
unpackaged=$(cd "$scratch/install" && find . ! -type d | sed 's/^\.//' | sort | comm -23 - <(sort "$scratch/all-files"))
[ -z "$unpackaged" ] || fail "installed but in no package: $unpackaged"

# The client from libvellum1 and vellum alone: the demo script, then a bitmap
# through the picture module, a metafile through the metafile module it
# loads beside itself, and a font file through the font module.
root=$scratch/client-root
for package in libvellum1 vellum; do dpkg-deb -x "$scratch/${package}_${version}_$arch.deb" "$root"; done
mkdir -p "$scratch/run/out"
export VELLUM_REGISTRY=$scratch/registry.reg
(cd "$scratch/run" && "$root/usr/bin/vellum" run "$root/usr/share/doc/vellum/examples/demo.vls" >/dev/null)
qpdf --check "$scratch/run/out/demo.pdf" >/dev/null || fail "qpdf --check of the packaged demo"
assets=$root/usr/share/doc/vellum/examples/assets
printf '%s\n' 'NewPDF "Packaged"' "AddFont \"Liberation Sans\", \"$assets/LiberationSans-Regular.ttf\"" \
  'FontName = "Liberation Sans"' 'TextOut "from the package", 20, 30' \
  "ImportImage \"$assets/logo.bmp\", 80, 20, 40, 40, 16" "ImportImage \"$assets/chart.wmf\", 80, 70, 40, 40, 30" \
  "SavePDF \"$scratch/packaged.pdf\"" | "$root/usr/bin/vellum" run -
qpdf --check "$scratch/packaged.pdf" >/dev/null || fail "qpdf --check of the packaged client's output"

# apt accepts the two packages with what the machine has or can fetch, and
# would not install Qt or Python for them (telling on a fresh machine).
if command -v apt-get >/dev/null; then
  plan=$(apt-get install --simulate --no-install-recommends \
           "$scratch/libvellum1_${version}_$arch.deb" "$scratch/vellum_${version}_$arch.deb" 2>&1) ||
    fail "apt cannot install libvellum1 and vellum: $plan"
  ! grep -E '^Inst (libqt|python)' <<<"$plan" || fail "installing libvellum1 and vellum pulls in Qt or Python"
fi

# The Python module from libvellum1 and python3-vellum alone (sanitizer
# builds would need their runtime preloaded into the interpreter, so they
# leave this out).
python_deb=$scratch/python3-vellum_${version}_$arch.deb
if [ -f "$python_deb" ] && grep -q '^VELLUM_SANITIZE:STRING=$' "$build/CMakeCache.txt"; then
  root=$scratch/python-root
  dpkg-deb -x "$scratch/libvellum1_${version}_$arch.deb" "$root" && dpkg-deb -x "$python_deb" "$root"
  PYTHONPATH=$root/usr/lib/python3/dist-packages /usr/bin/python3 -c "
import sys, vellum
doc = vellum.Dispatch()
doc.NewPDF('Packaged')
doc.TextOut('from the package, through Python', 20, 30)
open(sys.argv[1], 'wb').write(doc.GetPDFContent())" "$scratch/python.pdf" || fail "the packaged Python module"
  qpdf --check "$scratch/python.pdf" >/dev/null || fail "qpdf --check of the packaged module's output"
fi

# The browser finds the manual of vellum-doc through its html link.
guidebook_deb=$scratch/vellum-guidebook_${version}_$arch.deb
if [ -f "$guidebook_deb" ]; then
  root=$scratch/guidebook-root
  dpkg-deb -x "$guidebook_deb" "$root" && dpkg-deb -x "$scratch/vellum-doc_${version}_all.deb" "$root"
  [ -f "$root/usr/libexec/vellum/html/Index.htm" ] || fail "guidebook's html link does not reach vellum-doc's pages"
  [ -x "$root/usr/bin/guidebook" ] || fail "bin/guidebook does not lead to the program"
fi
