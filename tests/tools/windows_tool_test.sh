#!/usr/bin/env bash
# ledrimo-db.exe under Wine, from the Linux side: Chinese paths and arguments arrive intact
# (wmain), output to a pipe is UTF-8, every verb of a short working session works and keeps its
# exit codes, the xlsx export gets its Chinese name, and the file it writes is read by mdbtools
# and by the Linux ledrimo-db.
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
# A Chinese table name arrives intact: the message names it.
if tool dump "$win_dir\\db" 工作表 > /dev/null 2> "$dir/err.txt"; then fail "dump of a missing table succeeded"; fi
grep -q '工作表' "$dir/err.txt" || fail "the table name was mangled: $(cat "$dir/err.txt")"
# --password-stdin: the password is read from a pipe, and the account is set.
printf '密码123\n' | tool passwd "$win_dir\\db" 管理员 --password-stdin > /dev/null 2> "$dir/err.txt" \
  || fail "passwd --password-stdin: $(cat "$dir/err.txt")"
tool dump "$win_dir\\db" admin --format csv > "$dir/admin.csv" || fail "dump admin"
grep -q '管理员' "$dir/admin.csv" || fail "the account name was not stored: $(cat "$dir/admin.csv")"
# A character outside code page 936 is refused, not replaced by a lookalike or a '?'.
if printf 'x\xe2\x82\xa9\n' | tool passwd "$win_dir\\db" 管理员 --password-stdin > /dev/null 2> "$dir/err.txt"; then
  fail "a password outside code page 936 was taken"
fi
grep -q 'GBK' "$dir/err.txt" || fail "no reason given: $(cat "$dir/err.txt")"
tool report "$win_dir\\db" --month 2026-10 > "$dir/report.txt" || fail "report --month"
grep -q '24' "$dir/report.txt" || fail "report lacks the total of 24 hours: $(cat "$dir/report.txt")"
tool export "$win_dir\\db" "$win_dir\\十月.xlsx" --month 2026-10 || fail "export xlsx"
[ -f "$dir/十月.xlsx" ] || fail "xlsx not under its Chinese name: $(ls "$dir")"
/usr/bin/python3 - "$dir/十月.xlsx" <<'PY' || fail "openpyxl cannot read the xlsx"
import sys, openpyxl
ws = openpyxl.load_workbook(sys.argv[1]).active
values = [c.value for row in ws.iter_rows() for c in row]
assert "张三" in values, values[:20]
PY
tool check "$win_dir\\db" > /dev/null || fail "check"
# The backup, its listing and the restore name the copy with Windows's separator only, and the
# copy named is the one restored.
tool backup "$win_dir\\db" > "$dir/backup.txt" || fail "backup"
ls "$dir/backup/"*.mdb > /dev/null 2>&1 || fail "no backup written: $(ls -R "$dir")"
copy=$(sed -n 's/^已备份：\(.*\.mdb\)（.*/\1/p' "$dir/backup.txt" | tr -d '\r')
[[ "$copy" == "$win_dir\\backup\\db-"????-??-??.mdb ]] || fail "the backup is named $copy: $(cat "$dir/backup.txt")"
tool backups "$win_dir\\db" > "$dir/backups.txt" || fail "backups"
grep -qF "备份文件夹：$win_dir\\backup（" "$dir/backups.txt" || fail "the folder is named otherwise: $(cat "$dir/backups.txt")"
tool restore "$win_dir\\db" "$copy" > "$dir/restore.txt" || fail "restore from $copy"
kept=$(sed -n 's/^原来的数据库已另存为：//p' "$dir/restore.txt" | tr -d '\r')
[[ "$kept" == "$win_dir\\backup\\db-before-restore-"*.mdb ]] || fail "the kept copy is named $kept: $(cat "$dir/restore.txt")"
if grep -q / "$dir/backup.txt" "$dir/backups.txt" "$dir/restore.txt"; then
  fail "a path with '/': $(cat "$dir/backup.txt" "$dir/backups.txt" "$dir/restore.txt")"
fi
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
  # The password code is the one the Linux build stores for the same password (the same code
  # page 936 bytes).
  cp "$dir/db" "$dir/linux-db"
  printf '密码123\n' | "$linux" passwd "$dir/linux-db" 管理员 --password-stdin > /dev/null
  cmp <("$linux" dump "$dir/linux-db" admin --format csv) "$dir/admin.csv" || fail "the password code differs"

  # The same short session with both builds writes the same bytes: new, insert, update, delete,
  # an SQL update and the account. Compact stamps the catalog with the time of the run, so after
  # it the two files are compared by what they hold.
  mkdir -p "$dir/same/linux" "$dir/same/windows"
  both() {
    "$linux" "$1" "$dir/same/linux/db" "${@:2}" > /dev/null || fail "linux $1"
    tool "$1" "$win_dir\\same\\windows\\db" "${@:2}" > /dev/null || fail "windows $1"
  }
  "$linux" new "$dir/same/linux/db" > /dev/null || fail "linux new"
  tool new "$win_dir\\same\\windows\\db" > /dev/null || fail "windows new"
  for day in 01 02 05 06; do
    both insert data "{\"姓名\": \"李四\", \"公司名称\": \"甲公司\", \"入厂时间\": \"2020-03-01 00:00:00\", \"上班日期\": \"2026-11-$day 00:00:00\", \"上班时间\": 8, \"工作备注\": \"第 $day 天 — 备注\", \"ID\": \"s-$day\"}"
  done
  both update data 2 '{"上班时间": 10, "工作备注": "加班两小时"}'
  both delete data 1
  both sql "UPDATE data SET 公司名称 = '乙公司' WHERE ID = 's-05'"
  printf '新密码\n' > "$dir/same/password"
  "$linux" passwd "$dir/same/linux/db" 王五 --password-stdin < "$dir/same/password" > /dev/null || fail "linux passwd"
  tool passwd "$win_dir\\same\\windows\\db" 王五 --password-stdin < "$dir/same/password" > /dev/null || fail "windows passwd"
  if ! cmp -s "$dir/same/linux/db" "$dir/same/windows/db"; then
    cmp -l "$dir/same/linux/db" "$dir/same/windows/db" | head -20 >&2
    fail "the Windows build's file differs from the Linux build's"
  fi
  both compact
  for table in data admin; do
    cmp <("$linux" dump "$dir/same/linux/db" $table --format csv) <("$linux" dump "$dir/same/windows/db" $table --format csv) \
      || fail "after compact, $table differs"
  done
fi
echo "ok"
