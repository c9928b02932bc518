// N one-byte writes to descriptor 1: one service call each.
#include <unistd.h>

#include "bench.h"

int main(int argc, char **argv) {
    const uint32_t n = bench::count_arg(argc, argv);
    const char byte = '.';
    for (uint32_t i = 0; i < n; ++i) write(1, &byte, 1);
    return 0;
}
