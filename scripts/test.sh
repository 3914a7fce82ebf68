#!/usr/bin/env bash
# Installs what is missing, builds the game and its tests, and runs every test through CTest.
# The tests play real sounds into a silent audio server that this script starts and stops.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

kazoe_install $KAZOE_BUILD_PACKAGES $KAZOE_TEST_PACKAGES
build="${KAZOE_BUILD_DIR:-$KAZOE_ROOT/build}"
kazoe_build "$build"

# A private audio server with a null sink, so sounds really play without a sound card.
audio_dir="$(mktemp -d)"
export XDG_RUNTIME_DIR="$audio_dir"
pulseaudio -D --exit-idle-time=-1 -n --load="module-null-sink sink_name=null" \
    --load=module-native-protocol-unix --log-target=stderr >/dev/null 2>&1 || true
stop_audio() { pulseaudio --kill >/dev/null 2>&1 || true; rm -rf "$audio_dir"; }
trap stop_audio EXIT
for _ in 1 2 3 4 5 6 7 8 9 10; do pactl info >/dev/null 2>&1 && break; sleep 0.2; done

ctest --test-dir "$build" --output-on-failure --timeout 300 "$@"
