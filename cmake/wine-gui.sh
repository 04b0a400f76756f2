#!/usr/bin/env bash
# The stage for Windows programs with windows under Wine: tests of the Win32 backend, screenshots.
#
#   cmake/wine-gui.sh PROGRAM [ARGS...]   runs PROGRAM on the stage (what wine-run.sh does, plus
#                                         the display, the fonts and the Chinese locale)
#   cmake/wine-gui.sh --setup             only prepares the stage; prints the display it uses
#   cmake/wine-gui.sh --stop              stops the virtual display started for the prefix
#
# The stage, in the test prefix ($LEDRIMO_WINEPREFIX, else ~/.cache/ledrimo-wine):
# - a display: $DISPLAY when one is set, else one Xvfb (1024x768, 24 bits) per prefix, started
#   once and found again by later runs (its number is noted in the prefix);
# - the forms' font families (宋体, 楷体_GB2312, 黑体, ...) and Windows' own dialog fonts mapped to
#   installed CJK fonts: without it Chinese draws as empty boxes. The mapping follows the one the
#   Qt backend makes, so text measures alike on both;
# - Wine drawing frames and captions itself, as Windows does (no window manager is needed);
# - zh_CN.UTF-8, so Wine's own boxes read 确定/取消 as on a Chinese Windows.
# The settings are written once; a second run finds them in place and only starts the program.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX=${LEDRIMO_WINEPREFIX:-$HOME/.cache/ledrimo-wine}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
# Wine takes its code page and its texts from the locale, and converts the command line by it.
if locale -a 2>/dev/null | grep -qix 'zh_CN\.utf-\?8'; then
  export LC_ALL=zh_CN.UTF-8
else
  echo "wine-gui.sh: the locale zh_CN.UTF-8 is missing (localedef -i zh_CN -f UTF-8 zh_CN.UTF-8);" \
       "Wine's boxes will read in English" >&2
  export LC_ALL=C.UTF-8
fi
export LANG=$LC_ALL

mkdir -p "$WINEPREFIX"
xvfb_note=$WINEPREFIX/.ledrimo-xvfb # "PID DISPLAY" of the Xvfb started for this prefix

# The display noted for the prefix, when its Xvfb still runs.
noted_display() {
  local pid display
  [ -f "$xvfb_note" ] || return 1
  read -r pid display <"$xvfb_note" || return 1
  [ -n "${display:-}" ] && kill -0 "$pid" 2>/dev/null || return 1
  [ -S "/tmp/.X11-unix/X${display#:}" ] || return 1
  echo "$display"
}

if [ "${1:-}" = --stop ]; then
  if [ -f "$xvfb_note" ]; then
    read -r pid _ <"$xvfb_note" || true
    [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null || true
    rm -f "$xvfb_note"
  fi
  exit 0
fi

# Whether a desktop process of this prefix runs on another display than $DISPLAY.
foreign_desktop() {
  local pid env
  for pid in $(pgrep -f 'explorer.exe /desktop' 2>/dev/null); do
    env=$(tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null) || continue
    grep -qxF "WINEPREFIX=$WINEPREFIX" <<<"$env" || continue
    grep -qxF "DISPLAY=$DISPLAY" <<<"$env" || return 0
  done
  return 1
}

setup() {
  if [ -z "${DISPLAY:-}" ]; then
    if ! DISPLAY=$(noted_display); then
      command -v Xvfb >/dev/null || { echo "wine-gui.sh: Xvfb is missing (scripts/deps.sh windows)" >&2; exit 1; }
      local numfile
      numfile=$(mktemp)
      # Its own session and no stream of ours: it outlives this run, and nothing waits for it.
      setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$numfile" </dev/null >/dev/null 2>&1 &
      local pid=$! i
      for i in $(seq 100); do
        [ -s "$numfile" ] && break
        sleep 0.05
      done
      local number
      number=$(tr -dc 0-9 <"$numfile")
      rm -f "$numfile"
      [ -n "$number" ] || { echo "wine-gui.sh: Xvfb did not start" >&2; kill "$pid" 2>/dev/null; exit 1; }
      DISPLAY=:$number
      echo "$pid $DISPLAY" >"$xvfb_note"
    fi
  fi
  export DISPLAY

  # Wine's desktop process serves every window of the prefix on the display it was started with.
  # One started without this display (by a console program run before the stage was set up) goes
  # away by itself a few seconds after its last program; windows made before that would not show.
  local i
  for i in $(seq 30); do
    foreign_desktop || break
    [ "$i" -lt 30 ] || {
      echo "wine-gui.sh: Wine's desktop for $WINEPREFIX runs on another display than $DISPLAY;" \
           "stop it (WINEPREFIX=$WINEPREFIX wineserver -k) or start the Wine server with DISPLAY=$DISPLAY" >&2
      exit 1
    }
    sleep 0.5
  done

  # A new prefix is made with Wine's services started without our streams (they would keep a
  # caller such as ctest waiting for their end).
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wine wineboot </dev/null >/dev/null 2>&1
  fi

  # The first installed of each list stands for a family.
  local families
  families=$(fc-list : family 2>/dev/null | tr ',' '\n')
  first_of() {
    local f
    for f in "$@"; do
      if grep -qxF "$f" <<<"$families"; then
        echo "$f"
        return
      fi
    done
    echo "$1"
  }
  local song kai sans roman latin ui
  song=$(first_of "Noto Sans Mono CJK SC" "AR PL UMing CN" "Noto Serif CJK SC" "WenQuanYi Zen Hei")
  kai=$(first_of "AR PL UKai CN" "Noto Serif CJK SC" "Noto Sans CJK SC" "WenQuanYi Zen Hei")
  sans=$(first_of "Noto Sans CJK SC" "WenQuanYi Zen Hei" "Noto Serif CJK SC")
  roman=$(first_of "Liberation Serif" "DejaVu Serif" "Noto Serif CJK SC")
  latin=$(first_of "Liberation Sans" "DejaVu Sans" "Noto Sans CJK SC")
  ui=$sans # the dialog fonts show Chinese: message boxes, captions, menus

  local reg f
  reg='Windows Registry Editor Version 5.00'$'\n\n''[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]'$'\n'
  for f in 宋体 SimSun 新宋体 NSimSun 宋体-18030 "MS Song"; do reg+="\"$f\"=\"$song\""$'\n'; done
  for f in 楷体_GB2312 楷体 KaiTi KaiTi_GB2312 华文楷体 STKaiti; do reg+="\"$f\"=\"$kai\""$'\n'; done
  for f in 黑体 SimHei 微软雅黑 "Microsoft YaHei" 方正静蕾简体 幼圆; do reg+="\"$f\"=\"$sans\""$'\n'; done
  reg+="\"Times New Roman\"=\"$roman\""$'\n'
  reg+="\"Arial\"=\"$latin\""$'\n'
  for f in Tahoma "MS Shell Dlg" "MS Shell Dlg 2" "Microsoft Sans Serif" "MS Sans Serif"; do
    reg+="\"$f\"=\"$ui\""$'\n'
  done
  reg+=$'\n''[HKEY_CURRENT_USER\Software\Wine\X11 Driver]'$'\n''"Decorated"="N"'$'\n''"Managed"="N"'$'\n'

  local stamp=$WINEPREFIX/.ledrimo-stage.reg
  if [ ! -f "$stamp" ] || [ "$(cat "$stamp")" != "$reg" ]; then
    # regedit reads a version 5 file as UTF-16 (with its byte order mark).
    local file
    file=$(mktemp --suffix=.reg)
    { printf '\xff\xfe'; printf '%s' "$reg" | iconv -f UTF-8 -t UTF-16LE; } >"$file"
    wine regedit /S "$(winepath -w "$file" 2>/dev/null)" </dev/null >/dev/null 2>&1
    rm -f "$file"
    printf '%s' "$reg" >"$stamp"
  fi
}

# Runs under a lock: tests started side by side share one display and write the settings once.
exec 9>"$WINEPREFIX/.ledrimo-stage.lock"
flock 9
setup
flock -u 9
exec 9>&-

if [ "${1:-}" = --setup ]; then
  echo "DISPLAY=$DISPLAY"
  exit 0
fi
exec wine "$@"
