// Small stdlib utilities.
#include <stdlib.h>

// The negation wraps, so the most negative value comes back as it went in.
int abs(int v) { return v < 0 ? static_cast<int>(0u - static_cast<unsigned>(v)) : v; }

long labs(long v) { return v < 0 ? static_cast<long>(0ul - static_cast<unsigned long>(v)) : v; }

// The library keeps no environment; the name is not even read.
char *getenv(const char *) { return nullptr; }
