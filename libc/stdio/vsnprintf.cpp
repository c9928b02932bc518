// The buffer formatter: printf-style text into a caller's array of a given size. It
// works in memory alone (no stream, no allocation, no string function, no state
// between calls) and calls nothing but its digit renderer. Every produced character
// obeys one rule: it is stored at its position only while that position is below
// size - 1, and it is counted in every case, so the result is the length of the
// whole output and a result >= size tells the caller the text was cut.
#include <stdarg.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

namespace {

constexpr char kLowerDigits[] = "0123456789abcdef";
constexpr char kUpperDigits[] = "0123456789ABCDEF";
constexpr char kNullText[] = "(null)";

// The ten decimal digits of 4294967295 are the longest rendering.
constexpr int kMaxDigits = 10;

// The unbounded forms still stop storing at 65535 characters and the terminator.
constexpr size_t kUnboundedSize = 0x10000;

// Digits of `value` in base 10 or 16, most significant first, without terminator.
// Each base has its own loop so that the divisor is a constant the compiler turns
// into a multiplication or a shift.
void snbuf_render_unsigned(uint32_t value, uint32_t base, int upper, char *out, int *count) {
    const char *alphabet = upper != 0 ? kUpperDigits : kLowerDigits;
    if (value == 0) {
        out[0] = '0';
        *count = 1;
        return;
    }
    int n = 0;
    if (base == 16) {
        do {
            out[n++] = alphabet[value % 16];
            value /= 16;
        } while (value != 0);
    } else {
        do {
            out[n++] = alphabet[value % 10];
            value /= 10;
        } while (value != 0);
    }
    *count = n;
    for (int lo = 0, hi = n - 1; lo < hi; ++lo, --hi) {
        const char digit = out[lo];
        out[lo] = out[hi];
        out[hi] = digit;
    }
}

// The output position counts every produced character, stored or not, modulo 2^32.
// Runs (padding, digits, strings) are stored in one stretch, which is the same as
// applying the rule to each of their characters: a run stores the part of it whose
// positions are below the limit, and when the count wraps past 2^32 inside a run, the
// part after the wrap has positions from 0 on and is stored by the same rule.
struct Output {
    char *buf;
    uint32_t limit;  // size - 1, or 0 when nothing may be stored
    uint32_t pos;

    [[gnu::always_inline]] void put(char c) {
        if (pos < limit) buf[pos] = c;
        ++pos;
    }

    [[gnu::always_inline]] void fill(char c, uint32_t n) {
        const uint32_t start = pos;
        pos += n;
        if (start < limit) {
            const uint32_t room = limit - start;
            char *to = buf + start;
            char *const end = to + (n < room ? n : room);
            while (to != end) *to++ = c;
        }
        if (pos < start) [[unlikely]] {
            const uint32_t stored = pos < limit ? pos : limit;
            for (uint32_t i = 0; i < stored; ++i) buf[i] = c;
        }
    }

    [[gnu::always_inline]] void copy(const char *from, uint32_t n) {
        const uint32_t start = pos;
        pos += n;
        if (start < limit) {
            const uint32_t room = limit - start;
            char *to = buf + start;
            char *const end = to + (n < room ? n : room);
            while (to != end) *to++ = *from++;
        }
        if (pos < start) [[unlikely]] {
            const char *rest = from + (n - pos);
            const uint32_t stored = pos < limit ? pos : limit;
            for (uint32_t i = 0; i < stored; ++i) buf[i] = rest[i];
        }
    }
};

// A run of decimal digits, accumulated in 32 bits with wrap-around; `c` is the first
// character and ends as the first one after the run.
[[gnu::always_inline]] inline uint32_t parse_count(unsigned char &c, const unsigned char *&f) {
    uint32_t count = 0;
    while (static_cast<unsigned>(c - '0') < 10) {
        count = count * 10 + (c - '0');
        c = *f++;
    }
    return count;
}

}  // namespace

int vsnprintf(char *buf, size_t size, const char *format, va_list ap) {
    const bool can_store = buf != nullptr && size > 0;
    if (format == nullptr) {
        if (can_store) buf[0] = 0;
        return 0;
    }
    Output out{buf, can_store ? static_cast<uint32_t>(size - 1) : 0, 0};
    const unsigned char *f = reinterpret_cast<const unsigned char *>(format);
    for (;;) {
        unsigned char c = *f++;
        if (c != '%') {
            if (c == 0) break;
            out.put(static_cast<char>(c));
            continue;
        }

        // From here on a terminator ends the whole output: it fails every test below
        // and reaches the dispatch as the conversion character.
        c = *f++;
        bool left = false, zero_fill = false, plus = false;
        for (;; c = *f++) {
            if (c == '-') {
                left = true;
            } else if (c == '0') {
                zero_fill = true;
            } else if (c == '+') {
                plus = true;
            } else {
                break;
            }
        }
        int32_t width;
        if (c == '*') {
            width = va_arg(ap, int);
            c = *f++;
        } else {
            width = static_cast<int32_t>(parse_count(c, f));
        }
        int32_t precision = -1;  // any negative precision is none
        if (c == '.') {
            c = *f++;
            if (c == '*') {
                precision = va_arg(ap, int);
                c = *f++;
            } else {
                precision = static_cast<int32_t>(parse_count(c, f));
            }
        }
        // Length modifiers are accepted and change nothing: every conversion takes one
        // 32-bit argument.
        if (c == 'l') {
            c = *f++;
            if (c == 'l') c = *f++;
        } else if (c == 'z') {
            c = *f++;
        }

        uint32_t magnitude;
        uint32_t base = 10;
        int upper = 0;
        char sign = 0;
        switch (c) {
            case 0:
                goto done;
            case '%':
                out.put('%');
                continue;
            case 'c':
                out.put(static_cast<char>(va_arg(ap, int)));
                continue;
            case 's': {
                const char *s = va_arg(ap, const char *);
                if (s == nullptr) s = kNullText;
                uint32_t len = 0;
                while (s[len] != 0) ++len;
                if (precision >= 0 && static_cast<uint32_t>(precision) < len) len = precision;
                const uint32_t pad =
                    width > 0 && static_cast<uint32_t>(width) > len ? width - len : 0;
                if (!left) out.fill(' ', pad);
                out.copy(s, len);
                if (left) out.fill(' ', pad);
                continue;
            }
            case 'p': {
                char digits[kMaxDigits];
                int count;
                snbuf_render_unsigned(reinterpret_cast<uintptr_t>(va_arg(ap, void *)), 16, 0,
                                      digits, &count);
                out.put('0');
                out.put('x');
                out.copy(digits, count);
                continue;
            }
            case 'd':
            case 'i': {
                const int32_t value = va_arg(ap, int32_t);
                magnitude = static_cast<uint32_t>(value);
                if (value < 0) {
                    magnitude = 0 - magnitude;
                    sign = '-';
                } else if (plus) {
                    sign = '+';
                }
                break;
            }
            case 'u':
                magnitude = va_arg(ap, uint32_t);
                break;
            case 'X':
                upper = 1;
                [[fallthrough]];
            case 'x':
                base = 16;
                magnitude = va_arg(ap, uint32_t);
                break;
            default:
                // Not a conversion: echoed with its percent sign, the specification
                // between them dropped.
                out.put('%');
                out.put(static_cast<char>(c));
                continue;
        }

        char digits[kMaxDigits];
        int count;
        snbuf_render_unsigned(magnitude, base, upper, digits, &count);
        uint32_t zeros = precision > count ? precision - count : 0;
        const uint32_t core = (sign != 0 ? 1 : 0) + zeros + count;
        uint32_t lead = 0, trail = 0;
        if (width > 0 && static_cast<uint32_t>(width) > core) {
            const uint32_t fill = width - core;
            if (zero_fill && !left && precision < 0) {
                zeros += fill;
            } else if (left) {
                trail = fill;
            } else {
                lead = fill;
            }
        }
        out.fill(' ', lead);
        if (sign != 0) out.put(sign);
        out.fill('0', zeros);
        out.copy(digits, count);
        out.fill(' ', trail);
    }
done:
    if (can_store) buf[out.pos < out.limit ? out.pos : out.limit] = 0;
    return static_cast<int>(out.pos);
}

int snprintf(char *buf, size_t size, const char *format, ...) {
    va_list ap;
    va_start(ap, format);
    const int length = vsnprintf(buf, size, format, ap);
    va_end(ap);
    return length;
}

int vsprintf(char *buf, const char *format, va_list ap) {
    return vsnprintf(buf, kUnboundedSize, format, ap);
}

int sprintf(char *buf, const char *format, ...) {
    va_list ap;
    va_start(ap, format);
    const int length = vsnprintf(buf, kUnboundedSize, format, ap);
    va_end(ap);
    return length;
}
