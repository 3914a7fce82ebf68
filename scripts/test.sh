#!/usr/bin/env bash
# Installs what is missing, builds the game and its tests twice, and runs every test through CTest
# in both builds: once as the game ships (gcc), once with AddressSanitizer, UndefinedBehavior-
# Sanitizer and LeakSanitizer (the release's clang: 14 on Debian 12, 19 on Debian 13), where any
# report fails the test, and where the two file readers are also fuzzed for a short while. The
# tests play real sounds into a silent audio server that this script starts and stops. Arguments go to both ctest runs (e.g. -R settings).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

kazoe_enable_contrib
kazoe_install $KAZOE_BUILD_PACKAGES $KAZOE_TEST_PACKAGES $(kazoe_clang_packages)
clang="$(kazoe_clang_version)"
build="${KAZOE_BUILD_DIR:-$KAZOE_ROOT/build}"
sanitized="${KAZOE_SANITIZED_BUILD_DIR:-$KAZOE_ROOT/build-sanitized}"
kazoe_build "$build"
CC=clang-$clang CXX=clang++-$clang kazoe_build "$sanitized" -DKAZOE_SANITIZE=ON -DKAZOE_FUZZ=ON

# A private audio server with a null sink, so sounds really play without a sound card.
audio_dir="$(mktemp -d)"
export XDG_RUNTIME_DIR="$audio_dir"
pulseaudio -D --exit-idle-time=-1 -n --load="module-null-sink sink_name=null" \
    --load=module-native-protocol-unix >/dev/null 2>&1 || true
stop_audio() { pulseaudio --kill >/dev/null 2>&1 || true; rm -rf "$audio_dir"; }
trap stop_audio EXIT
for _ in 1 2 3 4 5 6 7 8 9 10; do pactl info >/dev/null 2>&1 && break; sleep 0.2; done

# sway refuses to run as root: the Wayland test starts it as this unprivileged user.
if [ "$(id -u)" -eq 0 ]; then
    id kazoe-wayland >/dev/null 2>&1 ||
        useradd --system --user-group --home-dir /nonexistent --shell /usr/sbin/nologin kazoe-wayland
    export KAZOE_WAYLAND_USER=kazoe-wayland
fi

status=0
kazoe_say "tests of the game as it ships"
ctest --test-dir "$build" --output-on-failure --timeout 300 "$@" || status=1

kazoe_say "tests under the sanitizers"
# Any report ends the process with an error. The only leaks left out are those of system
# libraries that keep memory until the process ends (listed in the suppressions file). Those of
# Debian 13's Qt are known only by their whole stack, which the quick unwinder cannot follow
# through its libraries: there, each allocation's stack is taken the slow way.
unwind=""
[ "$(. /etc/os-release 2>/dev/null && echo "${VERSION_CODENAME:-}")" = bookworm ] ||
    unwind="fast_unwind_on_malloc=0:"
ASAN_SYMBOLIZER_PATH="/usr/lib/llvm-$clang/bin/llvm-symbolizer" \
ASAN_OPTIONS=${unwind}halt_on_error=1:abort_on_error=0:detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1 \
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
LSAN_OPTIONS="suppressions=$KAZOE_ROOT/tests/sanitizer/lsan.supp:print_suppressions=0" \
    ctest --test-dir "$sanitized" --output-on-failure --timeout 600 "$@" || status=1
exit $status
