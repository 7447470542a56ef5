#!/usr/bin/env bash
# Benchmark of folionix-cli against cat / cp (the cost of just moving the bytes) and img2pdf.
#
#   bench/cli-bench.sh [path/to/folionix-cli] [work folder]
#
# Defaults: build/release/cli/folionix-cli (or $FOLIONIX_CLI) and /tmp/folionix-bench (needs
# about 1.5 GB). Builds the test images once and keeps them for later runs.
#
# Cases: (a) 200 JPEGs of about 3 MB, (b) 5000 JPEGs of about 20 KB, each into one PDF and with
# --multiple; (c) one JPEG of about 200 MB, for peak memory. Every timing is the best of three
# runs with a warm cache; peak memory is the maximum resident set size from /usr/bin/time -v.
# File names are passed as separate arguments (5000 of them in case b).
#
# Targets: (a) single PDF within 1.4x of cat; (b) at most 30 us per image more than cat and at
# least 10x faster than img2pdf; --multiple within 1.4x of cp; peak memory under 10 MiB.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
cli=${1:-${FOLIONIX_CLI:-$repo/build/release/cli/folionix-cli}}
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
best_seconds=0
peak_kib=0
# measure LABEL CLEANUP-COMMAND -- COMMAND...: best wall time of $runs runs and the peak RSS.
measure() {
    local cleanup=$1
    shift
    best_seconds=999999
    peak_kib=0
    # One run to warm the cache, then the timed ones.
    for ((r = -1; r < runs; r++)); do
        eval "$cleanup"
        local start end seconds
        start=$EPOCHREALTIME
        /usr/bin/time -v -o "$work/time.txt" "$@" >/dev/null 2>"$work/stderr.txt" ||
            { echo "failed: $* (see $work/stderr.txt)" >&2; cat "$work/stderr.txt" >&2; exit 1; }
        end=$EPOCHREALTIME
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
row() { # label seconds reference-seconds kib
    printf '%-44s %10.3f %10s %12.1f\n' "$1" "$2" "$3" "$(echo "$4 / 1024" | bc -l)"
}

run_case() { # name folder
    local name=$1 folder=$2 tag=$3
    mapfile -t files < <(cd "$folder" && ls img*.jpg huge.jpg 2>/dev/null | sort)
    local n=${#files[@]}
    local out=$work/out-$tag
    mkdir -p "$out"
    cd "$folder"

    measure "rm -f $out/*" sh -c 'cat "$@" > "$0"' "$out/cat.pdf" "${files[@]}"
    local cat_s=$best_seconds
    row "$name: cat (single)" "$cat_s" "1.00" "$peak_kib"

    measure "rm -f $out/*" "$cli" -o "$out" "${files[@]}"
    local cli_s=$best_seconds cli_kib=$peak_kib
    row "$name: folionix-cli (single PDF)" "$cli_s" "$(printf '%.2f' "$(echo "$cli_s / $cat_s" | bc -l)")" "$cli_kib"
    printf '%-44s %10.1f us per image over cat\n' "" "$(echo "($cli_s - $cat_s) * 1000000 / $n" | bc -l)"

    measure "rm -f $out/*" img2pdf -o "$out/img2pdf.pdf" "${files[@]}"
    local img_s=$best_seconds
    row "$name: img2pdf (single PDF)" "$img_s" "$(printf '%.2f' "$(echo "$img_s / $cat_s" | bc -l)")" "$peak_kib"
    printf '%-44s %10.1fx faster than img2pdf\n' "" "$(echo "$img_s / $cli_s" | bc -l)"

    measure "rm -f $out/*" cp "${files[@]}" "$out/"
    local cp_s=$best_seconds
    row "$name: cp (multiple)" "$cp_s" "1.00" "$peak_kib"

    measure "rm -f $out/*" "$cli" --multiple -o "$out" "${files[@]}"
    local multi_s=$best_seconds
    row "$name: folionix-cli --multiple" "$multi_s" "$(printf '%.2f' "$(echo "$multi_s / $cp_s" | bc -l)")" "$peak_kib"
    printf '%-44s %10.1f us per image over cp\n' "" "$(echo "($multi_s - $cp_s) * 1000000 / $n" | bc -l)"
    cd "$work"
    rm -rf "$out"
}

run_case "a: 200 x $(du -k large/img00000.jpg | cut -f1) KiB" "$work/large" a
run_case "b: 5000 x $(du -k small/img00000.jpg | cut -f1) KiB" "$work/small" b

huge_out=$work/out-huge
mkdir -p "$huge_out"
cd "$work/huge"
measure "rm -f $huge_out/*" sh -c 'cat "$@" > "$0"' "$huge_out/cat.pdf" huge.jpg
cat_s=$best_seconds
row "c: 1 x $(du -m huge.jpg | cut -f1) MiB: cat" "$cat_s" "1.00" "$peak_kib"
measure "rm -f $huge_out/*" "$cli" -o "$huge_out" huge.jpg
row "c: folionix-cli (single PDF)" "$best_seconds" "$(printf '%.2f' "$(echo "$best_seconds / $cat_s" | bc -l)")" "$peak_kib"
measure "rm -f $huge_out/*" "$cli" --multiple -o "$huge_out" huge.jpg
row "c: folionix-cli --multiple" "$best_seconds" "" "$peak_kib"
rm -rf "$huge_out"
