#!/usr/bin/env bash
# Builds the Debian package of Ledrimo with CPack and checks what it says about itself.
# Usage: scripts/package.sh [BUILD_DIR]
#   without BUILD_DIR: a build of its own in build-package/ (no tests, no benchmarks);
#   with one (CI passes its finished build/): packages that build as it is.
# Then, as root:  apt install ./BUILD_DIR/ledrimo_VERSION_ARCH.deb   (and  apt remove ledrimo)
#
# scripts/package.sh windows [BUILD_DIR [OUT_DIR]]
#   the Windows installer and the portable zip (packaging/windows/): OUT_DIR/Ledrimo-VERSION-setup.exe
#   and OUT_DIR/Ledrimo-VERSION-win32.zip, from the Windows build in BUILD_DIR (default
#   build-windows, made by scripts/build-windows.sh when it is not there; OUT_DIR default
#   BUILD_DIR/packages).
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = windows ]; then
  build=${2:-build-windows}
  out=${3:-$build/packages}
  if [ -f "$build/CMakeCache.txt" ]; then
    scripts/deps.sh windows
    cmake --build "$build"
  else
    bash scripts/build-windows.sh "$build"
  fi
  exec bash packaging/windows/make-packages.sh "$build" "$out"
fi
build=${1:-build-package}
scripts/deps.sh package
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLEDRIMO_TESTS=OFF -DLEDRIMO_BENCH=OFF >/dev/null
fi
cmake --build "$build"
rm -f "$build"/ledrimo_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/ledrimo_*.deb)

# The libraries come from dpkg-shlibdeps, the fonts from the hand-written list.
depends=$(dpkg-deb -f "$deb" Depends)
for p in libqt6core6 libqt6gui6 libqt6widgets6 zlib1g libjpeg62-turbo fonts-noto-cjk; do
  grep -qE "(^|[ ,|])$p( |,|$)" <<<"$depends" || { echo "package does not depend on $p: $depends" >&2; exit 1; }
done
contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/ledrimo ./usr/bin/ledrimo-db ./usr/share/applications/org.example.Ledrimo.desktop \
         ./usr/share/metainfo/org.example.Ledrimo.metainfo.xml ./usr/share/man/man1/ledrimo-db.1.gz \
         ./usr/share/man/man1/ledrimo.1.gz ./usr/share/doc/ledrimo/copyright ./usr/share/doc/ledrimo/changelog.gz; do
  grep -q " $f\$" <<<"$contents" || { echo "package lacks $f" >&2; exit 1; }
done
echo "Package: $deb ($(du -k "$deb" | cut -f1) KB). Install it with:  apt install ./$deb"
