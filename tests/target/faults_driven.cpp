// Misbehaviour the kernel must survive, steered by the first argument.
#include <unistd.h>

#include "check.h"

namespace {

bool same(const char *a, const char *b) {
    while (*a != 0 && *a == *b) ++a, ++b;
    return *a == *b;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 2) return 99;
    const char *what = argv[1];
    if (same(what, "null-write")) *reinterpret_cast<volatile int *>(0) = 1;
    if (same(what, "code-write")) *reinterpret_cast<volatile unsigned char *>(&main) = 0x90;
    if (same(what, "rodata-exec")) {
        static const unsigned char ret[] = {0xC3};
        reinterpret_cast<void (*)()>(const_cast<unsigned char *>(ret))();
    }
    if (same(what, "loop")) {
        for (;;) asm volatile("");
    }
    if (same(what, "int3")) asm volatile("int3");
    if (same(what, "int81")) asm volatile("int $0x81");
    if (same(what, "ud2")) asm volatile("ud2");
    if (same(what, "divide")) {
        volatile int zero = 0;
        return 10 / zero;
    }
    if (same(what, "wild-write")) {
        // A pointer into nothing and a count far past the buffer: failures, not a
        // crash, and the image goes on.
        CHECK(write(1, reinterpret_cast<const void *>(0x10), 4) < 0);
        CHECK(write(1, reinterpret_cast<const void *>(0xFFFFFFF0u), 64) < 0);
        CHECK(write(1, "ok", 0x7fffffff) < 0);
        CHECK(read(0, reinterpret_cast<void *>(0x08049000), 4) < 0);  // code is not writable
        CHECK_EQ(write(1, "still here\n", 11), 11);
        return check::finish();
    }
    return 98;
}
