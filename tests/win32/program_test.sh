#!/usr/bin/env bash
# ledrimo.exe under Wine, on the stage cmake/wine-gui.sh makes: it starts, and once the splash has
# gone the login window is on the screen; a second ledrimo.exe started while the first runs finds
# the single-instance guard (the named event "Ledrimo"): it shows the box "程序已运行" and no login
# window of its own, and the first keeps running.
# Usage: program_test.sh LEDRIMO_EXE DB_FILE
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
exe=$1
db=$2
dir=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]+"${pids[@]}"}"; do kill -9 "$p" 2>/dev/null || true; done
  rm -rf "$dir"
}
trap cleanup EXIT
# A portable copy: the program keeps its db beside itself.
cp "$exe" "$dir/ledrimo.exe"
cp "$db" "$dir/db"
eval "$("$here/cmake/wine-gui.sh" --setup)"
export DISPLAY

# The names of the windows on the display, one a line.
names() {
  LC_ALL=C.UTF-8 xwininfo -display "$DISPLAY" -root -tree 2>/dev/null | sed -n 's/^ *0x[0-9a-f]* "\(.*\)": .*/\1/p'
}
count() {
  names | grep -cxF "$1" || true
}
# Waits up to $2 seconds for a window named $1.
wait_for() {
  local i
  for ((i = 0; i < $2 * 4; i++)); do
    [ "$(count "$1")" -gt 0 ] && return 0
    sleep 0.25
  done
  echo "no window \"$1\" after $2 s; the windows:" >&2
  names >&2
  return 1
}
fail() {
  echo "$*" >&2
  names >&2
  exit 1
}

login="用户登录-Ledrimo"
"$here/cmake/wine-gui.sh" "$dir/ledrimo.exe" </dev/null >/dev/null 2>&1 &
pids+=($!)
first=$!
wait_for "$login" 60
# The splash goes once the login window is there.
for ((i = 0; i < 40; i++)); do
  [ "$(count "工作时间记录工具")" -eq 0 ] && break
  sleep 0.25
done
[ "$(count "工作时间记录工具")" -eq 0 ] || fail "the splash window is still there"

"$here/cmake/wine-gui.sh" "$dir/ledrimo.exe" </dev/null >/dev/null 2>&1 &
pids+=($!)
second=$!
wait_for "程序已运行" 60
sleep 1
[ "$(count "$login")" -eq 1 ] || fail "a second login window"
kill -0 "$first" 2>/dev/null || fail "the first instance has gone"
echo "login window shown; a second instance found the guard"
