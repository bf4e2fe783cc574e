#!/usr/bin/env bash
# The Debian package as a new user meets it: made by cpack from this build,
# unpacked into a scratch root, its menu entry's command started by a user
# without a program folder, offscreen. The program must come up on the demo
# database (the work database holds the loaded major categories) and end cleanly
# when the session ends.
set -euo pipefail
build="$(cd "$1" && pwd)"
work="$(mktemp -d)"
pid=""
cleanup() {
    [ -z "$pid" ] || kill -KILL "$pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Quick compression: this package is looked at, not shipped.
(cd "$build" && cpack -G DEB -B "$work/pkg" -D CPACK_DEBIAN_COMPRESSION_TYPE=gzip >"$work/cpack.log" 2>&1) || {
    cat "$work/cpack.log" >&2
    fail "cpack failed"
}
deb="$(ls "$work"/pkg/masment_*.deb)"
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"

depends="$(dpkg-deb -f "$deb" Depends)"
for p in firebird3.0-server-core libfbclient2 libqt6widgets6 libqt6core6 qt6-qpa-plugins qt6-translations-l10n \
    libicu72 libmuparser2v5 fonts-ipafont-gothic; do
    [[ ", $depends," == *", $p"[\ ,]* ]] || fail "Depends lacks $p: $depends"
done

dpkg-deb -c "$deb" | awk '{print $6}' >"$work/contents"
for f in ./usr/bin/masment ./usr/bin/masment-demo-db ./usr/bin/masment-setup ./usr/bin/masment-start \
    ./usr/share/masment/masment.PDF ./usr/share/masment/templates/SYSTEM.DAT \
    ./usr/share/masment/templates/pro_title.inf ./usr/share/masment/office-server.sh \
    ./usr/share/applications/masment.desktop ./usr/share/icons/hicolor/scalable/apps/masment.svg; do
    grep -qxF "$f" "$work/contents" || fail "the package lacks $f"
done

root="$work/root"
dpkg -x "$deb" "$root"
desktop="$root/usr/share/applications/masment.desktop"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "invalid desktop entry"
fi
command="$(sed -n 's/^Exec=//p' "$desktop")"
[ -x "$root/usr/bin/${command%% *}" ] || fail "the menu entry starts $command, which the package does not hold"
[ "$(sed -n 's/^Icon=//p' "$desktop")" = masment ] || fail "the menu entry's icon is not the package's"

export HOME="$work/home" TMPDIR="$work/tmp" FIREBIRD_LOCK="$work/lock" QT_QPA_PLATFORM=offscreen
mkdir -p "$HOME" "$TMPDIR" "$FIREBIRD_LOCK"
# The first major category of the demo, as the work database stores it.
major="$(printf '仮設工事' | iconv -f UTF-8 -t CP932)"
folder="$HOME/masment"
"$root/usr/bin/$command" >"$work/run.log" 2>&1 &
pid=$!
up=0
for _ in $(seq 1 900); do
    if ! kill -0 "$pid" 2>/dev/null; then
        cat "$work/run.log" >&2
        fail "the program ended by itself"
    fi
    if [ -f "$folder/LOCAL/MAS_MENT.fdb" ] && grep -aqF "$major" "$folder/LOCAL/MAS_MENT.fdb"; then
        up=1
        break
    fi
    sleep 0.1
done
[ "$up" = 1 ] || {
    cat "$work/run.log" >&2
    fail "the program did not load the demo's major categories within 90 seconds"
}
# Give the window a moment on screen, then end the session as a logout would.
sleep 2
kill -0 "$pid" 2>/dev/null || fail "the program ended after loading"
kill -TERM "$pid"
rc=0
wait "$pid" || rc=$?
pid=""
[ "$rc" = 0 ] || {
    cat "$work/run.log" >&2
    fail "the program ended with status $rc"
}

# The program folder the menu entry laid out.
cmp -s "$folder/PROG/SYSTEM.DAT" "$root/usr/share/masment/templates/SYSTEM.DAT" || fail "SYSTEM.DAT is not the template"
[ "$(head -c 17 "$folder/PROG/pro_title.inf")" = "TREVOLAN Ver 2021" ] || fail "pro_title.inf"
[ -f "$folder/TREVOLAN.FDB" ] || fail "no demo product database"
cmp -s "$folder/PROG/masment.PDF" "$root/usr/share/masment/masment.PDF" || fail "Help's document is not in the program folder"
# A second start finds the folder as it is and does not lay it out again.
touch -d '2000-01-01' "$folder/PROG/SYSTEM.DAT"
out="$("$root/usr/bin/masment-setup" --demo "$folder")"
[[ "$out" == *"そのまま使います"* ]] || fail "masment-setup on an existing folder: $out"
[ "$(stat -c %Y "$folder/PROG/SYSTEM.DAT")" = "$(date -d '2000-01-01' +%s)" ] || fail "SYSTEM.DAT was rewritten"
echo "started from the menu entry and ended cleanly"
