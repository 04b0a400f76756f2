#!/usr/bin/env bash
# Installs what is needed, builds Ledrimo and starts it. Without a display it starts a virtual one
# (Xvfb) and says how to look at it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh run
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target ledrimo
export LANG=${LANG:-zh_CN.UTF-8}
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "没有图形显示 (no display): starting a virtual one, Xvfb :77 (1024x768)."
  echo "Look at it with:  DISPLAY=:77 import -window root shot.png   (ImageMagick), or attach x11vnc to :77."
  Xvfb :77 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  trap 'kill $xvfb 2>/dev/null || true' EXIT
  export DISPLAY=:77
  sleep 1
fi
# The program keeps its database `db` beside itself.
exec_dir=build/app
echo "Starting $exec_dir/ledrimo (database: $exec_dir/db)"
"$exec_dir/ledrimo"
