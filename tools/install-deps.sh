#!/bin/sh
# Installs the Debian packages the build, the tests and the screenshots need, and only those
# that are missing, so that a second run costs nothing. `install-deps.sh fuzz` also installs clang and
# its libFuzzer runtime, which only `make fuzz` needs.
set -e
packages="g++ tzdata cmake ninja-build pkg-config qt6-base-dev libgl-dev libsqlite3-dev sqlite3 libical-dev libbenchmark-dev xvfb xauth xdotool xclip imagemagick fonts-wine librsvg2-bin desktop-file-utils appstream dpkg-dev file dbus-daemon libcanberra0 sound-theme-freedesktop python3-icalendar python3-vobject qt6-base-private-dev lintian radicale xandikos python3-caldav qtkeychain-qt6-dev openbox openssl davical postgresql apache2 libapache2-mod-php cyrus-imapd cyrus-caldav sasl2-bin python3-recurring-ical-events"
[ "$1" = "fuzz" ] && packages="$packages clang libclang-rt-dev"
missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing
