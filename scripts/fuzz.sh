#!/usr/bin/env bash
# Fuzzes the three image header readers and the header read that gathers their facts (fuzz_jpeg,
# fuzz_jp2, fuzz_j2k; bytes fed straight from memory), and the whole pipeline from a listed file
# to a checked document (fuzz_pipeline, in a scratch folder), with libFuzzer under
# AddressSanitizer + UndefinedBehaviorSanitizer. The readers start from the fixture seeds; the
# pipeline from the minimised corpus in fuzz/corpus/pipeline, with the dictionary of markers and
# box types in fuzz/pipeline.dict.
#
#   scripts/fuzz.sh --smoke         build the fuzz preset, run each target for 20 seconds
#   scripts/fuzz.sh --seconds N     run each target for N seconds (default 300)
#
# Fails on any crash, leak, timeout (5 s per input) or memory use above 2 GiB, leaving the
# offending input in <build>/artifacts. The corpus grows in <build>/corpus/<target>, and
# `fuzz_replay jpeg=<build>/corpus/jpeg ...` replays it in an ordinary build.
# FUZZ_BUILD_DIR chooses the build folder (default build/fuzz).
# Without clang-14 and its libFuzzer runtime (libclang-rt-14-dev) it says so and exits 0.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=300
while (($# > 0)); do
    case "$1" in
    --smoke) seconds=20 ;;
    --seconds)
        seconds="${2:?--seconds needs a number}"
        shift
        ;;
    *)
        echo "usage: scripts/fuzz.sh [--smoke | --seconds N]" >&2
        exit 2
        ;;
    esac
    shift
done

if ! command -v clang++-14 >/dev/null 2>&1; then
    echo "fuzz: clang++-14 is missing (apt-get install clang-14 libclang-rt-14-dev); skipped"
    exit 0
fi
runtime=$(clang++-14 -print-file-name=libclang_rt.fuzzer-x86_64.a)
if [[ ! -f "$runtime" ]]; then
    echo "fuzz: the libFuzzer runtime is missing (apt-get install libclang-rt-14-dev); skipped"
    exit 0
fi

build_dir="${FUZZ_BUILD_DIR:-build/fuzz}"
cmake --preset fuzz -B "$build_dir" >/dev/null
cmake --build "$build_dir" -j "$(nproc)" --target fuzz_jpeg fuzz_jp2 fuzz_j2k fuzz_pipeline \
    fuzz_make_seeds

seeds="$build_dir/seeds"
"$build_dir/fuzz/fuzz_make_seeds" "$seeds"
mkdir -p "$build_dir/artifacts"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:symbolize=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
for target in jpeg jp2 j2k pipeline; do
    corpus="$build_dir/corpus/$target"
    log="$build_dir/fuzz_$target.log"
    mkdir -p "$corpus"
    seed_folder="$seeds/$target"
    options=()
    if [[ $target == pipeline ]]; then
        seed_folder=fuzz/corpus/pipeline
        options=(-dict=fuzz/pipeline.dict)
    fi
    echo "== fuzz_$target for ${seconds}s"
    # The first folder takes what the fuzzer finds; the seed folder is only read.
    if ! "$build_dir/fuzz/fuzz_$target" -max_total_time="$seconds" -rss_limit_mb=2048 \
        -timeout=5 -max_len=4096 -print_final_stats=1 "${options[@]}" \
        -artifact_prefix="$build_dir/artifacts/$target-" "$corpus" "$seed_folder" \
        >"$log" 2>&1; then
        echo "fuzz_$target FAILED (log: $log):"
        tail -n 60 "$log"
        exit 1
    fi
    runs=$(awk '/stat::number_of_executed_units/ {print $2}' "$log")
    rate=$(awk '/stat::average_exec_per_sec/ {print $2}' "$log")
    echo "fuzz_$target: $runs executions ($rate/s), corpus of $(find "$corpus" -type f | wc -l)" \
        "inputs; no crash, leak or timeout"
done
