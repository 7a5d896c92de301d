#!/bin/sh
# Installs the built program into a scratch root, checks that its desktop entry and AppStream
# description pass their validators, then builds the Debian package and checks its files, the
# libraries it depends on, the hardening of its program and that lintian finds nothing to warn of.
# Usage: check-install.sh BUILD_DIR
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
# No web address that leads nowhere: the project has no web site of its own.
if grep -rnE 'https?://' "$share/metainfo" "$share/applications"; then fail "web addresses in the metadata"; fi
# The manual page reads without a complaint from man.
man_page="$share/man/man1/zentravio.1.gz"
[ -f "$man_page" ] || fail "not installed: $man_page"
warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l "$man_page" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "the manual page: $warnings"
# Every option the program's help names is in the manual page too.
manual=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -E UTF-8 -l "$man_page" 2>/dev/null)
for option in $("$build/src/zentravio" --help 2>/dev/null | grep -oE '^ +(-[a-z], )?--[a-z-]+' | grep -oE -- '--[a-z-]+'); do
    printf '%s\n' "$manual" | grep -qF -- "$option" || fail "the manual page lacks $option"
done

# The program is built hardened: position-independent, relocations read-only and bound at start, a
# guarded stack and fortified library calls.
program="$scratch/root/usr/bin/zentravio"
readelf -h "$program" | grep -q 'Type:.*DYN' || fail "the program is not position-independent"
readelf -lW "$program" | grep -q GNU_RELRO || fail "the program has no read-only relocations"
readelf -dW "$program" | grep -qE 'BIND_NOW|FLAGS_1.*NOW' || fail "the program does not bind at start"
readelf --dyn-syms -W "$program" | grep -q __stack_chk_fail || fail "the program's stack is not guarded"
# Fortified calls leave a trace only where a buffer's size is known, so the compile lines are looked at.
compiled=$(grep '"command"' "$build/compile_commands.json" | grep -- '/src/' || true)
sources=$(echo "$compiled" | grep -c -- '-c ' || true)
hardened=$(echo "$compiled" | grep -- '-D_FORTIFY_SOURCE=2' | grep -c -- '-fstack-protector-strong' || true)
[ "$sources" -gt 0 ] && [ "$hardened" = "$sources" ] ||
    fail "$((sources - hardened)) of $sources sources are built without fortified calls or a guarded stack"

(cd "$build" && cpack -G DEB -B "$scratch/package" >/dev/null) || fail "cpack"
deb=$(ls "$scratch"/package/zentravio_*.deb)
contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/zentravio ./usr/share/applications/org.zentravio.Zentravio.desktop \
         ./usr/share/icons/hicolor/48x48/apps/zentravio.png ./usr/share/metainfo/org.zentravio.Zentravio.metainfo.xml; do
    echo "$contents" | grep -q " $f\$" || fail "not in the package: $f"
done
for f in ./usr/share/man/man1/zentravio.1.gz ./usr/share/doc/zentravio/copyright \
         ./usr/share/doc/zentravio/changelog.gz; do
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
# Debian's own check of the package: any error or warning fails.
lintian --fail-on error,warning --tag-display-limit 0 "$deb" || fail "lintian found faults in the package"
echo "installed and packaged: $deb"
echo "depends: $depends"
