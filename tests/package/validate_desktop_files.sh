#!/usr/bin/env bash
# The menu entry and the AppStream metainfo as the desktop's own validators read them, and the
# entry naming what the program and the icon theme provide.
#   validate_desktop_files.sh DESKTOP_FILE METAINFO_FILE ICON_DIR
set -euo pipefail
desktop="$1" metainfo="$2" icons="$3"
fail() { echo "FAIL: $*" >&2; exit 1; }

desktop-file-validate "$desktop"
appstreamcli validate --no-net "$metainfo"

key() { sed -n "s/^$1=//p" "$desktop"; }
[ "$(key Exec)" = kestrovane ] || fail "Exec should name the program alone: $(key Exec)"
[ "$(key Icon)" = kestrovane ] || fail "Icon: $(key Icon)"
# The window class is the application name the program sets (WM_CLASS "kestrovane", "Kestrovane").
[ "$(key StartupWMClass)" = Kestrovane ] || fail "StartupWMClass: $(key StartupWMClass)"
[ "$(key Name)" = "케스트로바네" ] || fail "Name: $(key Name)"
[ "$(key 'Name\[en\]')" = Kestrovane ] || fail "Name[en]: $(key 'Name\[en\]')"
grep -qx 'Categories=Network;InstantMessaging;' "$desktop" || fail "Categories"

grep -q '<launchable type="desktop-id">kestrovane.desktop</launchable>' "$metainfo" ||
    fail "the metainfo does not launch the menu entry"
grep -q '<description>' "$metainfo" && grep -q '<p xml:lang="ko">' "$metainfo" ||
    fail "the metainfo needs English and Korean descriptions"
grep -q '<screenshot' "$metainfo" || fail "the metainfo has no screenshot"

for size in 16 22 24 32 48 64 128 256; do
    png="$icons/${size}x${size}/apps/kestrovane.png"
    [ -s "$png" ] || fail "no icon at $size px"
    # The PNG header holds the width and height as big-endian words at bytes 16 and 20.
    dims="$(od -An -tu1 -j16 -N8 "$png" | tr -s ' ' | sed 's/^ //')"
    [ "$dims" = "0 0 $((size / 256)) $((size % 256)) 0 0 $((size / 256)) $((size % 256))" ] ||
        fail "icon at $size px has the header $dims"
done
echo "desktop files valid"
