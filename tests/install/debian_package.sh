#!/usr/bin/env bash
# Makes the Debian package from the build folder and checks what it declares
# and holds; then runs the client from the unpacked files alone.
#   debian_package.sh BUILD_DIR SCRATCH_DIR
set -euo pipefail
build=$(cd "$1" && pwd) scratch=$2

fail() { echo "FAILED: $*" >&2; exit 1; }

rm -rf "$scratch" && mkdir -p "$scratch"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch" >/dev/null
deb=$(echo "$scratch"/vellum_*.deb)
[ -f "$deb" ] || fail "no package was made"

[ "$(dpkg-deb -f "$deb" Package)" = vellum ] || fail "package name"
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libc6 libstdc++6 libcairo2 libfreetype6 libjpeg62-turbo libpng16-16 libdeflate0; do
  [[ ", $depends," == *", $needed "* ]] || fail "Depends lacks $needed: $depends"
done
[[ "$depends" != *vellum* ]] || fail "the package depends on itself: $depends"

contents=$(dpkg-deb -c "$deb" | awk '{ print $6 }')
for path in ./usr/bin/vellum ./usr/lib/Vellum_XP.so ./usr/lib/Vellum_Pictures.so ./usr/lib/Vellum_Metafiles.so ./usr/lib/Vellum_Fonts.so ./usr/lib/libvellum_com.so.1 ./usr/include/vellum/document.hpp \
    ./usr/include/vellum/VELLUM_XP_TLB.h ./usr/lib/cmake/Vellum/VellumConfig.cmake ./usr/lib/pkgconfig/vellum.pc \
    ./usr/share/doc/vellum/html/Index.htm; do
  grep -qx -- "$path" <<<"$contents" || fail "$path is not in the package"
done

dpkg-deb -x "$deb" "$scratch/root"
# A bitmap through the picture module, a metafile through the metafile module
# it loads beside itself.
assets=$scratch/root/usr/share/doc/vellum/examples/assets
printf 'NewPDF "Packaged"\nTextOut "from the package", 20, 30\nImportImage "%s", 80, 20, 40, 40, 16\nImportImage "%s", 80, 70, 40, 40, 30\nSavePDF "%s"\n' \
  "$assets/logo.bmp" "$assets/chart.wmf" "$scratch/packaged.pdf" |
  VELLUM_REGISTRY=$scratch/registry.reg "$scratch/root/usr/bin/vellum" run -
qpdf --check "$scratch/packaged.pdf" >/dev/null || fail "qpdf --check of the packaged client's output"
echo "$(basename "$deb"): Depends: $depends"

# The Python module from the unpacked files alone (sanitizer builds would need
# their runtime preloaded into the interpreter, so they leave this out).
if [ -d "$scratch/root/usr/lib/python3/dist-packages/vellum" ] &&
   grep -q '^VELLUM_SANITIZE:STRING=$' "$build/CMakeCache.txt"; then
  VELLUM_REGISTRY=$scratch/registry.reg PYTHONPATH=$scratch/root/usr/lib/python3/dist-packages \
    /usr/bin/python3 -c "
import sys, vellum
doc = vellum.Dispatch()
doc.NewPDF('Packaged')
doc.TextOut('from the package, through Python', 20, 30)
open(sys.argv[1], 'wb').write(doc.GetPDFContent())" "$scratch/python.pdf" || fail "the packaged Python module"
  qpdf --check "$scratch/python.pdf" >/dev/null || fail "qpdf --check of the packaged module's output"
fi
