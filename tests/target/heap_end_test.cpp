// The end of the arena: the last bytes are handed out exactly, a request that does
// not fit fails with ENOMEM and changes nothing, and smaller ones still succeed.
#include <errno.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "../../libc/stdlib/heap.h"
#include "check.h"

namespace {

using qevos::heap::g_heap_used;

constexpr uint32_t arena_size = 0x100000;

// Each call, in order, on an arena with 16 bytes left.
struct Step {
    const char *label;
    void *(*request)();
    bool want_success;
    uint32_t want_used;
};

char *g_old;  // a block from before, which failed requests must leave alone

void *malloc_4() { return malloc(4); }
void *malloc_5() { return malloc(5); }
void *malloc_0() { return malloc(0); }
void *calloc_1_5() { return calloc(1, 5); }
void *calloc_0_0() { return calloc(0, 0); }
void *realloc_old_5() { return realloc(g_old, 5); }
void *realloc_null_0() { return realloc(nullptr, 0); }
void *strdup_hello() { return strdup("hello"); }
void *strndup_hello() { return strndup("hello", 5); }
void *strdup_empty() { return strdup(""); }

void test_last_bytes() {
    g_old = static_cast<char *>(malloc(arena_size - 16 - 4));
    CHECK_EQ(g_heap_used, arena_size - 16);
    memcpy(g_old, "old block", 10);

    const Step steps[] = {
        {"malloc(4) fits", malloc_4, true, arena_size - 8},
        {"malloc(5) needs 16", malloc_5, false, arena_size - 8},
        {"calloc(1, 5) needs 16", calloc_1_5, false, arena_size - 8},
        {"realloc to 5 needs 16", realloc_old_5, false, arena_size - 8},
        {"strdup needs 16", strdup_hello, false, arena_size - 8},
        {"strndup needs 16", strndup_hello, false, arena_size - 8},
        {"malloc(0) ends exactly at the end", malloc_0, true, arena_size},
        {"calloc(0, 0) needs 8", calloc_0_0, false, arena_size},
        {"malloc(0) needs 8", malloc_0, false, arena_size},
        {"realloc(null, 0) needs 8", realloc_null_0, false, arena_size},
        {"strdup of empty needs 8", strdup_empty, false, arena_size},
    };
    for (const Step &s : steps) {
        errno = 0;
        void *p = s.request();
        const bool ok = (p != nullptr) == s.want_success &&
                        errno == (s.want_success ? 0 : ENOMEM) && g_heap_used == s.want_used;
        CHECK_EQ(p != nullptr, s.want_success);
        CHECK_EQ(errno, s.want_success ? 0 : ENOMEM);
        CHECK_EQ(g_heap_used, s.want_used);
        if (!ok) {
            check::put("  in step: ");
            check::put(s.label);
            check::put("\n");
        }
    }
    CHECK_STR(g_old, "old block");
}

}  // namespace

int main() {
    test_last_bytes();
    return check::finish();
}
