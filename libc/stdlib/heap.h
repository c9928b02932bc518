// Internal to the stdlib area: the heap's high-water offset, whose address also
// seeds the pseudo-random generator.
#pragma once

#include <stdint.h>

namespace qevos::heap {

// Offset in the arena of the first byte not yet handed out; a multiple of 8.
extern uint32_t g_heap_used;

}  // namespace qevos::heap
