#!/usr/bin/env bash
# Installs the build into a temporary prefix, then moves the tree (it must
# work wherever it lands) and uses it as a user would: a CMake project with
# find_package(Vellum), the same program built with pkg-config, the manual's
# C++ example, the README's C++ section and the command-line client. Every
# PDF passes qpdf --check.
#   consume.sh BUILD_DIR SOURCE_DIR SCRATCH_DIR [EXTRA_CXX_FLAGS]
set -euo pipefail
build=$1 source=$2 scratch=$3 flags=${4:-}

fail() { echo "FAILED: $*" >&2; exit 1; }
check_pdf() { qpdf --check "$1" >/dev/null || fail "qpdf --check $1"; }

rm -rf "$scratch" && mkdir -p "$scratch"
cmake --install "$build" --prefix "$scratch/staged" >/dev/null
mv "$scratch/staged" "$scratch/prefix"
prefix=$scratch/prefix
export VELLUM_REGISTRY=$scratch/registry.reg   # nothing registered

# The public headers: the C++ layer, the interface header and the platform
# headers they include, no more.
headers=$(cd "$prefix/include" && find . -type f | sort | tr '\n' ' ')
expected="./vellum/VELLUM_XP_TLB.h ./vellum/com/activation.h ./vellum/com/bstr.h ./vellum/com/codepage.h \
./vellum/com/errorinfo.h ./vellum/com/interfaces.h ./vellum/com/raii.h ./vellum/com/safearray.h \
./vellum/com/types.h ./vellum/com/variant.h ./vellum/document.hpp ./vellum/document_members.hpp "
[ "$headers" = "$expected" ] || fail "installed headers: $headers"
for header in $headers; do
  # The C++ layer's generated methods stand inside its class, not on their own.
  [ "$header" = ./vellum/document_members.hpp ] && continue
  g++ -std=c++20 -fsyntax-only -Wall -Wextra -Werror -I"$prefix/include" -I"$prefix/include/vellum" \
    -x c++ - <<<"#include \"$header\"" || fail "$header does not compile on its own"
done

pc=$(find "$prefix" -name vellum.pc)
libdir=$(dirname "$(dirname "$pc")")
objdump -p "$libdir/libvellum_com.so.1" | grep -q 'SONAME *libvellum_com.so.1$' || fail "soname of libvellum_com"
[ -e "$libdir/Vellum_XP.so" ] || fail "Vellum_XP.so is missing"

# find_package(Vellum)
cmake -S "$source/tests/install/consumer" -B "$scratch/cmake-consumer" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_CXX_FLAGS="-Wall -Wextra -Werror $flags" >/dev/null
cmake --build "$scratch/cmake-consumer" >/dev/null
output=$("$scratch/cmake-consumer/consumer" "$scratch/find_package.pdf")
check_pdf "$scratch/find_package.pdf"
case "$output" in *"$libdir/Vellum_XP.so") ;; *) fail "library not taken from the prefix: $output" ;; esac

# pkg-config
cflags_libs=$(PKG_CONFIG_PATH=$(dirname "$pc") pkg-config --cflags --libs vellum)
# shellcheck disable=SC2086
g++ -std=c++20 -Wall -Wextra -Werror $flags "$source/tests/install/consumer/consumer.cpp" $cflags_libs \
  -o "$scratch/pkg-config-consumer"
"$scratch/pkg-config-consumer" "$scratch/pkg-config.pdf" >/dev/null
check_pdf "$scratch/pkg-config.pdf"

# The manual's C++ example, as printed on the Getting Started page.
mkdir -p "$scratch/manual"
awk '/<h2>C\+\+/ { section = 1 } section && /<pre>/ { copying = 1; sub(/.*<pre>/, "") }
     copying && /<\/pre>/ { sub(/<\/pre>.*/, ""); print; exit } copying { print }' \
  "$prefix/share/doc/vellum-doc/html/GettingStarted.htm" |
  sed -e 's/&lt;/</g' -e 's/&gt;/>/g' -e 's/&quot;/"/g' -e 's/&amp;/\&/g' >"$scratch/manual/letter.cpp"
grep -q 'vellum::Document' "$scratch/manual/letter.cpp" || fail "no C++ example found in GettingStarted.htm"
# shellcheck disable=SC2086
g++ -std=c++20 -Wall -Wextra -Werror $flags "$scratch/manual/letter.cpp" $cflags_libs -o "$scratch/manual/letter"
(cd "$scratch/manual" && ./letter)
check_pdf "$scratch/manual/letter.pdf"

# Every complete C++ example of the member pages.
examples=0
for page in "$prefix"/share/doc/vellum-doc/html/*.htm; do
  name=$(basename "$page" .htm)
  awk '/<pre>#include/ { copying = 1; sub(/.*<pre>/, "") }
       copying && /<\/pre>/ { sub(/<\/pre>.*/, ""); print; exit } copying { print }' "$page" |
    sed -e 's/&lt;/</g' -e 's/&gt;/>/g' -e 's/&quot;/"/g' -e 's/&amp;/\&/g' >"$scratch/manual/$name.cpp"
  grep -q 'vellum/document.hpp' "$scratch/manual/$name.cpp" || continue
  [ "$name" = GettingStarted ] && continue
  mkdir -p "$scratch/manual/$name"
  # shellcheck disable=SC2086
  g++ -std=c++20 -Wall -Wextra -Werror $flags "$scratch/manual/$name.cpp" $cflags_libs -o "$scratch/manual/$name/example" ||
    fail "the C++ example of $name.htm does not compile"
  (cd "$scratch/manual/$name" && ./example >/dev/null) || fail "the C++ example of $name.htm fails"
  for pdf in "$scratch/manual/$name"/*.pdf; do check_pdf "$pdf"; done
  examples=$((examples + 1))
done
[ "$examples" -ge 4 ] || fail "only $examples C++ examples found in the member pages"

# The client.
printf 'NewPDF "Client"\nTextOut "installed client", 20, 30\nSavePDF "%s"\n' "$scratch/client.pdf" |
  "$prefix/bin/vellum" run -
check_pdf "$scratch/client.pdf"

# The README's C++ section, verbatim, as run from the clone (build/ is the
# build folder; HOME is a scratch one). Sanitizer builds cannot run its
# plain g++ program, so they leave it out.
if [ -z "$flags" ]; then
  mkdir -p "$scratch/readme/home"
  ln -s "$(cd "$build" && pwd)" "$scratch/readme/build"
  awk '/^## C\+\+$/ { section = 1 } section && /^```sh$/ { copying = 1; next }
       copying && /^```$/ { exit } copying { print }' "$source/README.md" >"$scratch/readme/section.sh"
  [ "$(wc -l <"$scratch/readme/section.sh")" -le 10 ] || fail "the README's C++ section is too long"
  (cd "$scratch/readme" && HOME=$scratch/readme/home bash -e section.sh >/dev/null)
  check_pdf "$scratch/readme/hello/hello.pdf"
fi

# The browser, when it was built, reads the installed manual.
if [ -e "$prefix/bin/guidebook" ]; then
  [ -x "$prefix/bin/guidebook" ] || fail "bin/guidebook does not lead to the program"
  [ -f "$(dirname "$(readlink -f "$prefix/bin/guidebook")")/html/Index.htm" ] || fail "guidebook has no manual"
fi
echo "installed tree works from $prefix"
