#!/usr/bin/env bash
# Installs what Ledrimo needs to build, run and test on Debian 12. Quick when all is there.
# Usage: scripts/deps.sh [run|package|test]
set -euo pipefail
what=${1:-test}

pkgs=(cmake ninja-build g++ pkg-config zlib1g-dev libjpeg62-turbo-dev libxlsxwriter-dev
      qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libgl-dev
      fonts-noto-cjk xvfb xauth x11-utils)
# The Debian package (scripts/package.sh): dpkg-shlibdeps, and `file`, which CPack uses with it.
if [ "$what" = package ] || [ "$what" = test ]; then
  pkgs+=(dpkg-dev file)
fi
if [ "$what" = test ]; then
  pkgs+=(libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev locales
         mdbtools nodejs npm hyperfine imagemagick python3-openpyxl poppler-utils
         desktop-file-utils appstream groff-base)
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
