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
dpkg-deb -f "$deb" Depends | grep -q libcapstone || fail "the package does not depend on the Capstone library"
dups=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//' | sort | uniq -d)
[ -z "$dups" ] || fail "the package names $dups twice"
dpkg-deb -x "$deb" "$work/root"
usr="$work/root/usr"

entry="$usr/share/applications/korvane.desktop"
desktop-file-validate "$entry" || fail "the desktop entry does not validate"
launcher=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
[ -x "$usr/bin/$launcher" ] || fail "the desktop entry starts $launcher, which is not in bin/"
# A file manager hands it the files it opens, as assembly sources.
grep -q '^Exec=[^ ]* %F$' "$entry" || fail "the desktop entry takes no files (%F)"
grep -q '^MimeType=\(.*;\)\?text/x-asm;' "$entry" || fail "the desktop entry names no assembly type"
mkdir -p "$work/mime/packages"
cp "$usr/share/mime/packages/korvane.xml" "$work/mime/packages/" ||
    fail "the package brings no MIME type"
update-mime-database "$work/mime" || fail "the MIME type does not build"
for glob in asm inc; do
    grep -qx "50:text/x-asm:\*\.$glob" "$work/mime/globs2" || fail "*.$glob is no assembly source"
done
# --help and --version answer without a display.
help=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$usr/bin/korvane" --help) ||
    fail "korvane --help failed"
case $help in 用法：korvane*) ;; *) fail "korvane --help printed: $help" ;; esac
[ "$(env -u DISPLAY -u QT_QPA_PLATFORM "$usr/bin/korvane" --version)" = "Korvane 2.20" ] ||
    fail "korvane --version printed no version"
# So does the class checker's.
check_help=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$usr/bin/korvane" check --help) ||
    fail "korvane check --help failed"
case $check_help in 用法：korvane\ check*) ;; *) fail "korvane check --help printed: $check_help" ;; esac
# So does an option it does not know, with the usage error.
rc=0
bogus=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$usr/bin/korvane" --bogus 2>&1) || rc=$?
[ "$rc" -eq 2 ] || fail "korvane --bogus without a display did not end with 2: $bogus"
case $bogus in *"--bogus"*) ;; *) fail "korvane --bogus printed: $bogus" ;; esac
# Where programs run now, in the package and the desktop entry.
dpkg-deb -f "$deb" Description | grep -q 8086 || fail "the description does not name the built-in 8086"
grep -q '^Comment=.*8086' "$entry" || fail "the desktop entry's comment does not name the built-in 8086"
zcat "$usr/share/man/man1/korvane.1.gz" | sed -n '/^\.SH FILES/,/^\.SH EXIT/p' |
    grep -q 'recovery' || fail "the manual page names no recovery folder under FILES"
zcat "$usr/share/man/man1/korvane.1.gz" | sed -n '/^\.SH FILES/,/^\.SH EXIT/p' |
    grep -q 'layout.ini' || fail "the manual page names no layout file under FILES"
for page in korvane korvane-desktop korvane-check; do
    [ -f "$usr/share/man/man1/$page.1.gz" ] || fail "no manual page for $page"
done
[ -f "$usr/share/doc/korvane/copyright" ] || fail "no copyright file"
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
