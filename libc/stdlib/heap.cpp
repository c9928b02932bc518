// A bump heap over one static arena. Every request takes fresh space behind the
// previous block and nothing is ever given back. A block is a size word (the bytes
// requested, 0 counted as 1) followed by the payload, padded to a multiple of 8; as
// blocks start on multiples of 8, every payload is 4 past one.
#include "heap.h"

#include <errno.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

namespace qevos::heap {

uint32_t g_heap_used = 0;

}  // namespace qevos::heap

namespace {

using qevos::heap::g_heap_used;

constexpr uint32_t arena_size = 0x100000;
constexpr uint32_t size_word_bytes = 4;

alignas(8) unsigned char g_heap[arena_size];

uint32_t size_word_for(size_t size) { return size == 0 ? 1 : size; }

[[gnu::noinline, gnu::cold]] void *out_of_memory() {
    errno = ENOMEM;
    return nullptr;
}

// Returns the payload, or null with errno set when the block does not fit. A size
// word too big for the arena is refused before the block length is formed, so a
// request near 4 GiB cannot wrap around into a small block.
void *carve(uint32_t size_word) {
    if (size_word > arena_size - size_word_bytes) return out_of_memory();
    const uint32_t used = g_heap_used;
    const uint32_t new_used = used + ((size_word + size_word_bytes + 7) & ~7u);
    if (new_used > arena_size) return out_of_memory();
    *reinterpret_cast<uint32_t *>(g_heap + used) = size_word;
    g_heap_used = new_used;
    return g_heap + used + size_word_bytes;
}

uint32_t size_word_of(const void *payload) {
    return *reinterpret_cast<const uint32_t *>(static_cast<const unsigned char *>(payload) -
                                               size_word_bytes);
}

}  // namespace

void *malloc(size_t size) { return carve(size_word_for(size)); }

void *calloc(size_t count, size_t size) {
    if (count == 0 || size == 0) return carve(1);
    const uint64_t product = static_cast<uint64_t>(count) * size;
    if (product > UINT32_MAX) return out_of_memory();
    void *payload = carve(static_cast<uint32_t>(product));
    if (payload != nullptr) memset(payload, 0, static_cast<size_t>(product));
    return payload;
}

// Always a new block: the old one keeps its contents and stays taken.
void *realloc(void *ptr, size_t size) {
    const uint32_t size_word = size_word_for(size);
    if (ptr == nullptr) return carve(size_word);
    const uint32_t old_size_word = size_word_of(ptr);
    void *payload = carve(size_word);
    if (payload == nullptr) return nullptr;
    memcpy(payload, ptr, old_size_word < size_word ? old_size_word : size_word);
    return payload;
}

void free(void *) {}
