#!/usr/bin/env bash
# Benchmark of folionix-cli against cat / cp (the cost of just moving the bytes) and img2pdf.
#
#   bench/cli-bench.sh [path/to/folionix-cli] [work folder]
#
# Defaults: build/ci/cli/folionix-cli (or $FOLIONIX_CLI) and /tmp/folionix-bench (the images
# take about 1.5 GB). Builds the test images once and keeps them for later runs.
#
# Cases: (a) 200 JPEGs of about 3 MB, (b) 5000 JPEGs of about 20 KB, each into one PDF and with
# --multiple; (c) one JPEG of about 200 MB, for peak memory. Every timing is the best of three
# runs with a warm cache, each into a new folder after a sync; peak memory is the maximum resident
# set size from /usr/bin/time -v. Needs about 7 GB free in the work folder while it runs, and
# writes to /dev/shm (see Measuring).
# File names are passed as separate arguments (5000 of them in case b).
#
# Where strace and bench/replay_io (built with the CLI) are there, each CLI row is followed by the
# floor its I/O pattern sets: the run's file system calls alone, recorded and replayed.
#
# Targets: (a) single PDF within 1.4x of cat; (b) at most 30 us per image more than cat and at
# least 10x faster than img2pdf; --multiple within 1.4x of cp; peak memory under 10 MiB; the
# default (conforming) mode at most 1.1x the time of --as-window (the window's bytes).
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
cli=${1:-${FOLIONIX_CLI:-$repo/build/ci/cli/folionix-cli}}
work=${2:-/tmp/folionix-bench}
cli=$(realpath "$cli")
[[ -x $cli ]] || { echo "folionix-cli not found at $cli (build it, or pass its path)" >&2; exit 2; }
for tool in /usr/bin/convert cjpeg img2pdf /usr/bin/time bc; do
    command -v "$tool" >/dev/null || { echo "missing: $tool (scripts/install-deps.sh --test)" >&2; exit 2; }
done
runs=${RUNS:-3}

mkdir -p "$work"
cd "$work"

# --- Images -------------------------------------------------------------------------------------
make_set() { # folder count distinct width height quality
    local folder=$1 count=$2 distinct=$3 width=$4 height=$5 quality=$6
    if [[ -f $folder/.done ]]; then return; fi
    rm -rf "$folder" && mkdir -p "$folder"
    for ((i = 0; i < distinct; i++)); do
        /usr/bin/convert -size "${width}x${height}" -seed "$i" xc: +noise Random \
            -density 300 -units PixelsPerInch -quality "$quality" "$folder/seed$i.jpg"
    done
    for ((i = 0; i < count; i++)); do
        cp "$folder/seed$((i % distinct)).jpg" "$folder/$(printf 'img%05d.jpg' "$i")"
    done
    rm -f "$folder"/seed*.jpg
    touch "$folder/.done"
}
echo "Preparing images in $work ..."
make_set large 200 8 1500 1150 92
make_set small 5000 50 125 92 90
if [[ ! -f huge/.done ]]; then
    rm -rf huge && mkdir -p huge
    # Random pixels compress badly, which is what gives a JPEG of about 200 MB.
    { printf 'P6\n10000 10000\n255\n'; head -c $((10000 * 10000 * 3)) /dev/urandom; } |
        cjpeg -quality 100 >huge/huge.jpg
    touch huge/.done
fi

# --- Measuring ----------------------------------------------------------------------------------
# Every run writes into a folder of its own, after a sync, so that no run pays for the writeback
# of the one before. Two effects of the machine would otherwise swamp the tools' own costs:
# - In a virtual machine, memory the guest has not touched lately may have been handed back to
#   the host, and the first touch of each such page is slow (seen here: 600 MB written in 1.6 s
#   instead of 0.18 s). Before each run a file the size of the output is written to and removed
#   from /dev/shm, so every tool writes into memory the host has just backed.
# - Without a journal, ext4 passes over every inode freed in the last minutes each time it
#   allocates one, so deleting thousands of files just before creating thousands more slows the
#   next tool (seen here: cp of the 5000 files in 1.1 s instead of 0.16 s). Outputs of more than
#   two files are therefore kept until the end, and a second run of this script should wait
#   some minutes after the first.
runs_root=$work/runs
rm -rf "$runs_root"
mkdir -p "$runs_root"
run_number=0
best_seconds=0
peak_kib=0
warm_mib=256
warm_memory() {
    if [[ -d /dev/shm ]]; then
        head -c "${warm_mib}M" /dev/zero >/dev/shm/folionix-bench-warm
        rm -f /dev/shm/folionix-bench-warm
    fi
}
# measure COMMAND...: best wall time of $runs runs and the peak RSS. Arguments equal to @OUT@
# become the run's own output folder, and @OUT@/NAME a file in it.
measure() {
    best_seconds=999999
    peak_kib=0
    # One run to warm the cache, then the timed ones.
    for ((r = -1; r < runs; r++)); do
        run_number=$((run_number + 1))
        local out=$runs_root/$run_number
        mkdir -p "$out"
        local args=("${@//@OUT@/$out}")
        sync
        warm_memory
        local start end seconds
        start=$EPOCHREALTIME
        /usr/bin/time -v -o "$work/time.txt" "${args[@]}" >/dev/null 2>"$work/stderr.txt" ||
            { echo "failed: ${args[*]} (see $work/stderr.txt)" >&2; cat "$work/stderr.txt" >&2; exit 1; }
        end=$EPOCHREALTIME
        if (($(find "$out" -type f | wc -l) <= 2)); then rm -rf "$out"; fi
        if ((r < 0)); then continue; fi
        seconds=$(echo "$end - $start" | bc -l)
        if (($(echo "$seconds < $best_seconds" | bc -l))); then best_seconds=$seconds; fi
        local kib
        kib=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time.txt")
        if ((kib > peak_kib)); then peak_kib=$kib; fi
    done
    return 0
}

printf '\n%-44s %10s %10s %12s\n' "case" "seconds" "ratio" "peak RSS MiB"
row() { # label seconds reference-seconds kib (- for none)
    if [[ $4 == - ]]; then
        printf '%-44s %10.3f %10s %12s\n' "$1" "$2" "$3" -
    else
        printf '%-44s %10.3f %10s %12.1f\n' "$1" "$2" "$3" "$(echo "$4 / 1024" | bc -l)"
    fi
}

# The floor of the I/O pattern: the CLI's run recorded with strace once, then its file system
# calls alone replayed by bench/replay_io, best of $runs, under the same conditions as measure.
replay_io=${REPLAY_IO:-$(dirname "$cli")/../bench/replay_io}
floor_seconds=
io_floor() { # CLI-ARGUMENTS...: sets floor_seconds, or leaves it empty without strace/replay_io
    floor_seconds=
    if ! command -v strace >/dev/null || [[ ! -x $replay_io ]]; then return 0; fi
    run_number=$((run_number + 1))
    local recorded=$runs_root/$run_number
    mkdir -p "$recorded"
    strace -o "$work/trace.log" "$cli" "$@" -o "$recorded" "${files[@]}" >/dev/null 2>&1
    local best=999999
    for ((r = 0; r < runs; r++)); do
        run_number=$((run_number + 1))
        local out=$runs_root/$run_number
        mkdir -p "$out"
        sync
        warm_memory
        local seconds
        seconds=$("$replay_io" "$work/trace.log" "$recorded" "$out" | awk '{print $3}')
        if (($(echo "$seconds < $best" | bc -l))); then best=$seconds; fi
        if (($(find "$out" -type f | wc -l) <= 2)); then rm -rf "$out"; fi
    done
    rm -f "$work/trace.log"
    floor_seconds=$best
}

run_case() { # name folder
    local name=$1 folder=$2
    mapfile -t files < <(cd "$folder" && ls img*.jpg huge.jpg 2>/dev/null | sort)
    local n=${#files[@]}
    warm_mib=$(($(du -sm "$folder" | cut -f1) * 3 / 2 + 64))
    cd "$folder"

    measure sh -c 'cat "$@" > "$0"' "@OUT@/cat.pdf" "${files[@]}"
    local cat_s=$best_seconds
    row "$name: cat (single)" "$cat_s" "1.00" "$peak_kib"

    measure "$cli" -o "@OUT@" "${files[@]}"
    local cli_s=$best_seconds cli_kib=$peak_kib
    row "$name: folionix-cli (single PDF)" "$cli_s" "$(printf '%.2f' "$(echo "$cli_s / $cat_s" | bc -l)")" "$cli_kib"
    printf '%-44s %10.1f us per image over cat\n' "" "$(echo "($cli_s - $cat_s) * 1000000 / $n" | bc -l)"
    measure "$cli" --as-window -o "@OUT@" "${files[@]}"
    local window_s=$best_seconds
    row "$name: folionix-cli --as-window (single)" "$window_s" "$(printf '%.2f' "$(echo "$window_s / $cat_s" | bc -l)")" "$peak_kib"
    printf '%-44s %10.2fx the --as-window time (default mode)\n' "" "$(echo "$cli_s / $window_s" | bc -l)"
    io_floor
    if [[ -n $floor_seconds ]]; then
        row "$name: its system calls alone" "$floor_seconds" "$(printf '%.2f' "$(echo "$floor_seconds / $cat_s" | bc -l)")" -
        printf '%-44s %10.1f us per image over cat\n' "" "$(echo "($floor_seconds - $cat_s) * 1000000 / $n" | bc -l)"
    fi

    if ((n > 1)); then
        measure img2pdf -o "@OUT@/img2pdf.pdf" "${files[@]}"
        local img_s=$best_seconds
        row "$name: img2pdf (single PDF)" "$img_s" "$(printf '%.2f' "$(echo "$img_s / $cat_s" | bc -l)")" "$peak_kib"
        printf '%-44s %10.1fx faster than img2pdf\n' "" "$(echo "$img_s / $cli_s" | bc -l)"
    fi

    measure cp "${files[@]}" "@OUT@/"
    local cp_s=$best_seconds
    row "$name: cp (multiple)" "$cp_s" "1.00" "$peak_kib"

    measure "$cli" --multiple -o "@OUT@" "${files[@]}"
    local multi_s=$best_seconds
    row "$name: folionix-cli --multiple" "$multi_s" "$(printf '%.2f' "$(echo "$multi_s / $cp_s" | bc -l)")" "$peak_kib"
    printf '%-44s %10.1f us per image over cp\n' "" "$(echo "($multi_s - $cp_s) * 1000000 / $n" | bc -l)"
    measure "$cli" --as-window --multiple -o "@OUT@" "${files[@]}"
    local window_multi_s=$best_seconds
    row "$name: folionix-cli --as-window --multiple" "$window_multi_s" "$(printf '%.2f' "$(echo "$window_multi_s / $cp_s" | bc -l)")" "$peak_kib"
    printf '%-44s %10.2fx the --as-window time (default mode)\n' "" "$(echo "$multi_s / $window_multi_s" | bc -l)"
    io_floor --multiple
    if [[ -n $floor_seconds ]]; then
        row "$name: its system calls alone" "$floor_seconds" "$(printf '%.2f' "$(echo "$floor_seconds / $cp_s" | bc -l)")" -
    fi
    cd "$work"
}

run_case "a: 200 x $(du -k large/img00000.jpg | cut -f1) KiB" "$work/large"
run_case "b: 5000 x $(du -k small/img00000.jpg | cut -f1) KiB" "$work/small"
run_case "c: 1 x $(du -m huge/huge.jpg | cut -f1) MiB" "$work/huge"
rm -rf "$runs_root"
