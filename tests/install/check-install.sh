#!/bin/sh
# Installs the built program into a scratch root, checks that its desktop entry and AppStream
# description pass their validators, then builds the Debian package and checks its files and the
# libraries it depends on. Usage: check-install.sh BUILD_DIR
set -eu
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR="$scratch/root" cmake --install "$build" --prefix /usr >/dev/null
share="$scratch/root/usr/share"
for f in "$scratch/root/usr/bin/zentravio" \
         "$share/applications/org.zentravio.Zentravio.desktop" \
         "$share/metainfo/org.zentravio.Zentravio.metainfo.xml" \
         "$share/icons/hicolor/scalable/apps/zentravio.svg"; do
    [ -f "$f" ] || fail "not installed: $f"
done
for size in 16 22 24 32 48 64 128 256; do
    png="$share/icons/hicolor/${size}x${size}/apps/zentravio.png"
    [ -f "$png" ] || fail "not installed: $png"
    file "$png" | grep -q "PNG image data, $size x $size" || fail "$png is not a $size pixel PNG"
done
desktop-file-validate "$share/applications/org.zentravio.Zentravio.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$share/metainfo/org.zentravio.Zentravio.metainfo.xml" >/dev/null || fail "metainfo"

(cd "$build" && cpack -G DEB -B "$scratch/package" >/dev/null) || fail "cpack"
deb=$(ls "$scratch"/package/zentravio_*.deb)
contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/zentravio ./usr/share/applications/org.zentravio.Zentravio.desktop \
         ./usr/share/icons/hicolor/48x48/apps/zentravio.png ./usr/share/metainfo/org.zentravio.Zentravio.metainfo.xml; do
    echo "$contents" | grep -q " $f\$" || fail "not in the package: $f"
done
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libqt6network6 libqt6dbus6 libsqlite3-0 libical3 libc6 qt6-qpa-plugins; do
    echo "$depends" | grep -q "$lib" || fail "the package does not depend on $lib: $depends"
done
# The alarm sound is loaded at run time, so no library dependency brings it in.
recommends=$(dpkg-deb -f "$deb" Recommends)
for p in libcanberra0 sound-theme-freedesktop; do
    echo "$recommends" | grep -q "$p" || fail "the package does not recommend $p: $recommends"
done
echo "installed and packaged: $deb"
echo "depends: $depends"
