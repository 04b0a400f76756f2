#!/usr/bin/env bash
# Screenshots of ledrimo.exe's windows under Wine, on the stage cmake/wine-gui.sh makes (its own
# virtual display, Chinese fonts and locale), driven with xdotool as a user would.
# Usage: scripts/wine-window-shots.sh OUT_DIR [BUILD_DIR]   (BUILD_DIR: build-windows)
# Two runs of the program, each from a copy in a folder of its own:
# - with no `db` beside it: the splash and the box offering to restore the database;
# - with a log of a few days written by ledrimo-db.exe: the login window (the default account
#   'tamsu' with the password 'tamsu'), the main window before and after connecting, a menu, the
#   date query, the report, About, the list, the account settings and the tray icon's menu.
# Wine runs in a prefix of the script's own ($LEDRIMO_WINEPREFIX, else a temporary one), so that
# it disturbs no test run; the prefix and its display are removed afterwards.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
[ $# -ge 1 ] || { sed -n 4,4p "$0" >&2; exit 2; }
out=$(mkdir -p "$1" && cd "$1" && pwd)
rm -f "$out/sizes.txt"
build=$(cd "${2:-$here/build-windows}" && pwd)
exe=$build/app/ledrimo.exe
[ -f "$exe" ] || { echo "wine-window-shots.sh: $exe is missing (scripts/build-windows.sh)" >&2; exit 1; }
for tool in xdotool import; do
  command -v "$tool" >/dev/null || { echo "wine-window-shots.sh: $tool is missing (apt-get install xdotool imagemagick)" >&2; exit 1; }
done

own_prefix=
if [ -z "${LEDRIMO_WINEPREFIX:-}" ]; then
  own_prefix=$(mktemp -d /tmp/ledrimo-shots-prefix.XXXXXX)
  export LEDRIMO_WINEPREFIX=$own_prefix
fi
export WINEPREFIX=$LEDRIMO_WINEPREFIX
unset DISPLAY
eval "$("$here/cmake/wine-gui.sh" --setup)"
export DISPLAY
dir=$(mktemp -d)
pid=
stop_program() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  "$here/cmake/wine-run.sh" taskkill /f /im ledrimo.exe >/dev/null 2>&1 || true
  pid=
  sleep 1
}
finish() {
  stop_program
  rm -rf "$dir"
  if [ -n "$own_prefix" ]; then
    wineserver -k 2>/dev/null || true
    "$here/cmake/wine-gui.sh" --stop || true
    rm -rf "$own_prefix"
  fi
}
trap finish EXIT

# A screenshot of the whole display; the outer sizes of the windows on it go to sizes.txt.
shot() {
  sleep "${2:-2}"
  import -display "$DISPLAY" -window root "$out/$1.png"
  echo "$out/$1.png"
  {
    echo "$1:"
    local w
    for w in $(xdotool search --onlyvisible --name . 2>/dev/null || true); do
      eval "$(xdotool getwindowgeometry --shell "$w")"
      echo "  ${WIDTH}x${HEIGHT}+$X+$Y  $(xdotool getwindowname "$w")"
    done | grep -v "Default IME" || true
  } >>"$out/sizes.txt"
}
keys() { xdotool key --delay 150 "$@"; }
# The window of the program whose caption is exactly $1 (Wine names its X windows after them).
window() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1 || true; }
# Closes the window captioned $1 as its × does: Alt+F4 on it (Wine turns it into SC_CLOSE).
close() {
  local w
  w=$(window "$1")
  [ -n "$w" ] || { echo "wine-window-shots.sh: no window '$1' to close" >&2; return 0; }
  xdotool windowfocus --sync "$w" 2>/dev/null || true
  keys alt+F4
  sleep 1
}
start() {
  "$here/cmake/wine-gui.sh" "$dir/ledrimo.exe" </dev/null >/dev/null 2>&1 &
  pid=$!
}

# 1. No database beside the program.
cp "$exe" "$build/tools/ledrimo-db.exe" "$dir/"
"$here/cmake/wine-run.sh" wineboot </dev/null >/dev/null 2>&1 || true
start
shot 01-splash-and-restore-box 3
stop_program

# 2. A log of a few days beside the program, so that every window has something to show.
rm -f "$dir/db"
tool() { "$here/cmake/wine-gui.sh" "$dir/ledrimo-db.exe" "$@" </dev/null >/dev/null; }
tool new "$dir/db"
month=$(date +%Y-%m)
for day in 01 02 03 05 08; do
  tool insert "$dir/db" data "{\"姓名\": \"张三\", \"公司名称\": \"示例科技有限公司\", \"公司地址\": \"北京市海淀区\",
    \"入厂时间\": \"2024-03-01 00:00:00\", \"上班日期\": \"$month-$day 00:00:00\", \"上班时间\": 8,
    \"工作备注\": \"整理${day}日的报表\", \"ID\": \"GZ-000$day\"}"
done
start
sleep 5
shot 02-login 1
xdotool type --delay 80 tamsu
keys Tab
xdotool type --delay 80 tamsu
keys Return
shot 03-main 4
keys F5                          # 打开数据库: the first entry
shot 04-main-connected 3
keys alt+r                       # the 记录 menu open
shot 05-menu 2
keys Escape Escape
sleep 1
keys ctrl+f                      # 查询
shot 06-query 3
close 查询
keys ctrl+t                      # 统计报表
shot 07-report 6
close 统计报表
keys F1                          # 关于
shot 08-about 3
keys Return
sleep 1
# The notification-area icon's menu: the icon is in Wine's tray window, below its caption (Wine
# draws the caption inside the window's own area). It offers no menu while the list is loaded.
tray=$(window "Wine System Tray")
if [ -n "$tray" ]; then
  eval "$(xdotool getwindowgeometry --shell "$tray")"
  xdotool mousemove $((X + 13)) $((Y + 32))
  sleep 0.5
  xdotool mousedown 3 sleep 0.2 mouseup 3
  shot 09-tray-menu 2
  keys Escape
  sleep 1
fi
# 打开列表: the button in the main window's client area, at (38,128) from the window's corner.
main=$(xdotool search --onlyvisible --name 'Ledrimo  V' | head -n1)
if [ -n "$main" ]; then
  xdotool mousemove --window "$main" 38 128 click 1
  shot 10-list 4
  close 列表查看
fi
keys alt+h Return                # 帮助 → 用户密码设置
shot 11-account 3
close 用户密码设置
stop_program
echo "done: $out"
