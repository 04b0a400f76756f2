#!/usr/bin/env bash
# ledrimo.exe under Wine, on the stage cmake/wine-gui.sh makes: it starts, and once the splash has
# gone the login window is on the screen; a second ledrimo.exe started while the first runs finds
# the single-instance guard (the named event "Ledrimo"): it shows the box "程序已运行" and no login
# window of its own, and the first keeps running. Then the first is used from the keyboard alone,
# as a user would: log in, then About opened and closed twice; the box that goes hands the keyboard
# back to the main window (not to another program, such as the notification area), so the next
# shortcut works.
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
  [ -z "${LEDRIMO_TEST_SHOT:-}" ] || import -display "$DISPLAY" -window root "$LEDRIMO_TEST_SHOT"
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

# The window that has the keyboard.
focused() { xdotool getwindowfocus getwindowname 2>/dev/null || true; }
has_keys() { # has_keys WINDOW_NAME: waits until the named window has the keyboard
  local i
  for ((i = 0; i < 80; i++)); do
    [[ "$(focused)" == $1 ]] && return 0
    sleep 0.25
  done
  fail "the keyboard is with \"$(focused)\", not \"$1\""
}
main_has_keys() {
  local i
  for ((i = 0; i < 20; i++)); do
    [[ "$(focused)" == "Ledrimo  V"* ]] && return 0
    sleep 0.25
  done
  fail "after $1 the keyboard is with \"$(focused)\", not the main window"
}
gone() {
  local i
  for ((i = 0; i < 40; i++)); do
    [ "$(count "$1")" -eq 0 ] && return 0
    sleep 0.25
  done
  fail "the window \"$1\" is still there"
}
key_to() { # key_to WINDOW_NAME KEYS...: the keys to the named window
  local w
  w=$(xdotool search --onlyvisible --name "^$1\$" | head -n1 || true)
  [ -n "$w" ] || fail "no window \"$1\""
  xdotool windowfocus --sync "$w"
  shift
  xdotool key --delay 150 "$@"
}
key_to "程序已运行" Return
gone "程序已运行"
# A click in the user box (the login window's client area at (100,55)-(197,75)).
xdotool mousemove --window "$(xdotool search --onlyvisible --name "^$login\$" | head -n1)" 150 65 click 1
xdotool type --delay 50 tamsu
xdotool key Tab
xdotool type --delay 50 tamsu
xdotool key Return
for ((i = 0; i < 40; i++)); do
  names | grep -q "^Ledrimo  V" && break
  sleep 0.25
done
main_has_keys "logging in"
xdotool key F1
has_keys "关于软件"
xdotool key Return
gone "关于软件"
main_has_keys "closing About"
# The next shortcut reaches the main window: About again.
xdotool key F1
has_keys "关于软件"
xdotool key Return
gone "关于软件"
main_has_keys "closing About again"
echo "the keyboard came back to the main window after each window"
