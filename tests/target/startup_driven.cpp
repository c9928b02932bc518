// Start-up and termination, steered by the first argument:
//   status N    return N from main (decimal, may be negative or above 2^31)
//   exit        exit(3) after registering a handler with atexit
//   abort       abort()
//   frame       report the count, the vector and the stack alignment at main
#include <stdint.h>
#include <stdlib.h>
#include <unistd.h>

#include "check.h"

namespace {

bool same(const char *a, const char *b) {
    while (*a != 0 && *a == *b) ++a, ++b;
    return *a == *b;
}

int32_t parse(const char *s) {
    const bool negative = *s == '-';
    if (negative) ++s;
    uint32_t v = 0;
    while (*s >= '0' && *s <= '9') v = v * 10 + static_cast<uint32_t>(*s++ - '0');
    return static_cast<int32_t>(negative ? 0 - v : v);
}

void handler() { write(1, "handler ran\n", 12); }

}  // namespace

// esp at main's entry, where the return address sits; it must be a multiple of 16.
// The compiler realigns main's own frame, so a two-instruction main records esp and
// hands the untouched stack to the real one.
extern "C" uintptr_t g_entry_sp;
uintptr_t g_entry_sp;
extern "C" int checked_main(int argc, char **argv);
asm(".text\n.globl main\nmain:\n    movl %esp, g_entry_sp\n    jmp checked_main\n");

extern "C" int checked_main(int argc, char **argv) {
    const uintptr_t entry_sp = g_entry_sp;
    if (argc == 0) {
        // A count of 0: the vector lies just above the count and starts with its null
        // entry.
        CHECK_EQ(reinterpret_cast<int *>(argv)[-1], 0);
        CHECK(argv[0] == nullptr);
        CHECK_EQ(entry_sp % 16, 0u);
        return check::finish();
    }
    if (argc < 2 || argv[1] == nullptr) return 99;
    if (same(argv[1], "status") && argc > 2) return parse(argv[2]);
    if (same(argv[1], "exit")) {
        CHECK_EQ(atexit(handler), 0);
        exit(3);
    }
    if (same(argv[1], "abort")) abort();
    if (same(argv[1], "frame")) {
        CHECK_EQ(reinterpret_cast<int *>(argv)[-1], argc);
        CHECK(argv[argc] == nullptr);
        CHECK_EQ(entry_sp % 16, 0u);
        return check::finish();
    }
    return 98;
}
