// Shared by the benchmark images: the call count from the command line, and a
// barrier that keeps the compiler from dropping or merging the measured calls.
#pragma once

#include <stdint.h>

namespace bench {

// argv[i] as a decimal count; 0 when absent or not a number.
inline uint32_t count_arg(int argc, char **argv, int i = 1) {
    if (argc <= i || argv[i] == nullptr) return 0;
    uint32_t n = 0;
    for (const char *p = argv[i]; *p >= '0' && *p <= '9'; ++p) n = n * 10 + static_cast<uint32_t>(*p - '0');
    return n;
}

template <class T>
inline void keep(T &&value) {
    asm volatile("" : : "g"(value) : "memory");
}

inline void clobber() { asm volatile("" : : : "memory"); }

}  // namespace bench
