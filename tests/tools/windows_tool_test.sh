#!/usr/bin/env bash
# ledrimo-db.exe under Wine, from the Linux side: Chinese paths and arguments arrive intact
# (wmain), output to a pipe is UTF-8, every verb of a short working session works and keeps its
# exit codes, the xlsx export gets its Chinese name, and the file it writes is read by mdbtools
# and by the Linux ledrimo-db and is byte for byte the file the Linux build writes for the same
# session (apart from the creation time stamps of a new file, which are overwritten here).
# Usage: windows_tool_test.sh WINE_RUN LEDRIMO_DB_EXE [LINUX_LEDRIMO_DB]
set -euo pipefail
run=$1
exe=$2
linux=${3:-}
prefix=${LEDRIMO_WINEPREFIX:-$HOME/.cache/ledrimo-wine}
drive=$prefix/drive_c
dir="$drive/工时-$$"
win_dir="C:\\工时-$$"
rm -rf "$dir"
mkdir -p "$dir"
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
tool() { "$run" "$exe" "$@"; }

# new, with a Chinese folder in the path.
tool new "$win_dir\\db" || fail "new"
[ -f "$dir/db" ] || fail "new did not write $dir/db"
# The same file again: refused with exit code 1 and a Chinese message, file untouched.
before=$(md5sum < "$dir/db")
if tool new "$win_dir\\db" 2> "$dir/err.txt"; then fail "new over an existing file succeeded"; fi
grep -q '错误\|已存在' "$dir/err.txt" || grep -q 'ledrimo-db：' "$dir/err.txt" || fail "no Chinese message: $(cat "$dir/err.txt")"
[ "$before" = "$(md5sum < "$dir/db")" ] || fail "refused new changed the file"

# insert with Chinese column names and values in the arguments.
for day in 01 02 05; do
  tool insert "$win_dir\\db" data "{\"姓名\": \"张三\", \"公司名称\": \"示例公司\", \"上班日期\": \"2026-10-$day 00:00:00\", \"上班时间\": 8, \"工作备注\": \"第 $day 天\", \"ID\": \"id-$day\"}" >/dev/null \
    || fail "insert $day"
done
# Output to a pipe is UTF-8: the Chinese text reads back exactly.
tool dump "$win_dir\\db" data --format csv > "$dir/dump.csv" || fail "dump"
grep -q '张三' "$dir/dump.csv" || fail "dump is not UTF-8: $(head -c 200 "$dir/dump.csv" | od -c | head)"
grep -q '第 05 天' "$dir/dump.csv" || fail "dump lacks a row"
tool report "$win_dir\\db" --month 2026-10 > "$dir/report.txt" || fail "report --month"
grep -q '24' "$dir/report.txt" || fail "report lacks the total of 24 hours: $(cat "$dir/report.txt")"
tool export "$win_dir\\db" "$win_dir\\十月.xlsx" --month 2026-10 || fail "export xlsx"
[ -f "$dir/十月.xlsx" ] || fail "xlsx not under its Chinese name: $(ls "$dir")"
python3 - "$dir/十月.xlsx" <<'PY' || fail "openpyxl cannot read the xlsx"
import sys, openpyxl
ws = openpyxl.load_workbook(sys.argv[1]).active
values = [c.value for row in ws.iter_rows() for c in row]
assert "张三" in values, values[:20]
PY
tool check "$win_dir\\db" > /dev/null || fail "check"
tool backup "$win_dir\\db" > /dev/null || fail "backup"
ls "$dir/backup/"*.mdb > /dev/null 2>&1 || ls -R "$dir" | grep -q '\.mdb' || fail "no backup written: $(ls -R "$dir")"
# An unknown verb and a missing file: exit code 1.
set +e
tool nosuchverb > /dev/null 2>&1; [ $? -eq 1 ] || fail "unknown verb: exit code not 1"
tool dump "$win_dir\\none" data > /dev/null 2>&1; [ $? -eq 1 ] || fail "missing file: exit code not 1"
set -e

# Read by mdbtools and by the Linux build.
mdb-export "$dir/db" data | grep -q '张三' || fail "mdb-export cannot read the file"
if [ -n "$linux" ]; then
  "$linux" check "$dir/db" > /dev/null || fail "the Linux ledrimo-db finds faults"
  cmp <("$linux" dump "$dir/db" data --format csv) "$dir/dump.csv" || fail "the Linux dump differs"
  # The same session with the Linux build writes the same bytes, apart from the time stamps a
  # new file takes (its creation time in the catalog): both new files get the Windows one's.
  mkdir -p "$dir/linux"
  "$linux" new "$dir/linux/db"
  for day in 01 02 05; do
    "$linux" insert "$dir/linux/db" data "{\"姓名\": \"张三\", \"公司名称\": \"示例公司\", \"上班日期\": \"2026-10-$day 00:00:00\", \"上班时间\": 8, \"工作备注\": \"第 $day 天\", \"ID\": \"id-$day\"}" >/dev/null
  done
  differing=$(cmp -l "$dir/db" "$dir/linux/db" | wc -l || true)
  [ "$(stat -c %s "$dir/db")" = "$(stat -c %s "$dir/linux/db")" ] || fail "sizes differ"
  [ "$differing" -eq 0 ] || { cmp -l "$dir/db" "$dir/linux/db" | head -20 >&2; fail "$differing bytes differ from the Linux build's file"; }
fi
echo "ok"
