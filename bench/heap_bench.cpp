// N calls of malloc(24), each taking a 32-byte block:
//   heap_bench N start   from a fresh arena
//   heap_bench N end     as the last N blocks of the arena, after one block that
//                        takes all the space in front of them
#include <stdlib.h>

#include "bench.h"

namespace {

constexpr uint32_t arena_size = 0x100000;
constexpr uint32_t block_length = 32;

bool is(const char *a, const char *b) {
    while (*a != 0 && *a == *b) ++a, ++b;
    return *a == *b;
}

}  // namespace

int main(int argc, char **argv) {
    const uint32_t n = bench::count_arg(argc, argv);
    const char *where = argc > 2 ? argv[2] : "";
    if (n > arena_size / block_length - 1) return 2;
    if (is(where, "end")) {
        // The filler block's payload runs up to the first of the N blocks.
        bench::keep(malloc(arena_size - n * block_length - 4));
    } else if (!is(where, "start")) {
        return 2;
    }
    for (uint32_t i = 0; i < n; ++i) {
        void *p = malloc(24);
        if (p == nullptr) return 1;
        bench::keep(p);
    }
    return 0;
}
