# Number parsing and the pseudo-random generator: guest instructions per call.
numbers="$BENCH_IMAGES/numbers_bench"
row 'strtod("3.14159e2", &end), per call (at most 300)' "$(per_call 10000 "$numbers" strtod)" instructions
row "rand() after srand, per call (at most 15)" "$(per_call 100000 "$numbers" rand)" instructions
