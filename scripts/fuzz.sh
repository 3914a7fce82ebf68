#!/usr/bin/env bash
# Builds the fuzz targets of the two file readers ("Pimo.txt" and "Fname.txt") with the release's
# clang (14 on Debian 12, 19 on Debian 13) and runs both at once, each for the given number of
# seconds (default 600). New inputs collect in the build folder and carry over to the next run; a
# crashing input is saved there too.
#   scripts/fuzz.sh [seconds]
# KAZOE_FUZZ_BUILD_DIR picks the build folder (default: build-fuzz in the checkout).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

seconds="${1:-600}"
kazoe_install $KAZOE_BUILD_PACKAGES $(kazoe_clang_packages)
clang="$(kazoe_clang_version)"
build="${KAZOE_FUZZ_BUILD_DIR:-$KAZOE_ROOT/build-fuzz}"
CC=clang-$clang CXX=clang++-$clang cmake -S "$KAZOE_ROOT" -B "$build" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKAZOE_SANITIZE=ON -DKAZOE_FUZZ=ON >/dev/null
cmake --build "$build" --target fuzz_settings_file fuzz_selection_file

fuzz_dir="$build/tests/fuzz"
seeds="$KAZOE_ROOT/tests/fuzz"
run_one() {
    local name="$1" corpus="$2" work="$fuzz_dir/${1}_long"
    mkdir -p "$work" "$work-artifacts"
    "$fuzz_dir/$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 -max_len=4096 \
        -print_final_stats=1 -dict="$seeds/$corpus.dict" -artifact_prefix="$work-artifacts/" \
        "$work" "$seeds/corpus/$corpus" >"$fuzz_dir/$name.log" 2>&1
}

kazoe_say "fuzzing both readers for $seconds s; logs in $fuzz_dir"
status=0
run_one fuzz_settings_file settings &
settings_pid=$!
run_one fuzz_selection_file selection &
selection_pid=$!
wait "$settings_pid" || status=1
wait "$selection_pid" || status=1

for name in fuzz_settings_file fuzz_selection_file; do
    echo "== $name"
    # The last progress line (executions, cov, ft, corpus) and the final statistics.
    grep -E '^#[0-9]+' "$fuzz_dir/$name.log" | tail -n 1 || true
    grep -E '^stat::|ERROR|property broken' "$fuzz_dir/$name.log" || true
    echo "corpus: $(find "$fuzz_dir/${name}_long" -type f | wc -l) files"
done
if [ "$status" -ne 0 ]; then
    kazoe_say "a fuzzer found a fault; the input is in $fuzz_dir/*_long-artifacts/"
    kazoe_say "after fixing it, add a minimised input to tests/fuzz/corpus: <fuzzer> -merge=1 <fresh folder> <seeds> <found>"
fi
exit "$status"
