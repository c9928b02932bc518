// A generator never given a seed seeds itself once and then runs one ordinary
// sequence. Prints its first values on a line of their own, so that two runs can be
// compared from the host.
#include <stdint.h>
#include <stdlib.h>

#include "../../libc/stdlib/rand.h"
#include "check.h"

namespace {

constexpr int kCount = 8;

// The seeded state is hidden, but only 2^17 states give the first value: one of
// them must produce the rest, or rand was seeded again or stepped wrongly.
bool continues_one_sequence(const int (&values)[kCount]) {
    using namespace qevos::rand;
    for (uint32_t free_bits = 0; free_bits < (1u << 17); ++free_bits) {
        uint32_t state = (free_bits >> 16) << 31 | static_cast<uint32_t>(values[0]) << 16 |
                         (free_bits & 0xffffu);
        int i = 1;
        while (i < kCount && output(state = step(state)) == values[i]) ++i;
        if (i == kCount) return true;
    }
    return false;
}

}  // namespace

int main() {
    int values[kCount];
    for (int &v : values) v = rand();

    check::put("rand:");
    for (int v : values) {
        check::put(" ");
        check::put_unsigned(static_cast<uint32_t>(v));
    }
    check::put("\n");

    for (int v : values) CHECK(v >= 0 && v <= RAND_MAX);
    CHECK(continues_one_sequence(values));

    // srand replaces the self-chosen seed.
    srand(1);
    CHECK_EQ(rand(), 16838);
    CHECK_EQ(rand(), 5758);
    return check::finish();
}
