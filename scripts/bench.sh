#!/usr/bin/env bash
# Measures the game as a child and an old school PC meet it, side by side with a floor program
# (the least a Qt Widgets program does to show a picture full screen), prints the table and
# writes it with the machine and the date into docs/benchmarks.md.
#
# It installs what is missing, builds the game and the benchmarks in its own build folder
# (~/.cache/kazoemashou/bench), and runs everything on a private X screen (Xvfb, 1920 x 1080)
# and a private audio server with a silent output. About eight minutes after the build. The table
# of おまかせ's simulated children goes into docs/benchmarks.md and docs/omakase.md.
#
#   bash scripts/bench.sh         everything, written into docs/benchmarks.md
#   bash scripts/bench.sh sound   only the sound path (touch to sound, the first sound of a run,
#                                 the cost of waiting beside the floor): the table is printed and
#                                 docs/benchmarks.md left as it is. About seven minutes.
set -euo pipefail
only="${1:-}"
case "$only" in
"" | sound) ;;
*)
    echo "usage: bash scripts/bench.sh [sound]" >&2
    exit 2
    ;;
esac
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

kazoe_install $KAZOE_BUILD_PACKAGES $KAZOE_TEST_PACKAGES libbenchmark-dev libx11-dev libxext-dev \
    libxtst-dev
build="${XDG_CACHE_HOME:-$HOME/.cache}/kazoemashou/bench"
kazoe_build "$build" -DKAZOE_BENCH=ON -DBUILD_TESTING=OFF
ctest --test-dir "$build/bench" --output-on-failure --no-tests=error >/dev/null

bin="$build/bench"
game="$build/src/app/kazoemashou"
sounds="$KAZOE_ROOT/sounds"
work="$(mktemp -d)"
# Kept in the build folder after the run, so the page can be made again from them.
results="$build/results.txt"
drawing="$build/draw.json"
: >"$results"

# A private X screen of <width>x<height>, black until a window covers it, in place of the last.
xvfb=""
screen() {
    close_screen
    rm -f "$work/display"
    Xvfb -displayfd 3 -screen 0 "$1x24" -br -nolisten tcp -noreset 3>"$work/display" \
        >>"$work/xvfb.log" 2>&1 &
    xvfb=$!
    for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
    export DISPLAY=":$(cat "$work/display")"
}
close_screen() {
    [ -z "$xvfb" ] || { kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; }
    xvfb=""
}
# The size of a classroom monitor.
screen 1920x1080

# A private audio server whose only output is a null sink; parec listens to its monitor.
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
pulseaudio -D --exit-idle-time=-1 -n --load="module-null-sink sink_name=null" \
    --load=module-native-protocol-unix --log-target=stderr >/dev/null 2>&1 || true
finish() {
    pulseaudio --kill >/dev/null 2>&1 || true
    close_screen
    rm -rf "$work"
}
trap finish EXIT
for _ in $(seq 20); do pactl info >/dev/null 2>&1 && break; sleep 0.2; done

# The sample characters in folders of their own, each with the settings its measure needs.
pictures() {
    mkdir -p "$work/$1"
    cp "$KAZOE_ROOT"/data/*.gif "$work/$1/"
    [ -z "${2:-}" ] || printf '%s\r\n' "$2" >"$work/$1/Pimo.txt"
}
pictures plain
pictures touch "1,#FALSE#,#FALSE#,#FALSE#,#FALSE#,15,10,10"  # ten characters to catch a start
pictures question "4,#FALSE#,#FALSE#,#FALSE#,#FALSE#,15,1,1"  # catch one, and the question comes
floor_picture="$(ls "$work/plain/"*.gif | head -n 1)"

# Pictures are looked for below the tray (at most 374 pixels down at 1920 x 1080).
below=380
probe="$bin/kazoe_screen_probe"
note() { kazoe_say "$*"; }
# A start that goes wrong (the X server busy, say) loses its figures, not the whole run.
start_floor() {
    "$probe" startup "$1" $below "$sounds" "$bin/kazoe_floor" "$floor_picture" ||
        note "a start of the floor was lost"
}
start_game() {
    "$probe" startup "$1" $below "$sounds" "$game" "$work/plain" || note "a start of the game was lost"
}

printf 'load_average %s\n' "$(cut -d' ' -f1 /proc/loadavg)" >>"$results"

if [ -z "$only" ]; then
    note "start-up: the game and the floor, 20 starts each, in turn"
    start_floor warmup >/dev/null
    start_game warmup >/dev/null
    for i in $(seq 20); do
        if [ $((i % 2)) -eq 0 ]; then
            start_floor startup_floor >>"$results"
            start_game startup_game >>"$results"
        else
            start_game startup_game >>"$results"
            start_floor startup_floor >>"$results"
        fi
    done
fi

note "touch: 30 characters caught with the X pointer, then the first of 10 starts at once"
"$probe" touch 30 10 $below "$sounds" "$game" "$work/touch" >>"$results"
# Without the hop sound the sound of that first touch is the first sound of the run.
mkdir "$work/no-hop-sound"
cp "$sounds"/* "$work/no-hop-sound/"
rm "$work/no-hop-sound/ポコン.wav"
"$probe" first-touch 10 $below "$work/no-hop-sound" "$game" "$work/touch" >>"$results"

note "waiting: a character hopping with its sound at 1280 x 800, the game and the floor in turn"
screen 1280x800
# 30 s of a character hopping: <key> <program> [arguments...]. The tray ends above 280 pixels.
hop() {
    "$probe" idle "$1" 30 0 280 "$sounds" "${@:2}" >>"$results" || note "a measure of $1 was lost"
}
# The game and the floor that plays a QSoundEffect at each hop, in turn: <key> <round>
hop_pair() {
    local floor=("$bin/kazoe_floor_hops" "$floor_picture" "$sounds/ポコン.wav")
    printf 'load_average_waiting %s\n' "$(cut -d' ' -f1 /proc/loadavg)" >>"$results"
    if [ $(($2 % 2)) -eq 1 ]; then
        hop "$1" "$game" "$work/plain"
        hop "floor_$1" "${floor[@]}"
    else
        hop "floor_$1" "${floor[@]}"
        hop "$1" "$game" "$work/plain"
    fi
}
for i in 1 2 3; do hop_pair hopping $i; done
# With no audio server to talk to, both find no output.
for i in 1 2; do PULSE_SERVER=unix:/nonexistent/kazoe-no-pulse hop_pair silent_hopping $i; done
screen 1920x1080
if [ -n "$only" ]; then
    echo
    "$bin/kazoe_bench_report" "$results" /dev/null "$KAZOE_ROOT/bench/benchmarks.md.in" \
        "$build/benchmarks-$only.md"
    kazoe_say "only the sound path was measured: docs/benchmarks.md is left as it was"
    exit 0
fi

note "waiting: 30 s of a question waiting for a card"
"$probe" idle question 30 1 $below "$sounds" "$game" "$work/question" >>"$results"

note "1,000 rounds of simulated play"
(cd "$work" && QT_QPA_PLATFORM=offscreen "$bin/kazoe_bench_play" "$KAZOE_ROOT/data" 1000) \
    >>"$results"

note "a folder of 1,000 pictures"
(cd "$work" && "$bin/kazoe_bench_folder" "$KAZOE_ROOT/data" 1000 10) >>"$results" \
    2> >(grep -v 'does not support raise' >&2)

note "drawing a full frame"
(cd "$work" && "$bin/kazoe_bench_draw" "$KAZOE_ROOT/data" --benchmark_repetitions=10 --benchmark_min_time=0.3 \
    --benchmark_out="$drawing" --benchmark_out_format=json >/dev/null)

note "the record screen on 100,000 rounds over 50 children (the record is made on the first run)"
(cd "$work" && QT_QPA_PLATFORM=offscreen "$bin/kazoe_bench_record_screen" "$build/record-100000.sqlite") \
    >"$build/record_screen.txt"

note "おまかせ: the simulated children A to D, 200 rounds each, five seeds each"
(cd "$work" && QT_QPA_PLATFORM=offscreen "$bin/kazoe_bench_omakase" 200 5) >"$build/omakase.txt"

echo
"$bin/kazoe_bench_report" "$results" "$drawing" "$KAZOE_ROOT/bench/benchmarks.md.in" \
    "$KAZOE_ROOT/docs/benchmarks.md"
# The table of おまかせ: at the end of the page, and in docs/omakase.md between its two marks.
{
    printf '\n## おまかせ: the simulated children\n\nSee [omakase.md](omakase.md) for the children and the rules. '
    cat "$build/omakase.txt"
} >>"$KAZOE_ROOT/docs/benchmarks.md"
awk -v table="$build/omakase.txt" '
    /^<!-- end of omakase table -->/ { skip = 0 }
    !skip { print }
    /^<!-- omakase table -->/ { while ((getline line < table) > 0) print line; skip = 1 }
' "$KAZOE_ROOT/docs/omakase.md" >"$work/omakase.md" && cp "$work/omakase.md" "$KAZOE_ROOT/docs/omakase.md"
echo
cat "$build/record_screen.txt"
echo
cat "$build/omakase.txt"
kazoe_say "written to docs/benchmarks.md"
