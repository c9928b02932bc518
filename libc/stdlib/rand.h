// Internal to the stdlib area: the pieces of the pseudo-random generator, reachable
// on their own so that the self-seeding can be checked without the time-stamp counter.
#pragma once

#include <stdint.h>

namespace qevos::rand {

// The 32-bit linear congruential step: the state that follows `state`.
constexpr uint32_t step(uint32_t state) { return state * 1103515245u + 12345u; }

// What `rand` returns for a state: its bits 16 to 30.
constexpr int output(uint32_t state) { return static_cast<int>((state >> 16) & 0x7fffu); }

// The lowbias32 integer hash: a bijection of 32-bit numbers that spreads every input
// bit over the whole result.
constexpr uint32_t lowbias32(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352du;
    x ^= x >> 15;
    x *= 0x846ca68bu;
    x ^= x >> 16;
    return x;
}

// The seed of a generator that was never given one, from the two halves of the
// time-stamp counter and two addresses; never 0, which is no state of its own.
constexpr uint32_t self_seed(uint32_t counter_low, uint32_t counter_high, uint32_t local_address,
                             uint32_t heap_address) {
    const uint32_t mixed = lowbias32(counter_low ^ (counter_high * 1664525u) ^ local_address ^
                                     heap_address ^ 0x9e3779b9u);
    return mixed != 0 ? mixed : 1;
}

}  // namespace qevos::rand
