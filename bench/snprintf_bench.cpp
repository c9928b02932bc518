// The buffer formatter on a mixed format: `snprintf_bench N` makes N calls with
// i = 0, 1, ... N - 1.
#include <stdio.h>

#include "bench.h"

namespace {

char g_out[256];

}  // namespace

int main(int argc, char **argv) {
    const uint32_t calls = bench::count_arg(argc, argv);
    for (uint32_t n = 0; n < calls; ++n) {
        const int i = static_cast<int>(n);
        bench::keep(
            snprintf(g_out, sizeof g_out, "%d %5s %x|%-8u|%.3d", i, "abc", i * 7, i, i & 7));
    }
    return 0;
}
