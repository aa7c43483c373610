#!/usr/bin/env bash
# The Debian package as a member gets it: built with CPack from the build directory, checked
# by lintian, unpacked into a fresh root and started from there.
#   package_test.sh BUILD_DIR
# The unpacked program must find its modules in the root's usr/lib/kestrovane, publish its
# settings, write its autostart entry at exit and end cleanly on SIGTERM.
set -euo pipefail
build="$(cd "$1" && pwd)"
work="$(mktemp -d "${TMPDIR:-/tmp}/kestrovane-package.XXXXXX")"
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# Waits up to $1 seconds for the command after it to succeed.
wait_for() {
    local bound=$(($1 * 10))
    shift
    for _ in $(seq "$bound"); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

echo "== building the package"
cpack --config "$build/CPackConfig.cmake" -B "$work/pkg" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail "cpack"; }
deb="$(ls "$work"/pkg/kestrovane_*.deb)"

echo "== dependencies"
depends="$(dpkg-deb -f "$deb" Depends)"
echo "$depends"
# From the binaries (shlibdeps) and the packages loaded by name.
for want in libc6 libqt6widgets6 libqt6network6 libqt6multimedia6 libqt6webenginewidgets6 \
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good libqt6webenginecore6-bin fonts-noto-cjk; do
    grep -Eq "(^|[ ,|])$want( |,|$)" <<<"$depends" || fail "Depends lacks $want"
done

echo "== lintian"
# Root is how CI runs; lintian only advises against it.
status=0
lintian --fail-on error --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 || status=$?
grep -v 'running with root' "$work/lintian.log" || true
[ "$status" -eq 0 ] || fail "lintian reports errors"

echo "== contents"
root="$work/root"
dpkg-deb -x "$deb" "$root"
for f in usr/bin/kestrovane usr/bin/kestrovane-send usr/bin/kestrovane-devserver \
    usr/lib/kestrovane/libkestrovane-media.so usr/lib/kestrovane/libkestrovane-net.so \
    usr/lib/kestrovane/kestrovane-web usr/share/applications/kestrovane.desktop \
    usr/share/icons/hicolor/scalable/apps/kestrovane.svg usr/share/kestrovane/demo-accounts.txt \
    usr/share/man/man1/kestrovane.1.gz usr/share/man/man1/kestrovane-send.1.gz \
    usr/share/man/man1/kestrovane-devserver.1.gz usr/share/doc/kestrovane/copyright; do
    [ -e "$root/$f" ] || fail "the package lacks /$f"
done
metainfo="$(ls "$root"/usr/share/metainfo/*.metainfo.xml)"
"$(dirname "$0")/validate_desktop_files.sh" "$root/usr/share/applications/kestrovane.desktop" \
    "$metainfo" "$root/usr/share/icons/hicolor"
# Nothing the modules need is missing from the system the package depends on.
for module in "$root"/usr/lib/kestrovane/* "$root"/usr/bin/*; do
    if ldd "$module" | grep -q 'not found'; then
        ldd "$module" >&2
        fail "$module needs a library that is not there"
    fi
done

echo "== the installed program"
export QT_QPA_PLATFORM=offscreen
export XDG_CONFIG_HOME="$work/config"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
unset KESTROVANE_MODULE_DIR
program="$root/usr/bin/kestrovane"
ini="$XDG_CONFIG_HOME/Kestrovane/Kestrovane.ini"
autostart="$XDG_CONFIG_HOME/autostart/Kestrovane.desktop"

# The installed dev server with an update list naming a newer version.
"$root/usr/bin/kestrovane-devserver" --chat-port 0 --update-version 9.0.0.0 --verbose \
    >"$work/devserver.out" 2>"$work/devserver.log" &
pids+=($!)
wait_for 20 grep -q '^http listening on' "$work/devserver.out" ||
    { cat "$work/devserver.log"; fail "the installed dev server did not start"; }
chat="$(sed -n 's/^listening on //p' "$work/devserver.out")"
web="http://$(sed -n 's/^http listening on //p' "$work/devserver.out")"
export KESTROVANE_SERVER="$chat" KESTROVANE_WEB_ROOT="$web" KESTROVANE_UPDATE_ROOT="$web"

# With "/noau": no update check; the running instance publishes itself.
"$program" /noau >"$work/client1.log" 2>&1 &
client=$!
pids+=($client)
wait_for 60 grep -q '^HWND=' "$ini" 2>/dev/null ||
    { cat "$work/client1.log"; fail "the installed program published no settings"; }
grep -qx "PATH=$program" "$ini" || fail "PATH does not name the installed program: $(cat "$ini")"
grep -q "^PID=$client\$" "$ini" || fail "PID is not the program's"
! grep -q 'filelist.txt' "$work/devserver.log" || fail "/noau still asked for the update list"
kill -TERM "$client"
status=0
wait "$client" || status=$?
[ "$status" -eq 0 ] || { cat "$work/client1.log"; fail "ended with status $status"; }
! grep -q '^HWND=' "$ini" || fail "HWND is left after the end"
# Auto-run is on by default: the entry names the installed program and carries its icon.
grep -qx "Exec=$program" "$autostart" || fail "autostart entry: $(cat "$autostart")"
grep -qx 'Icon=kestrovane' "$autostart" || fail "the autostart entry has no icon"
desktop-file-validate "$autostart"

# Without "/noau" the update list is fetched through the network module, which the program
# finds beside itself in ../lib/kestrovane; the newer version hands over to the updater
# (missing here), after which the program ends by itself.
"$program" >"$work/client2.log" 2>&1 &
client=$!
pids+=($client)
wait_for 60 grep -q 'GET /kestrovane/filelist.txt' "$work/devserver.log" ||
    { cat "$work/client2.log"; fail "no update request: the network module was not found"; }
wait_for 60 bash -c "! kill -0 $client 2>/dev/null" ||
    fail "the program did not end after handing over to the updater"
status=0
wait "$client" || status=$?
[ "$status" -eq 0 ] || { cat "$work/client2.log"; fail "ended with status $status"; }
echo "package test passed"
