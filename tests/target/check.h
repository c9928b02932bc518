// Checks for target test programs. A failing check prints the expression, the value
// it got and the value it wanted; `return check::finish();` makes the exit status
// say pass (0) or fail (1). Output goes straight through the write wrapper, so the
// checks depend on no stream or formatter of the library under test.
#pragma once

#include <stdint.h>
#include <unistd.h>

namespace check {

inline int g_passed;
inline int g_failed;

inline void put(const char *s) {
    size_t n = 0;
    while (s[n] != 0) ++n;
    write(1, s, n);
}

inline void put_unsigned(uint64_t v, unsigned base = 10) {
    char digits[24];
    int n = 0;
    do {
        digits[n++] = "0123456789abcdef"[v % base];
        v /= base;
    } while (v != 0);
    char out[26];
    int k = 0;
    if (base == 16) {
        out[k++] = '0';
        out[k++] = 'x';
    }
    while (n > 0) out[k++] = digits[--n];
    write(1, out, k);
}

inline void put_signed(int64_t v) {
    if (v < 0) {
        put("-");
        put_unsigned(0 - static_cast<uint64_t>(v));
    } else {
        put_unsigned(static_cast<uint64_t>(v));
    }
}

// Every checked value is brought to one of three shapes.
struct Value {
    enum Kind { Signed, Unsigned, Pointer } kind;
    int64_t s;
    uint64_t u;
};

inline Value value(signed char v) { return {Value::Signed, v, 0}; }
inline Value value(char v) { return {Value::Signed, v, 0}; }
inline Value value(short v) { return {Value::Signed, v, 0}; }
inline Value value(int v) { return {Value::Signed, v, 0}; }
inline Value value(long v) { return {Value::Signed, v, 0}; }
inline Value value(long long v) { return {Value::Signed, v, 0}; }
inline Value value(bool v) { return {Value::Unsigned, 0, v ? 1u : 0u}; }
inline Value value(unsigned char v) { return {Value::Unsigned, 0, v}; }
inline Value value(unsigned short v) { return {Value::Unsigned, 0, v}; }
inline Value value(unsigned v) { return {Value::Unsigned, 0, v}; }
inline Value value(unsigned long v) { return {Value::Unsigned, 0, v}; }
inline Value value(unsigned long long v) { return {Value::Unsigned, 0, v}; }
inline Value value(const volatile void *p) {
    return {Value::Pointer, 0, reinterpret_cast<uintptr_t>(p)};
}
inline Value value(decltype(nullptr)) { return {Value::Pointer, 0, 0}; }

inline bool same(const Value &a, const Value &b) {
    const bool a_signed = a.kind == Value::Signed, b_signed = b.kind == Value::Signed;
    if (a_signed && b_signed) return a.s == b.s;
    if (a_signed) return a.s >= 0 && static_cast<uint64_t>(a.s) == b.u;
    if (b_signed) return b.s >= 0 && static_cast<uint64_t>(b.s) == a.u;
    return a.u == b.u;
}

inline void put_value(const Value &v) {
    if (v.kind == Value::Signed) {
        put_signed(v.s);
        if (v.s < 0 || v.s > 9) {
            put(" (");
            put_unsigned(static_cast<uint32_t>(v.s), 16);
            put(")");
        }
    } else if (v.kind == Value::Pointer) {
        put_unsigned(v.u, 16);
    } else {
        put_unsigned(v.u);
        if (v.u > 9) {
            put(" (");
            put_unsigned(v.u, 16);
            put(")");
        }
    }
}

inline void where(const char *file, int line) {
    put(file);
    put(":");
    put_unsigned(static_cast<uint32_t>(line));
    put(": ");
}

inline void record(bool ok) { ok ? ++g_passed : ++g_failed; }

inline void that(bool ok, const char *expr, const char *file, int line) {
    record(ok);
    if (ok) return;
    where(file, line);
    put("CHECK(");
    put(expr);
    put(") failed\n");
}

template <class A, class B>
void eq(const A &got, const B &want, const char *got_expr, const char *want_expr, const char *file,
        int line) {
    const Value g = value(got), w = value(want);
    const bool ok = same(g, w);
    record(ok);
    if (ok) return;
    where(file, line);
    put(got_expr);
    put(" == ");
    put(want_expr);
    put(": got ");
    put_value(g);
    put(", want ");
    put_value(w);
    put("\n");
}

// Shows bytes with C escapes, so NULs and control bytes are visible.
inline void put_escaped(const char *s, size_t n) {
    put("\"");
    for (size_t i = 0; i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c == '"' || c == '\\') {
            char e[2] = {'\\', static_cast<char>(c)};
            write(1, e, 2);
        } else if (c >= 32 && c < 127) {
            write(1, &s[i], 1);
        } else {
            char e[4] = {'\\', 'x', "0123456789abcdef"[c >> 4], "0123456789abcdef"[c & 15]};
            write(1, e, 4);
        }
    }
    put("\"");
}

inline size_t length(const char *s) {
    size_t n = 0;
    while (s[n] != 0) ++n;
    return n;
}

inline void mem_eq(const void *got, const void *want, size_t n, const char *got_expr,
                   const char *want_expr, const char *file, int line) {
    const char *g = static_cast<const char *>(got), *w = static_cast<const char *>(want);
    bool ok = (g != nullptr) == (w != nullptr);
    for (size_t i = 0; ok && g != nullptr && i < n; ++i) ok = g[i] == w[i];
    record(ok);
    if (ok) return;
    where(file, line);
    put(got_expr);
    put(" == ");
    put(want_expr);
    put(": got ");
    g != nullptr ? put_escaped(g, n) : put("null");
    put(", want ");
    w != nullptr ? put_escaped(w, n) : put("null");
    put("\n");
}

inline void str_eq(const char *got, const char *want, const char *got_expr, const char *want_expr,
                   const char *file, int line) {
    const bool ok = got != nullptr && want != nullptr && length(got) == length(want);
    if (ok || got == nullptr || want == nullptr) {
        mem_eq(got, want, ok ? length(got) + 1 : 0, got_expr, want_expr, file, line);
        return;
    }
    record(false);
    where(file, line);
    put(got_expr);
    put(" == ");
    put(want_expr);
    put(": got ");
    put_escaped(got, length(got));
    put(", want ");
    put_escaped(want, length(want));
    put("\n");
}

// Bit-for-bit comparison, for floating-point results.
template <class T>
void bits_eq(const T &got, const T &want, const char *got_expr, const char *want_expr,
             const char *file, int line) {
    const unsigned char *g = reinterpret_cast<const unsigned char *>(&got);
    const unsigned char *w = reinterpret_cast<const unsigned char *>(&want);
    const size_t n = sizeof(T) == 12 ? 10 : sizeof(T);  // long double: 80 bits of value
    bool ok = true;
    for (size_t i = 0; i < n; ++i) ok = ok && g[i] == w[i];
    record(ok);
    if (ok) return;
    where(file, line);
    put(got_expr);
    put(" == ");
    put(want_expr);
    put(": got bits ");
    for (size_t i = n; i-- > 0;) put_unsigned(g[i] | 0x100u, 16);
    put(", want bits ");
    for (size_t i = n; i-- > 0;) put_unsigned(w[i] | 0x100u, 16);
    put("\n");
}

inline int finish() {
    put("check: ");
    put_unsigned(static_cast<uint32_t>(g_passed));
    put(" passed, ");
    put_unsigned(static_cast<uint32_t>(g_failed));
    put(" failed\n");
    return g_failed == 0 ? 0 : 1;
}

}  // namespace check

#define CHECK(expr) ::check::that((expr), #expr, __FILE__, __LINE__)
#define CHECK_EQ(got, want) ::check::eq((got), (want), #got, #want, __FILE__, __LINE__)
#define CHECK_STR(got, want) ::check::str_eq((got), (want), #got, #want, __FILE__, __LINE__)
#define CHECK_MEM(got, want, n) ::check::mem_eq((got), (want), (n), #got, #want, __FILE__, __LINE__)
#define CHECK_BITS(got, want) ::check::bits_eq((got), (want), #got, #want, __FILE__, __LINE__)
