#!/usr/bin/env bash
# Cross-builds the native in-process server Vellum_XP.dll for 64-bit Windows
# with Debian's mingw-w64, into build-windows/bin. Installs the cross tools
# first when they are missing (run as root then). The DLL needs no other DLL
# beside it: the C++ runtime, winpthread, libdeflate, HarfBuzz, libidn,
# expat, FriBidi and libunibreak (built from Debian's source packages) are
# linked in; the cryptography is the system's (bcrypt, crypt32, ncrypt).
#   bash scripts/build-windows.sh [extra cmake arguments]
set -euo pipefail
cd "$(dirname "$0")/.."

# widl comes with mingw-w64-tools; its IDL includes (oaidl.idl) with libwine-dev
# from wine64-tools, stdole2.tlb with wine64; make runs libidn's own build.
packages=(
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-tools
  wine64-tools wine64 cmake ninja-build dpkg-dev make
  # the Liberation faces the DLL carries for archival documents
  fonts-liberation2
)
bash scripts/install-missing.sh build-windows "${packages[@]}"

build=${VELLUM_WINDOWS_BUILD:-build-windows}

# libdeflate, HarfBuzz, libidn, expat, FriBidi and libunibreak built for the
# target from Debian's own source packages, so the DLL compresses pages,
# subsets fonts, prepares passwords, reads XMP, orders bidirectional text and
# breaks lines exactly as the Linux build does (Debian ships none of them for
# mingw-w64). Source entries are the machine's binary entries with "deb-src"
# in their place.
third_party=$PWD/$build/third_party
enable_source_entries() {
  apt-get source --print-uris -qq libdeflate >/dev/null 2>&1 && return
  local entries=/etc/apt/sources.list.d/vellum-deb-src
  if [[ -f /etc/apt/sources.list.d/debian.sources ]]; then
    sed 's/^Types:.*$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources >"$entries.sources"
  elif [[ -f /etc/apt/sources.list ]]; then
    sed -n 's/^deb \(.*\)$/deb-src \1/p' /etc/apt/sources.list >"$entries.list"
  fi
  apt-get update -qq
}
# Prints the folder holding MARKER in the unpacked source of PACKAGE, fetching
# it first: the version of DEV_PACKAGE (what the Linux build links) when that
# is installed and still served, else the newest version the mirror serves
# whole (an installed version a later update replaced may be gone from it).
source_tree() {
  local package=$1 dev_package=$2 marker=$3 found
  found=$(find "$third_party" -maxdepth 3 -path "*/$package-*/$marker" 2>/dev/null | head -1 || true)
  if [[ -z $found ]]; then
    echo "build-windows: fetching the source of $package" >&2
    enable_source_entries >&2
    local version candidate fetched=
    version=$(dpkg-query -W -f='${source:Version}' "$dev_package" 2>/dev/null || true)
    mkdir -p "$third_party"
    for candidate in "$version" $(apt-cache showsrc "$package" 2>/dev/null | sed -n 's/^Version: //p' | sort -rVu); do
      if (cd "$third_party" && apt-get source -qq "$package${candidate:+=$candidate}" >/dev/null 2>&1); then
        fetched=$candidate
        break
      fi
    done
    [[ -z $version || $fetched == "$version" ]] ||
      echo "build-windows: $package $version is not served; using ${fetched:-its upstream source}" >&2
    [[ -n $fetched ]] || unpack_upstream "$package"
    found=$(find "$third_party" -maxdepth 3 -path "*/$package-*/$marker" | head -1)
  fi
  echo "${found%/"$marker"}"
}
# When a mirror serves the upstream tarball of a source package but not its
# Debian part, apt-get source fails having fetched (and checked against the
# signed index) the tarball: that is unpacked, and Debian's patches, if the
# package has any, are missing.
unpack_upstream() {
  local package=$1 tarball
  tarball=$(find "$third_party" -maxdepth 1 -name "${package}_*.orig.tar.*" ! -name '*.asc' | sort | tail -1)
  if [[ -z $tarball ]]; then
    echo "build-windows: apt-get source $package failed; is a deb-src entry reachable?" >&2
    return 1
  fi
  echo "build-windows: only the upstream part of $package could be fetched; building ${tarball##*/}" >&2
  tar -xf "$tarball" -C "$third_party"
}
# libidn is built by its own build system, which generates headers for the
# target; only its library directory (stringprep and what it needs) is made.
build_libidn() {
  local tree=$1 log=$third_party/libidn-build.log
  [[ -n $tree ]] || { echo "build-windows: libidn's source is missing" >&2; return 1; }
  [[ -f $tree/lib/.libs/libidn.a ]] && return
  echo "build-windows: building libidn for the target (log: $log)" >&2
  if ! (cd "$tree" &&
        ./configure --host=x86_64-w64-mingw32 CC=x86_64-w64-mingw32-gcc-posix --disable-shared --enable-static \
          --disable-nls --disable-doc --disable-valgrind-tests --without-libiconv-prefix &&
        make -C lib/gl -j2 && make -C lib -j2) >"$log" 2>&1; then
    echo "build-windows: building libidn failed; see $log" >&2
    return 1
  fi
}
libdeflate_source=$(source_tree libdeflate libdeflate-dev libdeflate.h)
harfbuzz_source=$(source_tree harfbuzz libharfbuzz-dev src/harfbuzz-subset.cc)
libidn_source=$(source_tree libidn libidn-dev lib/stringprep.h)
expat_source=$(source_tree expat libexpat1-dev expat/lib)/expat
fribidi_source=$(source_tree fribidi libfribidi-dev lib/fribidi.h)
# A mirror that serves no libunibreak source leaves the DLL breaking lines
# with the system's line breaker rather than without a build; say so.
libunibreak_source=$(source_tree libunibreak libunibreak-dev src/linebreak.c)
[[ -n $libunibreak_source ]] ||
  echo "build-windows: WARNING: no libunibreak source; the DLL breaks lines with Uniscribe" >&2
build_libidn "$libidn_source"
launcher=()
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
toolchain=()
[[ -f $build/CMakeCache.txt ]] || toolchain=(-DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake)
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELLUM_WERROR=ON \
  -DVELLUM_LIBDEFLATE_SOURCE="$libdeflate_source" -DVELLUM_HARFBUZZ_SOURCE="$harfbuzz_source" \
  -DVELLUM_LIBIDN_SOURCE="$libidn_source" -DVELLUM_EXPAT_SOURCE="$expat_source" \
  -DVELLUM_FRIBIDI_SOURCE="$fribidi_source" -DVELLUM_LIBUNIBREAK_SOURCE="$libunibreak_source" \
  "${toolchain[@]}" "${launcher[@]}" "$@" >/dev/null
cmake --build "$build" -j2 --target VELLUM_XP
echo "build-windows: $build/bin/Vellum_XP.dll"
