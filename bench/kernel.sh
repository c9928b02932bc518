# The kernel: start-up cost of a whole run, and the rate of service calls.
trivial="$BENCH_IMAGES/trivial_bench"
writes="$BENCH_IMAGES/writes_bench"
row "qevos run of a trivial image (median of 21, wall)" "$(median_ms 21 "$QEVOS" run "$trivial")" ms
ms=$(median_ms 5 "$QEVOS" run "$writes" 1000000)
row "1,000,000 one-byte writes to descriptor 1 (median of 5)" "$ms" ms
row "  emulated services per second (whole run)" \
    "$(awk -v ms="$ms" 'BEGIN { printf "%.2f", 1000000 / (ms / 1000) / 1e6 }')" "million/s"
row "guest instructions of a trivial run" "$(instructions "$trivial")" instructions
