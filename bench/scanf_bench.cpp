// Scans "  -42 17 ff" with "%d %u %x" N times (N is the first argument), so the
// cost of one call is the difference of two runs divided by N. The exit status
// says whether every call stored the right values.
#include <stdio.h>

#include "bench.h"

int main(int argc, char **argv) {
    const uint32_t n = bench::count_arg(argc, argv);
    uint32_t wrong = 0;
    for (uint32_t i = 0; i < n; ++i) {
        int d = 0, u = 0, x = 0;
        const int stored = sscanf("  -42 17 ff", "%d %u %x", &d, &u, &x);
        wrong += stored != 3 || d != -42 || u != 17 || x != 255;
    }
    return wrong == 0 ? 0 : 1;
}
