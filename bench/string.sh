# String functions and the heap, in guest instructions: (N calls - none) / N, per
# byte for the string functions. Sourced by bench/run.sh.
strings="$BENCH_IMAGES/string_bench"
heap="$BENCH_IMAGES/heap_bench"

per_byte() {
    local calls=$1 bytes=$2 function=$3 cost
    cost=$(per_call "$calls" "$strings" "$function") || return 1
    awk -v c="$cost" -v b="$bytes" 'BEGIN { printf "%.2f", c / b }'
}

row "strlen of a 1,000-byte string" "$(per_byte 1000 1000 strlen)" instr/byte "at most 3"
row "strcmp of two equal 1,000-byte strings" "$(per_byte 1000 1000 strcmp)" instr/byte "at most 7"
row "memcpy of 4,096 bytes" "$(per_byte 250 4096 memcpy)" instr/byte "at most 4"
row "memset of 4,096 bytes" "$(per_byte 250 4096 memset)" instr/byte "at most 4"
row "malloc(24) from the start of the arena" "$(per_call 10000 "$heap" start)" instr/call "at most 30"
row "malloc(24) at the end of the arena" "$(per_call 10000 "$heap" end)" instr/call "at most 30"
