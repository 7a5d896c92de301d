#!/bin/sh
# Starts the real program on a generated diary under Xvfb and reports what a user would feel:
# how soon the splash window is on screen, how much memory the running program holds, and how often
# it wakes while idle. Usage: tools/measure-start.sh [ENTRIES]   (after `make build`; default 100000)
set -e
cd "$(dirname "$0")/.."
entries=${1:-100000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/data/Zentravio" "$work/config" "$work/run"
chmod 700 "$work/run"
build/tools/gendiary/zentravio-gendiary "$work/data/Zentravio/Zentravio.vmr" "$entries" > /dev/null
cat > "$work/inner.sh" <<INNER
export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run
start=\$(date +%s%N)
build/src/zentravio &
pid=\$!
while ! xdotool search --name "Zentravio v1.2.2" > /dev/null 2>&1; do sleep 0.002; done
echo "splash on screen after \$(( (\$(date +%s%N) - start) / 1000000 )) ms with $entries entries"
sleep 6
grep -E 'VmRSS|VmHWM' /proc/\$pid/status
if command -v strace > /dev/null; then
    echo "idle wake-ups in 5 s:"
    timeout 5 strace -f -c -e trace=poll,ppoll -p \$pid 2>&1 | grep -E 'poll' || true
fi
kill \$pid
INNER
xvfb-run -a -s "-screen 0 1024x768x24" sh "$work/inner.sh" 2>&1 | grep -v -E 'X11|XDG_RUNTIME'
