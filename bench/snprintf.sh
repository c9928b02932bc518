# The buffer formatter, in guest instructions: (N calls - none) / N over the
# arguments i, "abc", i * 7, i, i & 7 for i = 0 ... 999. Sourced by bench/run.sh.
row 'snprintf(buf, 256, "%d %5s %x|%-8u|%.3d", ...), i < 1000' \
    "$(per_call 1000 "$BENCH_IMAGES/snprintf_bench")" instr/call "at most 900"
