#!/bin/sh
# Makes the Debian package from a configured and built tree, unpacks it into a
# temporary root, checks its desktop entry and icons, and starts the unpacked
# program from the desktop entry's launcher, offscreen, in a fresh home: it
# must make ~/Korvane and find its guide.
# Usage: check-package.sh CPACK BUILD_DIR
set -eu
cpack=$1
build=$2
work=$(mktemp -d)
pid=
cleanup() {
    [ -z "$pid" ] || kill "$pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "check-package: $*" >&2
    exit 1
}

(cd "$build" && "$cpack" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) ||
    { cat "$work/cpack.log"; fail "cpack failed"; }
deb=$(ls "$work"/out/*.deb)
dpkg-deb -f "$deb" Depends | grep -q dosbox || fail "the package does not depend on DOSBox"
dpkg-deb -f "$deb" Depends | grep -q fonts-wqy-zenhei || fail "the package brings no CJK font"
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || fail "the package does not name the Qt libraries"
dpkg-deb -f "$deb" Depends | grep -q libunicorn || fail "the package does not depend on the Unicorn library"
dpkg-deb -x "$deb" "$work/root"
usr="$work/root/usr"

desktop-file-validate "$usr/share/applications/korvane.desktop" ||
    fail "the desktop entry does not validate"
launcher=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$usr/share/applications/korvane.desktop")
[ -x "$usr/bin/$launcher" ] || fail "the desktop entry starts $launcher, which is not in bin/"
[ -f "$usr/share/icons/hicolor/scalable/apps/korvane.svg" ] || fail "no SVG icon"
for size in 16 32 48 128 256; do
    [ -f "$usr/share/icons/hicolor/${size}x$size/apps/korvane.png" ] || fail "no ${size}px icon"
done

mkdir "$work/home"
HOME="$work/home" QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES="korvane.guide.info=true" \
    "$usr/bin/$launcher" >"$work/out.log" 2>&1 &
pid=$!
tries=0
until grep -q 'guide' "$work/out.log"; do
    tries=$((tries + 1))
    [ "$tries" -lt 600 ] || { cat "$work/out.log"; fail "the program said nothing about its guide"; }
    kill -0 "$pid" 2>/dev/null || { cat "$work/out.log"; fail "the program ended at start"; }
    sleep 0.1
done
grep -q "guide: $usr/share/korvane/web/index.html\$" "$work/out.log" ||
    { cat "$work/out.log"; fail "the program did not find its installed guide"; }
[ -d "$work/home/Korvane" ] || fail "the launcher did not make ~/Korvane"
kill "$pid"
pid=
echo "check-package: $(basename "$deb") is fine"
