#!/usr/bin/env bash
# The program's waits on the 100,000-entry log, the Linux program against the Windows program under
# Wine, in one run: start to the login window, connect, the list window opened and scrolled to its
# end, Ctrl+T (统計报表). Each side is window_steps_bench (bench/window_steps_bench.cpp: the program's
# forms and handlers driven through the runtime's user actions), built on its backend: Qt on the X
# display, Win32 under Wine on the same display. bench/window_steps_bench.cpp says what each figure
# includes. Target: the Windows program within 2x of the Linux program.
#
#   bash bench/windows_window_bench.sh [LINUX_BUILD] [WINDOWS_BUILD] [RUNS] [ROWS]
#   (defaults: build, configured RelWithDebInfo (-O2, as the Windows build) when missing;
#   build-windows, made by scripts/build-windows.sh when missing; 7; 100000)
#
# Both sides draw into one Xvfb (the one cmake/wine-gui.sh starts for the bench's Wine prefix), the
# Linux program through Qt's xcb platform. Wine's server is kept running for the whole run, so a
# run pays the start of a Windows process under Wine (the `wine` loader, its DLLs, the prefix's
# registry) but not the server's. One run on each side first, not counted: it makes the backup of
# the day, which connecting otherwise makes (beside the window, once a day), and warms the caches.
# Then RUNS runs each, the two sides in turn; medians and minimums.
set -euo pipefail
cd "$(dirname "$0")/.."
linux_build=${1:-build}
windows_build=${2:-build-windows}
runs=${3:-7}
rows=${4:-100000}

if [ ! -f "$linux_build/CMakeCache.txt" ]; then
  cmake -S . -B "$linux_build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$linux_build" --target window_steps_bench -j 2 >/dev/null
[ -f "$windows_build/CMakeCache.txt" ] || bash scripts/build-windows.sh "$windows_build" >/dev/null
cmake --build "$windows_build" --target window_steps_bench -j 2 >/dev/null
linux=$(realpath "$linux_build/window_steps_bench")
windows=$(realpath "$windows_build/window_steps_bench.exe")

# A prefix of the bench's own, so that stopping its wineserver and display stops no one else's.
export LEDRIMO_WINEPREFIX=${LEDRIMO_WINEPREFIX:-$HOME/.cache/ledrimo-wine-bench}
export WINEPREFIX=$LEDRIMO_WINEPREFIX
mkdir -p "$WINEPREFIX"
scratch=$(mktemp -d)
trap 'wineserver -k 2>/dev/null || true; cmake/wine-gui.sh --stop; rm -rf "$scratch"' EXIT
# The stage: a display, the forms' fonts, Wine drawing its own frames, the Chinese locale.
display=$(DISPLAY= cmake/wine-gui.sh --setup | sed -n 's/^DISPLAY=//p')
export DISPLAY=$display
# The server the stage's set-up started goes; one that stays for the whole run takes its place.
wineserver -w
wineserver -p

# The program's own empty `db` with ROWS entries, one a working day; the same file on both sides.
mkdir -p "$scratch/linux" "$scratch/windows" "$scratch/runtime"
chmod 700 "$scratch/runtime"
QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$scratch/runtime "$linux" --prepare "$scratch/linux" "$rows"
cp "$scratch/linux/db" "$scratch/windows/db"
echo "== $rows entries, $(stat -c %s "$scratch/linux/db") bytes; display $DISPLAY (Xvfb);" \
     "Linux build $(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$linux_build/CMakeCache.txt")"

python3 - "$linux" "$windows" "$scratch" "$runs" <<'PY'
import os, statistics, subprocess, sys, time
linux, windows, scratch, runs = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
common = dict(os.environ, LC_ALL="zh_CN.UTF-8", LANG="zh_CN.UTF-8")
sides = {
    "linux": ([linux, f"{scratch}/linux"],
              dict(common, QT_QPA_PLATFORM="xcb", XDG_RUNTIME_DIR=f"{scratch}/runtime")),
    # Wine reaches the Linux file system as drive Z:.
    "wine": (["wine", windows, "Z:" + f"{scratch}/windows".replace("/", "\\")],
             dict(common, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")),
}
steps = ["start", "main", "connect", "list.open", "list.end", "list", "report"]

def run(side):
    command, env = sides[side]
    env = dict(env)
    env["LEDRIMO_BENCH_START"] = str(time.time_ns())
    p = subprocess.run(command, env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                       text=True, timeout=300)
    figures = {}
    for line in p.stdout.splitlines():
        name, _, value = line.partition(" ")
        if name == "failed" or name not in steps:
            continue
        figures[name] = float(value)
    if p.returncode != 0 or len(figures) != len(steps):
        sys.exit(f"{side}: the run failed (exit {p.returncode}):\n{p.stdout}")
    return figures

def load():
    return " ".join(open("/proc/loadavg").read().split()[:3])

print(f"   load before: {load()}")
for side in sides:
    run(side) # the backup of the day, warm caches
results = {side: [] for side in sides}
for i in range(runs):
    for side in sides:
        results[side].append(run(side))
print(f"   load after:  {load()}  ({runs} runs a side)")
print(f"   {'step':<10} {'linux: median':>14} {'min':>8} {'wine: median':>14} {'min':>8} {'wine/linux':>11}")
for step in steps:
    values = {side: [r[step] for r in results[side]] for side in sides}
    l, w = statistics.median(values["linux"]), statistics.median(values["wine"])
    print(f"   {step:<10} {l:11.1f} ms {min(values['linux']):5.1f} ms {w:11.1f} ms"
          f" {min(values['wine']):5.1f} ms {w / l:10.2f}x")
PY
