#!/usr/bin/env bash
# Screenshots of ledrimo.exe's windows under Wine, on the stage cmake/wine-gui.sh makes (its own
# virtual display, Chinese fonts and locale), driven with xdotool as a user would: the splash and
# the missing-database box, the login window, the main window connected, the list, the date
# query, the account settings, About and the report window.
# Usage: scripts/wine-window-shots.sh OUT_DIR [BUILD_DIR]   (BUILD_DIR: build-windows)
# The program runs from a copy in a folder of its own (its `db` is restored there from the
# program's image, the default account 'tamsu' with the password 'tamsu' logs in).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
[ $# -ge 1 ] || { sed -n 6,8p "$0" >&2; exit 2; }
out=$(mkdir -p "$1" && cd "$1" && pwd)
build=${2:-$here/build-windows}
exe=$build/app/ledrimo.exe
[ -f "$exe" ] || { echo "wine-window-shots.sh: $exe is missing (scripts/build-windows.sh)" >&2; exit 1; }
for tool in xdotool import; do
  command -v "$tool" >/dev/null || { echo "wine-window-shots.sh: $tool is missing (apt-get install xdotool imagemagick)" >&2; exit 1; }
done

eval "$("$here/cmake/wine-gui.sh" --setup)"
export DISPLAY
dir=$(mktemp -d)
cp "$exe" "$dir/"
"$here/cmake/wine-gui.sh" "$dir/ledrimo.exe" </dev/null >/dev/null 2>&1 &
pid=$!
finish() {
  kill "$pid" 2>/dev/null || true
  WINEPREFIX=${LEDRIMO_WINEPREFIX:-$HOME/.cache/ledrimo-wine} wine taskkill /f /im ledrimo.exe >/dev/null 2>&1 || true
  rm -rf "$dir"
}
trap finish EXIT

shot() { sleep "${2:-2}"; import -display "$DISPLAY" -window root "$out/$1.png"; echo "$out/$1.png"; }
keys() { xdotool key --delay 120 "$@"; }

shot 01-splash-and-restore 6
keys Return                      # restore the database: 确定
sleep 2
keys Return                      # the box that says it is restored
shot 02-login 3
xdotool type --delay 80 tamsu
keys Tab
xdotool type --delay 80 tamsu
keys Return
shot 03-main 4
keys F5                          # 打开数据库
shot 04-main-connected 3        # with the box that says the log has no entries yet
keys Return
sleep 1
keys ctrl+f                      # 查询
shot 05-query 3
keys Escape
sleep 1
keys ctrl+t                      # 统计报表
shot 06-report 5
keys Escape
sleep 1
keys F1                          # 关于
shot 07-about 3
keys Return
sleep 1
keys alt+h Down Down Return      # 帮助 → 用户密码设置
shot 08-account 3
keys Escape
sleep 1
echo "done: $out"
