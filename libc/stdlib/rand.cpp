// The pseudo-random generator: a 32-bit linear congruential generator with 15-bit
// results. A program that never calls srand still gets a sequence of its own: the
// first rand seeds the generator from the time-stamp counter and two addresses.
#include "rand.h"

#include <stdint.h>
#include <stdlib.h>

#include "heap.h"

namespace {

int g_rand_seeded;
uint32_t g_rand_state = 1;

// Kept out of line so that a seeded rand stays a handful of instructions; the
// caller passes the address of a local of its own frame.
[[gnu::noinline, gnu::cold]] int seed_and_step(uintptr_t local_address) {
    uint32_t low, high;
    asm volatile("rdtsc" : "=a"(low), "=d"(high));
    const uint32_t seed = qevos::rand::self_seed(
        low, high, local_address, reinterpret_cast<uintptr_t>(&qevos::heap::g_heap_used));
    g_rand_seeded = 1;
    g_rand_state = qevos::rand::step(seed);
    return qevos::rand::output(g_rand_state);
}

}  // namespace

void srand(unsigned int seed) {
    g_rand_seeded = 1;
    g_rand_state = seed != 0 ? seed : 1;
}

int rand() {
    if (g_rand_seeded == 0) [[unlikely]] {
        volatile char anchor = 0;
        return seed_and_step(reinterpret_cast<uintptr_t>(&anchor));
    }
    g_rand_state = qevos::rand::step(g_rand_state);
    return qevos::rand::output(g_rand_state);
}
