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
for needed in libc6 libstdc++6 libcairo2 libfreetype6 libjpeg62-turbo libpng16-16 zlib1g; do
  [[ ", $depends," == *", $needed "* ]] || fail "Depends lacks $needed: $depends"
done
[[ "$depends" != *vellum* ]] || fail "the package depends on itself: $depends"

contents=$(dpkg-deb -c "$deb" | awk '{ print $6 }')
for path in ./usr/bin/vellum ./usr/lib/Vellum_XP.so ./usr/lib/libvellum_com.so.1 ./usr/include/vellum/document.hpp \
    ./usr/include/vellum/VELLUM_XP_TLB.h ./usr/lib/cmake/Vellum/VellumConfig.cmake ./usr/lib/pkgconfig/vellum.pc \
    ./usr/share/doc/vellum/html/Index.htm; do
  grep -qx -- "$path" <<<"$contents" || fail "$path is not in the package"
done

dpkg-deb -x "$deb" "$scratch/root"
printf 'NewPDF "Packaged"\nTextOut "from the package", 20, 30\nSavePDF "%s"\n' "$scratch/packaged.pdf" |
  VELLUM_REGISTRY=$scratch/registry.reg "$scratch/root/usr/bin/vellum" run -
qpdf --check "$scratch/packaged.pdf" >/dev/null || fail "qpdf --check of the packaged client's output"
echo "$(basename "$deb"): Depends: $depends"
