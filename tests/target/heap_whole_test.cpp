// One request for the whole of a fresh arena: the largest that fits fills it
// exactly, one byte more fails and takes nothing.
#include <errno.h>
#include <stdint.h>
#include <stdlib.h>

#include "../../libc/stdlib/heap.h"
#include "check.h"

using qevos::heap::g_heap_used;

int main() {
    constexpr uint32_t arena_size = 0x100000;

    CHECK_EQ(malloc(arena_size - 3), nullptr);
    CHECK_EQ(errno, ENOMEM);
    CHECK_EQ(g_heap_used, 0u);

    errno = 0;
    unsigned char *whole = static_cast<unsigned char *>(malloc(arena_size - 4));
    CHECK(whole != nullptr);
    CHECK_EQ(errno, 0);
    CHECK_EQ(g_heap_used, arena_size);
    CHECK_EQ(reinterpret_cast<uintptr_t>(whole) % 8, 4u);
    // The last payload byte is the arena's last byte, and it is writable.
    whole[arena_size - 5] = 1;

    CHECK_EQ(malloc(0), nullptr);
    CHECK_EQ(errno, ENOMEM);
    CHECK_EQ(g_heap_used, arena_size);
    return check::finish();
}
