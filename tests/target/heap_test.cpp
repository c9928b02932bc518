// The heap in a fresh arena: where blocks land, what their size words hold, what
// calloc and realloc write, and requests that fail without taking anything.
#include "../../libc/stdlib/heap.h"

#include <errno.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "check.h"

namespace {

using qevos::heap::g_heap_used;

unsigned char *g_arena;  // where the first block starts: its payload minus 4

uint32_t offset_of(const void *payload) {
    return static_cast<uint32_t>(static_cast<const unsigned char *>(payload) - g_arena);
}

uint32_t size_word(const void *payload) { return static_cast<const uint32_t *>(payload)[-1]; }

// The heap never clears a payload or touches filler, and the space ahead of the
// high-water mark is zero in a fresh arena. Scribbling over it first shows which
// bytes a call writes.
unsigned char *scribble_ahead(uint32_t n) {
    unsigned char *ahead = g_arena + g_heap_used;
    memset(ahead, 0xAA, n);
    return ahead;
}

bool all_bytes(const void *p, unsigned char value, size_t n) {
    const unsigned char *b = static_cast<const unsigned char *>(p);
    for (size_t i = 0; i < n; ++i)
        if (b[i] != value) return false;
    return true;
}

void test_first_block() {
    CHECK_EQ(g_heap_used, 0u);
    void *first = malloc(0);
    g_arena = static_cast<unsigned char *>(first) - 4;
    CHECK_EQ(reinterpret_cast<uintptr_t>(g_arena) % 8, 0u);
    CHECK_EQ(size_word(first), 1u);
    CHECK_EQ(g_heap_used, 8u);
}

void test_block_lengths() {
    struct Case {
        size_t request;
        uint32_t want_size_word, want_used;
    };
    const Case cases[] = {
        {1, 1, 16},   {4, 4, 24},      {5, 5, 40},  {12, 12, 56},
        {13, 13, 80}, {100, 100, 184}, {0, 1, 192},
    };
    for (const Case &c : cases) {
        const uint32_t used_before = g_heap_used;
        void *p = malloc(c.request);
        CHECK_EQ(offset_of(p), used_before + 4);
        CHECK_EQ(reinterpret_cast<uintptr_t>(p) % 8, 4u);
        CHECK_EQ(size_word(p), c.want_size_word);
        CHECK_EQ(g_heap_used, c.want_used);
    }
}

void test_malloc_leaves_payload_alone() {
    unsigned char *ahead = scribble_ahead(16);
    void *p = malloc(9);
    CHECK_EQ(p, ahead + 4);
    CHECK(all_bytes(p, 0xAA, 12));
}

void test_calloc() {
    unsigned char *ahead = scribble_ahead(64);
    void *zero_count = calloc(0, 5);
    void *zero_size = calloc(3, 0);
    CHECK_EQ(zero_count, ahead + 4);
    CHECK_EQ(zero_size, ahead + 12);
    CHECK_EQ(size_word(zero_count), 1u);
    CHECK_EQ(size_word(zero_size), 1u);
    CHECK(all_bytes(zero_count, 0xAA, 4));
    CHECK(all_bytes(zero_size, 0xAA, 4));

    void *product = calloc(3, 5);
    CHECK_EQ(product, ahead + 20);
    CHECK_EQ(size_word(product), 15u);
    CHECK(all_bytes(product, 0, 15));
    CHECK_EQ(static_cast<unsigned char *>(product)[15], 0xAA);  // filler stays
    CHECK_EQ(g_heap_used, offset_of(ahead) + 40);
}

// Products that do not fit in 32 bits fail, also those that would wrap around to a
// small size that fits.
void test_calloc_overflow() {
    struct Case {
        size_t count, size;
    };
    const Case cases[] = {
        {65536, 65537}, {65536, 65536}, {2, 0x80000000u}, {0xffffffffu, 0xffffffffu}};
    for (const Case &c : cases) {
        const uint32_t used_before = g_heap_used;
        errno = 0;
        CHECK_EQ(calloc(c.count, c.size), nullptr);
        CHECK_EQ(errno, ENOMEM);
        CHECK_EQ(g_heap_used, used_before);
    }
}

void test_realloc() {
    void *fresh = realloc(nullptr, 7);
    CHECK_EQ(size_word(fresh), 7u);
    CHECK_EQ(offset_of(fresh) + 12, g_heap_used);

    char *ten = static_cast<char *>(malloc(10));
    memcpy(ten, "0123456789", 10);
    char *four = static_cast<char *>(realloc(ten, 4));
    CHECK(four != ten);
    CHECK_EQ(size_word(four), 4u);
    CHECK_MEM(four, "0123", 4);
    CHECK_MEM(ten, "0123456789", 10);

    unsigned char *ahead = scribble_ahead(24);
    char *twenty = static_cast<char *>(realloc(four, 20));
    CHECK_EQ(twenty, reinterpret_cast<char *>(ahead + 4));
    CHECK_EQ(size_word(twenty), 20u);
    CHECK_MEM(twenty, "0123", 4);
    CHECK(all_bytes(twenty + 4, 0xAA, 16));  // only the old size is copied
    CHECK_MEM(four, "0123", 4);

    char *same = static_cast<char *>(realloc(twenty, 20));
    CHECK(same != twenty);
    CHECK_MEM(same, "0123", 4);

    char *one = static_cast<char *>(realloc(ten, 0));
    CHECK_EQ(size_word(one), 1u);
    CHECK_EQ(one[0], '0');
    CHECK_EQ(g_heap_used, offset_of(one) + 4);
}

void test_free_takes_nothing_back() {
    char *p = static_cast<char *>(malloc(6));
    memcpy(p, "kept", 5);
    const uint32_t used_before = g_heap_used;
    free(nullptr);
    free(p);
    free(p);
    CHECK_EQ(g_heap_used, used_before);
    CHECK_STR(p, "kept");
    CHECK_EQ(size_word(p), 6u);
    CHECK_EQ(offset_of(malloc(0)), used_before + 4);
}

// None of these fit, those near 4 GiB whose block length would wrap around included.
void test_requests_too_big() {
    char *old = static_cast<char *>(malloc(4));
    memcpy(old, "old", 4);
    const uint32_t used_before = g_heap_used;
    const size_t sizes[] = {0x100000,    0x7fffffff,  0xfffffff4u, 0xfffffff5u,
                            0xfffffff8u, 0xfffffffcu, 0xffffffffu};
    for (size_t size : sizes) {
        errno = 0;
        CHECK_EQ(malloc(size), nullptr);
        CHECK_EQ(errno, ENOMEM);
        errno = 0;
        CHECK_EQ(realloc(old, size), nullptr);
        CHECK_EQ(errno, ENOMEM);
        errno = 0;
        CHECK_EQ(calloc(1, size), nullptr);
        CHECK_EQ(errno, ENOMEM);
        CHECK_EQ(g_heap_used, used_before);
    }
    CHECK_STR(old, "old");
    CHECK_EQ(size_word(old), 4u);

    // errno is never cleared: it still reads 12 after a request that succeeds.
    CHECK(malloc(1) != nullptr);
    CHECK_EQ(errno, ENOMEM);
}

}  // namespace

int main() {
    test_first_block();
    test_block_lengths();
    test_malloc_leaves_payload_alone();
    test_calloc();
    test_calloc_overflow();
    test_realloc();
    test_free_takes_nothing_back();
    test_requests_too_big();
    return check::finish();
}
