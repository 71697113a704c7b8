#!/usr/bin/env bash
# Cross-builds the native in-process server Vellum_XP.dll for 64-bit Windows
# with Debian's mingw-w64, into build-windows/bin. Installs the cross tools
# first when they are missing (run as root then). The DLL needs no other DLL
# beside it: the C++ runtime, winpthread, libdeflate and HarfBuzz (built from
# Debian's source packages) are linked in.
#   bash scripts/build-windows.sh [extra cmake arguments]
set -euo pipefail
cd "$(dirname "$0")/.."

# widl comes with mingw-w64-tools; its IDL includes (oaidl.idl) with libwine-dev
# from wine64-tools, stdole2.tlb with wine64.
packages=(
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-tools
  wine64-tools wine64 cmake ninja-build dpkg-dev
)
bash scripts/install-missing.sh build-windows "${packages[@]}"

build=${VELLUM_WINDOWS_BUILD:-build-windows}

# libdeflate and HarfBuzz built for the target from Debian's own source
# packages, so the DLL compresses pages and subsets fonts exactly as the Linux
# build does (Debian ships neither for mingw-w64). Source entries are the
# machine's binary entries with "deb-src" in their place.
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
# is installed.
source_tree() {
  local package=$1 dev_package=$2 marker=$3 found
  found=$(find "$third_party" -maxdepth 3 -path "*/$package-*/$marker" 2>/dev/null | head -1 || true)
  if [[ -z $found ]]; then
    echo "build-windows: fetching the source of $package" >&2
    enable_source_entries >&2
    local version
    version=$(dpkg-query -W -f='${source:Version}' "$dev_package" 2>/dev/null || true)
    mkdir -p "$third_party"
    (cd "$third_party" && apt-get source -qq "$package${version:+=$version}" >/dev/null 2>&1)
    found=$(find "$third_party" -maxdepth 3 -path "*/$package-*/$marker" | head -1)
  fi
  echo "${found%/"$marker"}"
}
libdeflate_source=$(source_tree libdeflate libdeflate-dev libdeflate.h)
harfbuzz_source=$(source_tree harfbuzz libharfbuzz-dev src/harfbuzz-subset.cc)
launcher=()
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
toolchain=()
[[ -f $build/CMakeCache.txt ]] || toolchain=(-DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake)
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELLUM_WERROR=ON \
  -DVELLUM_LIBDEFLATE_SOURCE="$libdeflate_source" -DVELLUM_HARFBUZZ_SOURCE="$harfbuzz_source" \
  "${toolchain[@]}" "${launcher[@]}" "$@" >/dev/null
cmake --build "$build" -j2 --target VELLUM_XP
echo "build-windows: $build/bin/Vellum_XP.dll"
