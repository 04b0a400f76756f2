#!/usr/bin/env bash
# Runs a Windows program of the cross build under Wine, for ctest and for build steps
# (CMAKE_CROSSCOMPILING_EMULATOR). Wine turns the command line into UTF-16 by the Unix locale, so
# a UTF-8 one is set; the Wine prefix is one of the build's own, outside the tree.
export LC_ALL=C.UTF-8
export WINEDEBUG=${WINEDEBUG:--all}
export WINEPREFIX=${LEDRIMO_WINEPREFIX:-$HOME/.cache/ledrimo-wine}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
# Programs with windows run on the stage's display (cmake/wine-gui.sh) when one runs for the prefix:
# Wine's desktop process, which any program may start, then serves them all on it.
if [ -z "${DISPLAY:-}" ] && read -r pid display 2>/dev/null <"$WINEPREFIX/.ledrimo-xvfb" &&
   kill -0 "$pid" 2>/dev/null; then
  export DISPLAY=$display
fi
exec wine "$@"
