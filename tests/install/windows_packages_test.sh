#!/usr/bin/env bash
# The Windows installer and the portable zip under Wine: the installer made from the build, run
# silently for the current user; its files, Start-menu shortcut and uninstall entry; the installed
# ledrimo-db.exe keeps db in %APPDATA%\Ledrimo and works there; the uninstaller removes the program
# and its entries and leaves the data. The zip, unpacked anywhere, keeps db beside the program.
# Usage: windows_packages_test.sh WINE_RUN BUILD_DIR
set -euo pipefail
run=$1
build=$2
here=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX=${LEDRIMO_WINEPREFIX:-$HOME/.cache/ledrimo-wine}
scratch=$(mktemp -d)
fail() { echo "FAIL: $*" >&2; exit 1; }
wine_reg() { "$run" reg query "$@" 2>/dev/null | tr -d '\r'; }
unix_path() { "$run" winepath -u "$1" 2>/dev/null | tr -d '\r'; }

bash "$here/../../packaging/windows/make-packages.sh" "$build" "$scratch/out" >/dev/null
setup=$(ls "$scratch"/out/Ledrimo-*-setup.exe)
zip=$(ls "$scratch"/out/Ledrimo-*-win32.zip)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")

# Icon (group icon, type 14), version (16) and manifest (24) are in the executable.
# The program with windows, where the build has it: in both packages, started by the shortcut.
programs=(ledrimo-db.exe)
[ ! -f "$build/app/ledrimo.exe" ] || programs+=(ledrimo.exe licenses/libjpeg-turbo.txt)
for exe in "${programs[@]}"; do
  [ "${exe%.exe}" != "$exe" ] || continue
  resources=$(wrestool -l "$scratch/out/stage/$exe")
  for type in 14 16 24; do
    grep -q -- "--type=$type " <<<"$resources" || fail "$exe lacks resource type $type: $resources"
  done
done

appdata=$("$run" cmd /c 'echo %APPDATA%' 2>/dev/null | tr -d '\r')
data_dir=$(unix_path "$appdata\\Ledrimo")
start_menu=$(unix_path "$appdata\\Microsoft\\Windows\\Start Menu\\Programs")
[ ! -e "$data_dir" ] || fail "$data_dir exists before the test (left from an earlier run?)"
# Also after a failure: nothing of the installation stays in the prefix for the next run.
cleanup() {
  rm -rf "$scratch" "$data_dir" "$start_menu/工作时间记录工具.lnk"
  [ -z "${dir:-}" ] || rm -rf "$dir"
  "$run" reg delete 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Ledrimo' /f >/dev/null 2>&1 || true
  "$run" reg delete 'HKCU\Software\Ledrimo' /f >/dev/null 2>&1 || true
}
trap cleanup EXIT

# Install for the current user, without questions.
"$run" "$setup" /S /CurrentUser || fail "the installer failed"
win_dir=$(wine_reg 'HKCU\Software\Ledrimo' /v InstallLocation | sed -n 's/.*REG_SZ[[:space:]]*//p')
[ -n "$win_dir" ] || fail "no install location in the registry"
dir=$(unix_path "$win_dir")
for f in "${programs[@]}" uninstall.exe README.txt licenses/holiday-cn.txt licenses/libxlsxwriter.txt licenses/zlib.txt; do
  [ -f "$dir/$f" ] || fail "the installation lacks $f"
done
[ -f "$start_menu/工作时间记录工具.lnk" ] || fail "no Start-menu shortcut in $start_menu"
main_exe=ledrimo-db.exe
[ ! -f "$build/app/ledrimo.exe" ] || main_exe=ledrimo.exe
grep -aq "$main_exe" "$start_menu/工作时间记录工具.lnk" || fail "the shortcut does not start $main_exe"
# Exported to a file (UTF-16), as `reg query` writes Chinese in the console's code page.
"$run" reg export 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Ledrimo' "Z:${scratch//\//\\}\\entry.reg" /y >/dev/null 2>&1 \
  || fail "no uninstall entry"
entry=$(iconv -f UTF-16 -t UTF-8 "$scratch/entry.reg" | tr -d '\r')
for want in '"DisplayName"="工作时间记录工具"' "\"DisplayVersion\"=\"$version\"" '"Publisher"="Ledrimo 开发组"' \
            'DisplayIcon.*ledrimo' 'UninstallString.*uninstall.exe'; do
  grep -q "$want" <<<"$entry" || fail "the uninstall entry lacks $want: $entry"
done

# The installed copy keeps db in %APPDATA%\Ledrimo, and works there.
tool() { "$run" "$dir/ledrimo-db.exe" "$@"; }
where=$(tool where | tr -d '\r')
[ "$where" = "$appdata\\Ledrimo\\db" ] || fail "where of the installed copy: $where, not in $appdata"
mkdir -p "$data_dir"
tool new "$where" >/dev/null || fail "new in the data folder"
tool insert "$where" data '{"姓名": "张三", "上班日期": "2026-10-15 00:00:00", "上班时间": 8, "ID": "w-1"}' >/dev/null \
  || fail "insert in the data folder"
tool dump "$where" data --format csv | grep -q '张三' || fail "dump in the data folder"

# Uninstalling removes the program, its shortcut and entries; the data stays.
"$run" "$dir/uninstall.exe" /S || fail "the uninstaller failed"
# The uninstaller runs on from a copy of itself in the temporary folder: wait for it (it removes
# the program's folder last).
for _ in $(seq 100); do [ -e "$dir" ] || break; sleep 0.2; done
[ ! -e "$dir" ] || fail "the program folder is still there: $(ls -R "$dir")"
[ ! -e "$start_menu/工作时间记录工具.lnk" ] || fail "the shortcut is still there"
! "$run" reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Ledrimo' >/dev/null 2>&1 \
  || fail "the uninstall entry is still there"
[ -s "$data_dir/db" ] || fail "uninstalling removed the data"

# The portable copy: db beside the program, in a folder with a Chinese name.
mkdir -p "$scratch/便携"
unzip -q "$zip" -d "$scratch/便携"
portable=$(ls -d "$scratch"/便携/Ledrimo-*)
[ -f "$portable/README.txt" ] && [ -f "$portable/licenses/zlib.txt" ] || fail "the zip lacks README.txt or the licences"
for f in "${programs[@]}"; do
  [ -f "$portable/$f" ] || fail "the zip lacks $f"
done
where=$("$run" "$portable/ledrimo-db.exe" where | tr -d '\r')
[ "$where" = "Z:${portable//\//\\}\\db" ] || fail "where of the portable copy: $where"
"$run" "$portable/ledrimo-db.exe" new "$where" >/dev/null || fail "new beside the portable copy"
[ -f "$portable/db" ] || fail "no db beside the portable copy"
echo "installer, uninstaller and portable zip: ok"
