// Calls one operation N times: `strtod` of "3.14159e2", or `rand` after `srand`
// (the first argument names it, the second is N, 0 when absent), so the cost of one
// call is the difference of two runs divided by N. The exit status says whether
// every call gave what the first one did. Each loop is a function of its own, so its
// counter stays in a register the calls keep.
#include <stdlib.h>

namespace {

int parse_count(const char *s) {
    int n = 0;
    while (*s >= '0' && *s <= '9') n = n * 10 + (*s++ - '0');
    return n;
}

bool same_text(const char *a, const char *b) {
    while (*a != 0 && *a == *b) ++a, ++b;
    return *a == *b;
}

[[gnu::noinline]] int bench_strtod(int calls) {
    static const char kText[] = "3.14159e2";
    char *end = nullptr;
    const double first = strtod(kText, &end);
    int wrong = end != kText + 9;
    for (int i = 0; i < calls; ++i) wrong += strtod(kText, &end) != first;
    return wrong == 0 ? 0 : 1;
}

[[gnu::noinline]] int bench_rand(int calls) {
    srand(1);
    unsigned seen = 0;
    for (int i = calls; i != 0; --i) seen |= static_cast<unsigned>(rand());
    return seen <= RAND_MAX ? 0 : 1;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 2) return 2;
    const int calls = argc > 2 ? parse_count(argv[2]) : 0;
    if (same_text(argv[1], "strtod")) return bench_strtod(calls);
    if (same_text(argv[1], "rand")) return bench_rand(calls);
    return 2;
}
