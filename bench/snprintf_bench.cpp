// The buffer formatter on a mixed format: `snprintf_bench N` makes N calls with
// i = 0, 1, ... N - 1, so the cost of one call is the cost of N calls less the cost
// of none, divided by N.
#include <stdint.h>
#include <stdio.h>

namespace {

char g_out[256];

uint32_t parse_count(const char *text) {
    uint32_t count = 0;
    while (*text >= '0' && *text <= '9') count = count * 10 + static_cast<uint32_t>(*text++ - '0');
    return count;
}

}  // namespace

int main(int argc, char **argv) {
    const uint32_t calls = argc > 1 ? parse_count(argv[1]) : 0;
    for (uint32_t n = 0; n < calls; ++n) {
        const int i = static_cast<int>(n);
        snprintf(g_out, sizeof g_out, "%d %5s %x|%-8u|%.3d", i, "abc", i * 7, i, i & 7);
    }
    return 0;
}
