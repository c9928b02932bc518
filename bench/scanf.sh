# Formatted input: the cost of one sscanf call, in guest instructions.
scanf_calls=10000
row "sscanf(\"  -42 17 ff\", \"%d %u %x\", ...) per call" \
    "$(per_call "$scanf_calls" "$BENCH_IMAGES/scanf_bench")" instructions \
    "at most 400; host C library, 32-bit: about 2,100"
