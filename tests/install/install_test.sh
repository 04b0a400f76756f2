#!/usr/bin/env bash
# `cmake --install` into a temporary DESTDIR (prefix /usr), checked as a desktop would use it:
# every file an installation promises is there; the desktop entry passes desktop-file-validate and
# the AppStream data `appstreamcli validate --no-net`; entry, icon and AppStream data name each
# other; the icons have the sizes of their folders; the man pages (compressed) render without a
# warning, and ledrimo-db's has a section for every verb that `ledrimo-db --help` lists.
# Usage: install_test.sh CMAKE BUILD_DIR
set -euo pipefail
cmake=$1
build=$2
dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR=$dest "$cmake" --install "$build" --prefix /usr >/dev/null
usr=$dest/usr
id=org.example.Ledrimo
for f in bin/ledrimo bin/ledrimo-db share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
         share/man/man1/ledrimo-db.1.gz share/man/man1/ledrimo.1.gz share/doc/ledrimo/README.md \
         share/doc/ledrimo/copyright share/doc/ledrimo/changelog.gz \
         share/icons/hicolor/{16x16,32x32,48x48,256x256}/apps/$id.png; do
  [ -f "$usr/$f" ] || fail "not installed: $f"
done
[ -x "$usr/bin/ledrimo" ] && [ -x "$usr/bin/ledrimo-db" ] || fail "programs not executable"

desktop-file-validate "$usr/share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$usr/share/metainfo/$id.metainfo.xml" >"$dest/as.log" 2>&1 ||
  { cat "$dest/as.log"; fail "appstreamcli validate"; }

entry=$usr/share/applications/$id.desktop
grep -qx 'Name=Ledrimo' "$entry" || fail "Name"
grep -qx 'Name\[zh_CN\]=工作时间记录工具' "$entry" || fail "Name[zh_CN]"
grep -qx 'Categories=Office;ProjectManagement;' "$entry" || fail "Categories"
exec=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
[ -x "$usr/bin/$exec" ] || fail "Exec=$exec is not an installed program"
grep -qx "Icon=$id" "$entry" || fail "Icon is not $id"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$usr/share/metainfo/$id.metainfo.xml" ||
  fail "AppStream launchable"

# PNG: width and height are the big-endian words at bytes 16 and 20.
for size in 16 32 48 256; do
  read -r w h < <(od -An -tu1 -j16 -N8 "$usr/share/icons/hicolor/${size}x$size/apps/$id.png" |
                  awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
  [ "$w" = "$size" ] && [ "$h" = "$size" ] || fail "icon ${size}x$size is ${w}x$h"
done

for page in ledrimo ledrimo-db; do
  warnings=$(gzip -dc "$usr/share/man/man1/$page.1.gz" | LC_ALL=C.UTF-8 groff -k -man -Tutf8 -ww -z 2>&1)
  [ -z "$warnings" ] || fail "man page $page: $warnings"
done
man=$dest/ledrimo-db.1
gzip -dc "$usr/share/man/man1/ledrimo-db.1.gz" >"$man"
verbs=$("$usr/bin/ledrimo-db" --help | sed -n 's/^  ledrimo-db \([a-z][a-z0-9-]*\).*/\1/p')
[ -n "$verbs" ] || fail "no verbs in ledrimo-db --help"
for verb in $verbs; do
  grep -qx "\.SS $verb" "$man" || fail "man page has no section for $verb"
  grep -qF -- "用法：ledrimo\-db $verb" "$man" || fail "man page lacks the help text of $verb"
done
echo "installed files, desktop entry, AppStream data, icons and man page ($(echo $verbs | wc -w) verbs) check out"
