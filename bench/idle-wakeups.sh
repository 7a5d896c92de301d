#!/bin/sh
# How often the resting program wakes and how much of a core it takes: the real program under Xvfb
# on a generated diary, first with the pointer resting on the main window's "Max" button (flat, with
# an edge only while hovered), then with the pointer on the empty desktop. Each figure is the median
# of ROUNDS rounds of SECONDS seconds; wake-ups are the voluntary context switches of all the
# program's threads. The button's pixels are compared between the two, to be sure it was hovered.
#
# Usage: bench/idle-wakeups.sh [BUILD_DIR] [SECONDS] [ROUNDS] [ENTRIES]
#        (defaults: build 10 3 1000; BUILD_DIR holds src/zentravio and tools/gendiary)
set -e
cd "$(dirname "$0")/.."
build=$(cd "${1:-build}" && pwd)
seconds=${2:-10}
rounds=${3:-3}
entries=${4:-1000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/data/Zentravio" "$work/config" "$work/run"
chmod 700 "$work/run"
"$build/tools/gendiary/zentravio-gendiary" "$work/data/Zentravio/Zentravio.vmr" "$entries" > /dev/null

cat > "$work/inner.sh" << 'INNER'
set -e
build=$1 seconds=$2 rounds=$3 work=$4
export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run
"$build/src/zentravio" &
pid=$!
tries=0
until main=$(xdotool search --onlyvisible --name '^Zentravio$' 2> /dev/null | head -n 1) && [ -n "$main" ]; do
    tries=$((tries + 1))
    [ $tries -lt 500 ] || { echo "the main window never showed" >&2; kill $pid; exit 1; }
    sleep 0.02
done
sleep 2 # let the start-up work settle

switches() { cat /proc/$pid/task/*/status | awk '/^voluntary_ctxt_switches/ { n += $2 } END { print n }'; }
ticks() { awk '{ print $14 + $15 }' /proc/$pid/stat; }
hz=$(getconf CLK_TCK)

# Prints "wake-ups per second" and "per cent of a core" for one resting period.
measure() {
    s0=$(switches) t0=$(ticks)
    sleep "$seconds"
    s1=$(switches) t1=$(ticks)
    echo "$(( (s1 - s0) / seconds )) $(awk -v t=$((t1 - t0)) -v hz=$hz -v s=$seconds 'BEGIN { printf "%.2f", 100 * t / hz / s }')"
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

for place in on-button elsewhere; do
    : > "$work/$place"
    round=0
    while [ $round -lt "$rounds" ]; do
        if [ $place = on-button ]; then
            # Arrive from outside, so that the button sees an entry, then rest on its middle. Qt drops
            # a move to where it last saw the pointer, so the entry is at a point of its own each round.
            xdotool mousemove 1000 750
            sleep 0.2
            xdotool mousemove --window "$main" $((240 + round)) 9
            sleep 0.05
            xdotool mousemove --window "$main" 247 11
        else
            xdotool mousemove 1000 750
        fi
        sleep 0.5
        measure >> "$work/$place"
        import -window root -crop 40x20+228+1 rgb:- | md5sum > "$work/$place.look"
        round=$((round + 1))
    done
    [ -z "$IDLE_DEBUG" ] || cat "$work/$place"
    wakes=$(cut -d' ' -f1 "$work/$place" | median)
    cpu=$(cut -d' ' -f2 "$work/$place" | median)
    echo "pointer $place: $wakes wake-ups/s, $cpu% of a core (median of $rounds x $seconds s)"
done
if cmp -s "$work/on-button.look" "$work/elsewhere.look"; then
    echo "the button never showed its hover look: the figures above are not of a hovered button" >&2
fi
kill $pid
INNER
xvfb-run -a -s "-screen 0 1024x768x24" sh "$work/inner.sh" "$build" "$seconds" "$rounds" "$work" 2>&1 |
    grep -v -E 'X11|XDG_RUNTIME'
