// Calls one operation N times (N is the first argument, 0 when absent): `strtod` of
// "3.14159e2" when the second argument is "strtod", `rand` after `srand` when it is
// "rand". The cost of one call is the difference of two runs divided by N. The exit
// status says whether every call gave what it should. Each loop is a function of its
// own, so its counter stays in a register the calls keep.
#include <stdlib.h>

#include "bench.h"

namespace {

bool same_text(const char *a, const char *b) {
    while (*a != 0 && *a == *b) ++a, ++b;
    return *a == *b;
}

[[gnu::noinline]] int bench_strtod(uint32_t calls) {
    static const char kText[] = "3.14159e2";
    char *end = nullptr;
    const double first = strtod(kText, &end);
    int wrong = end != kText + 9;
    for (uint32_t i = calls; i != 0; --i) wrong += strtod(kText, &end) != first;
    return wrong == 0 ? 0 : 1;
}

[[gnu::noinline]] int bench_rand(uint32_t calls) {
    srand(1);
    unsigned seen = 0;
    for (uint32_t i = calls; i != 0; --i) seen |= static_cast<unsigned>(rand());
    return seen <= RAND_MAX ? 0 : 1;
}

}  // namespace

int main(int argc, char **argv) {
    const uint32_t calls = bench::count_arg(argc, argv, 1);
    if (argc > 2 && same_text(argv[2], "strtod")) return bench_strtod(calls);
    if (argc > 2 && same_text(argv[2], "rand")) return bench_rand(calls);
    return 2;
}
