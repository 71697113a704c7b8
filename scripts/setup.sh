#!/usr/bin/env bash
# Installs what building needs on Debian (run as root):
#   setup.sh demo   the library and its command-line client, nothing more
#   setup.sh test   that, and the test suite, benchmarks, documentation browser
#                   and the tools the tests read documents with (the default)
# Quick when everything is already there: apt is only called for missing packages.
set -euo pipefail
purpose=${1:-test}

# What the library and the client compile and link with.
demo_packages=(
  build-essential
  cmake
  ninja-build
  pkg-config
  zlib1g-dev
  libdeflate-dev
  libjpeg62-turbo-dev
  libpng-dev
  libfreetype-dev
  libcairo2-dev
  libharfbuzz-dev
  # Unicode text: FriBidi orders right-to-left and mixed runs, libunibreak
  # finds where lines may break.
  libfribidi-dev
  libunibreak-dev
  # fontconfig finds installed fonts named by family.
  libfontconfig-dev
  # Encryption: OpenSSL's libcrypto, and libidn for SASLprep of passwords.
  libssl-dev
  libidn-dev
  # expat reads the XMP descriptions callers add to archival documents.
  libexpat1-dev
  # Archival documents embed the standard fonts as Liberation 2 faces, built
  # into the library.
  fonts-liberation2
)

# Tests, benchmarks, fuzzing, the browser, and the independent readers and
# writers that tests check documents and pictures with.
test_packages=(
  clang
  libgtest-dev
  libgmock-dev
  libbenchmark-dev
  qt6-base-dev
  fonts-liberation
  fonts-dejavu-core
  fonts-droid-fallback
  # Text in other scripts is checked against HarfBuzz's own tools, in fonts
  # for Devanagari and Thai.
  fonts-lohit-deva
  fonts-tlwg-garuda-ttf
  libharfbuzz-bin
  python3-pikepdf
  qpdf
  poppler-utils
  # Lossless pictures are written from PNGs of every kind (pypng: 2-bit grey,
  # 16-bit RGB), compared with Pillow's pixels and rendered by MuPDF too.
  python3-png
  python3-pil
  # Paths are checked against cairo drawing the same shapes (pycairo), and
  # translucent colours as MuPDF blends them too.
  python3-cairo
  mupdf-tools
  # Archival (PDF/A) files are checked by PDFBox Preflight
  # (tests/support/preflight.sh), a Java program.
  default-jre-headless
  libpdfbox2-java
  libactivation-java
  libjaxb-api-java
  # Tagged documents' structure is read back by pdf.js under Node.js too
  # (PDFBox, above, is the other reader).
  nodejs
  libjs-pdf
  # tools/iccgen makes the committed sRGB profile with Little CMS.
  liblcms2-dev
  # Signing tests make their certificates with the openssl command.
  openssl
  imagemagick
  pybind11-dev
  python3-dev
  hyperfine
  time
  locales
  # Packaging: CPack's DEB generator calls file and dpkg-shlibdeps.
  file
  dpkg-dev
  # The Python wheel is built and installed into a virtual environment, and
  # the batch example runs on a Dask cluster.
  python3-pip
  python3-venv
  python3-setuptools
  python3-wheel
  python3-build
  python3-distributed
)

case "$purpose" in
  demo) packages=("${demo_packages[@]}") ;;
  test) packages=("${demo_packages[@]}" "${test_packages[@]}") ;;
  *) echo "usage: setup.sh [demo|test]" >&2; exit 2 ;;
esac

bash "$(dirname "$0")/install-missing.sh" setup "${packages[@]}"

# Number formatting is tested under a locale whose decimal separator is ','.
if [ "$purpose" = test ] && ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  echo "setup: generating the de_DE.UTF-8 locale"
  sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi
