// Strings and raw memory, a byte at a time. No function reads past the terminator at
// which it stops or past its count, so a string that ends at the last mapped byte is
// safe for all of them. The hot loops are unrolled by hand; each unrolled step still
// reads or writes one byte, in order.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

namespace {

// The first page is never mapped: any address in it stands for "no string".
constexpr uintptr_t lowest_present_address = 4096;

bool absent(const void *p) { return reinterpret_cast<uintptr_t>(p) < lowest_present_address; }

using byte = unsigned char;
using word = uint32_t __attribute__((may_alias));

// Upward, first byte to last. The bytes must go one at a time and in order: a
// destination that overlaps the source above it sees its own earlier stores.
void copy_up(byte *d, const byte *s, size_t n) {
    size_t i = 0;
    for (; n - i >= 8; i += 8) {
        d[i] = s[i];
        d[i + 1] = s[i + 1];
        d[i + 2] = s[i + 2];
        d[i + 3] = s[i + 3];
        d[i + 4] = s[i + 4];
        d[i + 5] = s[i + 5];
        d[i + 6] = s[i + 6];
        d[i + 7] = s[i + 7];
    }
    for (; i < n; ++i) d[i] = s[i];
}

void copy_down(byte *d, const byte *s, size_t n) {
    while (n >= 4) {
        d[n - 1] = s[n - 1];
        d[n - 2] = s[n - 2];
        d[n - 3] = s[n - 3];
        d[n - 4] = s[n - 4];
        n -= 4;
    }
    while (n != 0) {
        --n;
        d[n] = s[n];
    }
}

// Whole aligned words in the middle, single bytes at the edges: no store reaches
// outside the n bytes.
void fill(byte *d, byte value, size_t n) {
    for (; n != 0 && (reinterpret_cast<uintptr_t>(d) & 3) != 0; --n) *d++ = value;
    const uint32_t pattern = value * 0x01010101u;
    word *w = reinterpret_cast<word *>(d);
    for (; n >= 16; n -= 16, w += 4) {
        w[0] = pattern;
        w[1] = pattern;
        w[2] = pattern;
        w[3] = pattern;
    }
    for (; n >= 4; n -= 4) *w++ = pattern;
    d = reinterpret_cast<byte *>(w);
    for (; n != 0; --n) *d++ = value;
}

int fold(byte c) { return static_cast<unsigned>(c - 'A') < 26 ? c + ('a' - 'A') : c; }

bool is_delimiter(char c, const char *delim) {
    if (delim == nullptr) return false;
    for (; *delim != 0; ++delim)
        if (*delim == c) return true;
    return false;
}

}  // namespace

size_t strlen(const char *s) {
    if (absent(s)) return 0;
    const char *p = s;
    for (;; p += 4) {
        if (p[0] == 0) return p - s;
        if (p[1] == 0) return p + 1 - s;
        if (p[2] == 0) return p + 2 - s;
        if (p[3] == 0) return p + 3 - s;
    }
}

size_t strnlen(const char *s, size_t max) {
    if (absent(s)) return 0;
    size_t n = 0;
    while (n < max && s[n] != 0) ++n;
    return n;
}

int strcmp(const char *a, const char *b) {
    if (a == b) return 0;
    if (absent(a)) return -1;
    if (absent(b)) return 1;
    const byte *x = reinterpret_cast<const byte *>(a), *y = reinterpret_cast<const byte *>(b);
    for (;; x += 4, y += 4) {
        if (x[0] != y[0] || x[0] == 0) break;
        if (x[1] != y[1] || x[1] == 0) {
            x += 1, y += 1;
            break;
        }
        if (x[2] != y[2] || x[2] == 0) {
            x += 2, y += 2;
            break;
        }
        if (x[3] != y[3] || x[3] == 0) {
            x += 3, y += 3;
            break;
        }
    }
    // The two bytes at the stop are read again, so that the loop can compare one
    // byte straight from memory instead of loading both.
    asm("" ::: "memory");
    return *x - *y;
}

int strncmp(const char *a, const char *b, size_t n) {
    if (n == 0 || a == b) return 0;
    if (absent(a)) return -1;
    if (absent(b)) return 1;
    const byte *x = reinterpret_cast<const byte *>(a), *y = reinterpret_cast<const byte *>(b);
    for (size_t i = 0; i < n; ++i) {
        if (x[i] != y[i]) return x[i] - y[i];
        if (x[i] == 0) return 0;
    }
    return 0;
}

int memcmp(const void *a, const void *b, size_t n) {
    const byte *x = static_cast<const byte *>(a), *y = static_cast<const byte *>(b);
    for (size_t i = 0; i < n; ++i)
        if (x[i] != y[i]) return x[i] - y[i];
    return 0;
}

int strcasecmp(const char *a, const char *b) {
    if (a == nullptr) return b == nullptr ? 0 : -1;
    if (b == nullptr) return 1;
    const byte *x = reinterpret_cast<const byte *>(a), *y = reinterpret_cast<const byte *>(b);
    for (size_t i = 0;; ++i) {
        const int c = fold(x[i]), d = fold(y[i]);
        if (c != d) return c - d;
        if (c == 0) return 0;
    }
}

int strncasecmp(const char *a, const char *b, size_t n) {
    if (n == 0 || a == b) return 0;
    if (a == nullptr) return -1;
    if (b == nullptr) return 1;
    const byte *x = reinterpret_cast<const byte *>(a), *y = reinterpret_cast<const byte *>(b);
    for (size_t i = 0; i < n; ++i) {
        const int c = fold(x[i]), d = fold(y[i]);
        if (c != d) return c - d;
        if (c == 0) return 0;
    }
    return 0;
}

char *strcpy(char *dst, const char *src) {
    if (dst == nullptr) return nullptr;
    if (src == nullptr) {
        *dst = 0;
        return dst;
    }
    for (size_t i = 0; (dst[i] = src[i]) != 0; ++i) {
    }
    return dst;
}

char *strncpy(char *dst, const char *src, size_t n) {
    if (dst == nullptr || n == 0) return dst;
    size_t i = 0;
    if (src != nullptr)
        for (; i < n && src[i] != 0; ++i) dst[i] = src[i];
    fill(reinterpret_cast<byte *>(dst + i), 0, n - i);
    return dst;
}

// A destination in the first page is no string to append to: nothing is written.
char *strcat(char *dst, const char *src) {
    if (absent(dst)) return dst;
    char *end = dst + strlen(dst);
    if (src == nullptr) {
        *end = 0;
        return dst;
    }
    for (size_t i = 0; (end[i] = src[i]) != 0; ++i) {
    }
    return dst;
}

char *strncat(char *dst, const char *src, size_t n) {
    if (absent(dst) || src == nullptr || n == 0) return dst;
    char *end = dst + strlen(dst);
    size_t i = 0;
    for (; i < n && src[i] != 0; ++i) end[i] = src[i];
    end[i] = 0;
    return dst;
}

char *strchr(const char *s, int ch) {
    if (s == nullptr) return nullptr;
    const char c = static_cast<char>(ch);
    for (;; ++s) {
        if (*s == c) return const_cast<char *>(s);
        if (*s == 0) return nullptr;
    }
}

char *strrchr(const char *s, int ch) {
    if (s == nullptr) return nullptr;
    const char c = static_cast<char>(ch);
    const char *last = nullptr;
    for (;; ++s) {
        if (*s == c) last = s;
        if (*s == 0) return const_cast<char *>(last);
    }
}

// The plain scan. A partial match stops at the first difference, and the haystack's
// terminator is a difference against any pattern byte, so no read goes past it.
char *strstr(const char *h, const char *p) {
    if (h == nullptr || p == nullptr) return nullptr;
    if (*p == 0) return const_cast<char *>(h);
    for (; *h != 0; ++h) {
        size_t k = 0;
        while (p[k] != 0 && h[k] == p[k]) ++k;
        if (p[k] == 0) return const_cast<char *>(h);
    }
    return nullptr;
}

void *memcpy(void *dst, const void *src, size_t n) {
    copy_up(static_cast<byte *>(dst), static_cast<const byte *>(src), n);
    return dst;
}

// The direction follows the address order alone, overlap or not.
void *memmove(void *dst, const void *src, size_t n) {
    if (dst == src || n == 0) return dst;
    byte *d = static_cast<byte *>(dst);
    const byte *s = static_cast<const byte *>(src);
    if (reinterpret_cast<uintptr_t>(d) < reinterpret_cast<uintptr_t>(s))
        copy_up(d, s, n);
    else
        copy_down(d, s, n);
    return dst;
}

void *memset(void *dst, int value, size_t n) {
    fill(static_cast<byte *>(dst), static_cast<byte>(value), n);
    return dst;
}

char *strdup(const char *s) {
    if (s == nullptr) return nullptr;
    const size_t n = strlen(s);
    char *copy = static_cast<char *>(malloc(n + 1));
    if (copy == nullptr) return nullptr;
    memcpy(copy, s, n);
    copy[n] = 0;
    return copy;
}

char *strndup(const char *s, size_t n) {
    if (s == nullptr) return nullptr;
    const size_t k = strnlen(s, n);
    char *copy = static_cast<char *>(malloc(k + 1));
    if (copy == nullptr) return nullptr;
    memcpy(copy, s, k);
    copy[k] = 0;
    return copy;
}

char *strtok(char *s, const char *delim) {
    static char *s_next = nullptr;
    char *p = s != nullptr ? s : s_next;
    if (p == nullptr) return nullptr;
    while (*p != 0 && is_delimiter(*p, delim)) ++p;
    if (*p == 0) {
        s_next = nullptr;
        return nullptr;
    }
    char *q = p;
    while (*q != 0 && !is_delimiter(*q, delim)) ++q;
    if (*q == 0) {
        s_next = nullptr;
    } else {
        *q = 0;
        s_next = q + 1;
    }
    return p;
}
