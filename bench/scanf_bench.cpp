// Scans "  -42 17 ff" with "%d %u %x" N times (N is the first argument, 0 when
// absent), so the cost of one call is the difference of two runs divided by N.
// The exit status says whether every call stored the right values.
#include <stdio.h>

namespace {

int parse_count(const char *s) {
    int n = 0;
    while (*s >= '0' && *s <= '9') n = n * 10 + (*s++ - '0');
    return n;
}

}  // namespace

int main(int argc, char **argv) {
    const int calls = argc > 1 ? parse_count(argv[1]) : 0;
    int wrong = 0;
    for (int i = 0; i < calls; ++i) {
        int d = 0, u = 0, x = 0;
        const int stored = sscanf("  -42 17 ff", "%d %u %x", &d, &u, &x);
        wrong += stored != 3 || d != -42 || u != 17 || x != 255;
    }
    return wrong == 0 ? 0 : 1;
}
