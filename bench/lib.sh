# Helpers for the benchmark scripts. Each bench/*.sh is sourced by bench/run.sh with
# BUILD set, and prints rows with `row NAME VALUE UNIT [NOTE]`.

QEVOS="$BUILD/bin/qevos"
BENCH_IMAGES="$BUILD/bench/image"

row() {
    printf '  %-58s %14s %-14s %s\n' "$1" "$2" "$3" "${4:-}"
}

# instructions IMAGE ARGS...: the guest instructions of one whole run.
instructions() {
    local line
    line=$("$QEVOS" run --count-instructions "$@" 2>&1 >/dev/null | grep '^qevos: instructions:') ||
        { echo "bench: $* did not run" >&2; return 1; }
    echo "${line##* }"
}

# per_call N IMAGE ARGS...: (cost of N calls - cost of none) / N, with two decimals.
# The image takes the number of calls as its first argument.
per_call() {
    local n=$1 image=$2
    shift 2
    local with without
    with=$(instructions "$image" "$n" "$@") || return 1
    without=$(instructions "$image" 0 "$@") || return 1
    awk -v a="$with" -v b="$without" -v n="$n" 'BEGIN { printf "%.2f", (a - b) / n }'
}

# median_ms RUNS COMMAND...: median wall time of whole-process runs, in milliseconds.
median_ms() {
    local runs=$1
    shift
    local times=()
    for ((k = 0; k < runs; k++)); do
        local t0 t1
        t0=${EPOCHREALTIME/[.,]/}
        "$@" >/dev/null 2>&1
        t1=${EPOCHREALTIME/[.,]/}
        times+=($((t1 - t0)))
    done
    printf '%s\n' "${times[@]}" | sort -n |
        awk '{ v[NR] = $1 } END { m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.2f", m / 1000 }'
}
