#!/usr/bin/env bash
# The Windows installer and the portable zip, from a finished Windows build (scripts/package.sh
# windows calls this):
#   packaging/windows/make-packages.sh BUILD_DIR OUT_DIR
# writes OUT_DIR/Ledrimo-VERSION-setup.exe and OUT_DIR/Ledrimo-VERSION-win32.zip. Both carry
# what OUT_DIR/stage/ holds: the executables of the build (ledrimo.exe too once the build makes
# it), README.txt and the licences of what the executables contain.
set -euo pipefail
build=$(realpath "$1")
out=$2
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || { echo "no version in $build/CMakeCache.txt" >&2; exit 1; }

mkdir -p "$out"
out=$(realpath "$out")
stage=$out/stage
rm -rf "$stage"
mkdir -p "$stage/licenses"
for exe in ledrimo ledrimo-db; do
  if [ -f "$build/tools/$exe.exe" ]; then cp "$build/tools/$exe.exe" "$stage/"
  elif [ -f "$build/app/$exe.exe" ]; then cp "$build/app/$exe.exe" "$stage/"
  fi
done
[ -f "$stage/ledrimo-db.exe" ] || { echo "$build has no ledrimo-db.exe" >&2; exit 1; }
i686-w64-mingw32-strip "$stage"/*.exe

# Text for Notepad: UTF-8 with a byte-order mark (older versions guess the code page without it),
# CRLF line ends.
windows_text() { printf '\xef\xbb\xbf' >"$2"; sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' "$1" >>"$2"; }
windows_text "$here/README.txt" "$stage/README.txt"
windows_text "$root/resources/calendar/LICENSE.holiday-cn" "$stage/licenses/holiday-cn.txt"
# As Debian ships them: the copyright files of the packages the Windows build takes them from
# (libxlsxwriter is built from Debian's source package, scripts/deps.sh).
windows_text /usr/share/doc/libxlsxwriter-dev/copyright "$stage/licenses/libxlsxwriter.txt"
windows_text /usr/share/doc/libz-mingw-w64-dev/copyright "$stage/licenses/zlib.txt"
# libjpeg-turbo (in ledrimo.exe, the pictures) is built from Debian's source package as well.
jpeg_copyright=$(find "${LEDRIMO_MINGW_DIR:-$HOME/.cache/ledrimo-mingw}/jpeg-src" -maxdepth 3 -path '*/debian/copyright' 2>/dev/null | head -n1)
[ -n "$jpeg_copyright" ] || jpeg_copyright=/usr/share/doc/libjpeg62-turbo/copyright
if [ -f "$stage/ledrimo.exe" ]; then
  [ -f "$jpeg_copyright" ] || { echo "libjpeg-turbo's copyright file is missing (scripts/deps.sh windows)" >&2; exit 1; }
  windows_text "$jpeg_copyright" "$stage/licenses/libjpeg-turbo.txt"
fi
windows_text /usr/share/doc/mingw-w64-common/copyright "$stage/licenses/mingw-w64.txt"
windows_text /usr/share/doc/gcc-mingw-w64-base/copyright "$stage/licenses/gcc-runtime.txt"

name=Ledrimo-$version
setup=$out/$name-setup.exe
zip=$out/$name-win32.zip
rm -f "$setup" "$zip"
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DSTAGE="$stage" -DICON="$build/generated/ledrimo.ico" \
  -DOUTFILE="$setup" "$here/installer.nsi"
# The zip unpacks into a folder of its own name; a fixed time stamp gives the same bytes each time.
rm -rf "$out/zip" && mkdir -p "$out/zip" && cp -r "$stage" "$out/zip/$name"
find "$out/zip" -exec touch -d '2026-01-01 00:00:00' {} +
(cd "$out/zip" && TZ=UTC zip -qrX "$zip" "$name")
rm -rf "$out/zip"
echo "Windows installer: $setup ($(du -k "$setup" | cut -f1) KB)"
echo "Portable zip:      $zip ($(du -k "$zip" | cut -f1) KB)"
