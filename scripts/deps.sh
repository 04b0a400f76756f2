#!/usr/bin/env bash
# Installs what Ledrimo needs to build, run and test on Debian 12. Quick when all is there.
# Usage: scripts/deps.sh [run|package|test|windows]
#   windows: the mingw-w64 cross compiler, Wine, GoogleTest's sources, and libxlsxwriter and libjpeg
#   built for Windows from Debian's source packages (into ~/.cache/ledrimo-mingw, outside the tree);
#   icotool for the program icon, makensis and zip for the installer and the portable zip; for
#   programs with windows (cmake/wine-gui.sh) a CJK font, Xvfb, xdotool to drive them and ImageMagick
#   for screenshots.
set -euo pipefail
what=${1:-test}

pkgs=(cmake ninja-build g++ pkg-config zlib1g-dev libjpeg62-turbo-dev libxlsxwriter-dev nlohmann-json3-dev
      qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libgl-dev
      fonts-noto-cjk xvfb xauth x11-utils)
# The Debian package (scripts/package.sh): dpkg-shlibdeps, and `file`, which CPack uses with it.
if [ "$what" = package ] || [ "$what" = test ]; then
  pkgs+=(dpkg-dev file)
fi
if [ "$what" = test ]; then
  pkgs+=(libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev locales
         mdbtools nodejs npm hyperfine imagemagick python3-openpyxl poppler-utils
         desktop-file-utils appstream groff-base lintian)
fi

if [ "$what" = windows ]; then
  pkgs=(cmake ninja-build g++-mingw-w64-i686 mingw-w64-tools libz-mingw-w64-dev googletest nlohmann-json3-dev
        dpkg-dev wine wine32 wine64 locales mdbtools nodejs npm hyperfine python3-openpyxl
        icoutils nsis zip unzip
        fonts-noto-cjk xvfb xauth x11-utils xdotool imagemagick)
  # wine32 needs the i386 architecture.
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO=sudo
    $SUDO dpkg --add-architecture i386
    $SUDO apt-get update -qq
  fi
fi

missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
# node and npm may come from elsewhere than Debian (as on our build machines): accept them.
if [ ${#missing[@]} -gt 0 ]; then
  keep=()
  for p in "${missing[@]}"; do
    case "$p" in
      nodejs) command -v node >/dev/null || keep+=("$p") ;;
      npm) command -v npm >/dev/null || keep+=("$p") ;;
      *) keep+=("$p") ;;
    esac
  done
  missing=("${keep[@]+"${keep[@]}"}")
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if [ "$what" = windows ]; then
  # libxlsxwriter for mingw, from Debian's own source package (no mingw binary package exists).
  cache=${LEDRIMO_MINGW_DIR:-$HOME/.cache/ledrimo-mingw}
  if [ ! -f "$cache/xlsxwriter/lib/libxlsxwriter.a" ]; then
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO=sudo
    src_list=/etc/apt/sources.list.d/ledrimo-deb-src.sources
    if ! grep -rqs 'deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/; then
      $SUDO tee "$src_list" >/dev/null <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
      $SUDO apt-get update -qq
    fi
    rm -rf "$cache/src"
    mkdir -p "$cache/src"
    (cd "$cache/src" && apt-get source -qq libxlsxwriter >/dev/null 2>&1)
    srcdir=$(find "$cache/src" -maxdepth 1 -type d -name 'libxlsxwriter-*' | head -n1)
    here=$(cd "$(dirname "$0")/.." && pwd)
    cmake -S "$srcdir" -B "$cache/src/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-i686.cmake" -DBUILD_TESTS=OFF -DBUILD_EXAMPLES=OFF \
      -DCMAKE_INSTALL_PREFIX="$cache/xlsxwriter" >/dev/null
    cmake --build "$cache/src/build" >/dev/null
    cmake --install "$cache/src/build" >/dev/null
  fi
  # libjpeg for mingw (the runtime decodes the JPEG pictures with it), from Debian's own source
  # package of libjpeg-turbo: static, the libjpeg 6.2 interface as on Linux, without the SIMD
  # parts (they would need NASM; the pictures are small).
  if [ ! -f "$cache/jpeg/lib/libjpeg.a" ]; then
    rm -rf "$cache/jpeg-src"
    mkdir -p "$cache/jpeg-src"
    (cd "$cache/jpeg-src" && apt-get source -qq libjpeg-turbo >/dev/null 2>&1)
    srcdir=$(find "$cache/jpeg-src" -maxdepth 1 -type d -name 'libjpeg-turbo-*' | head -n1)
    here=$(cd "$(dirname "$0")/.." && pwd)
    cmake -S "$srcdir" -B "$cache/jpeg-src/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-i686.cmake" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON \
      -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF -DCMAKE_INSTALL_PREFIX="$cache/jpeg" >/dev/null
    cmake --build "$cache/jpeg-src/build" >/dev/null
    cmake --install "$cache/jpeg-src/build" >/dev/null
  fi
fi
