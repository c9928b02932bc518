// The buffer formatter: printf-style text into a caller's array of a given size. It
// works in memory alone (no stream, no allocation, no string function, no state
// between calls), and its helpers, the digit renderer among them, are inlined, so a
// call runs without calling anything. Every produced character obeys one rule: it is
// stored at its position only while that position is below size - 1, and it is
// counted in every case, so the result is the length of the whole output and a
// result >= size tells the caller the text was cut.
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

// "00" to "99", so that decimal digits come two for one division.
struct DecimalPairs {
    char digits[200];
};

constexpr DecimalPairs make_decimal_pairs() {
    DecimalPairs pairs{};
    for (int i = 0; i < 100; ++i) {
        pairs.digits[2 * i] = static_cast<char>('0' + i / 10);
        pairs.digits[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
    return pairs;
}

constexpr DecimalPairs kDecimalPairs = make_decimal_pairs();

constexpr uint32_t kPowersOfTen[] = {1,      10,      100,      1000,      10000,
                                     100000, 1000000, 10000000, 100000000, 1000000000};

// The number of decimal digits of value, 0 counting as one digit: the bit length
// times log10(2) (1233 / 4096) gives it or one less, and the table tells which.
// Setting the lowest bit changes no count and gives 0 the bit length of 1.
[[gnu::always_inline]] inline int decimal_length(uint32_t value) {
    value |= 1;
    const uint32_t bits = 32 - __builtin_clz(value);
    const uint32_t estimate = (bits * 1233) >> 12;
    return static_cast<int>(estimate) + (value >= kPowersOfTen[estimate] ? 1 : 0);
}

// The two digits of a value below 100.
[[gnu::always_inline]] inline void put_decimal_pair(char *to, uint32_t value) {
    to[0] = kDecimalPairs.digits[2 * value];
    to[1] = kDecimalPairs.digits[2 * value + 1];
}

// Digits of `value` in base 10 or 16, most significant first, without terminator.
// The digit count is known before the first digit is stored, so the digits are
// written from the last one back and need no reversing. Each base has its own code
// so that every divisor is a constant the compiler turns into a multiplication or a
// shift; inlined where the base is known, only that base's code remains. Decimal
// digits come two per division by 100.
[[gnu::always_inline]] inline void snbuf_render_unsigned(uint32_t value, uint32_t base, int upper,
                                                         char *out, int *count) {
    if (base == 16) {
        const char *alphabet = upper != 0 ? kUpperDigits : kLowerDigits;
        const int n = (35 - __builtin_clz(value | 1)) / 4;
        *count = n;
        char *digit = out + n;
        do {
            *--digit = alphabet[value % 16];
            value /= 16;
        } while (value != 0);
        return;
    }
    // Numbers below 1000, the most frequent ones, need no loop and no digit count.
    if (value < 10) {
        out[0] = kLowerDigits[value];
        *count = 1;
        return;
    }
    if (value < 100) {
        put_decimal_pair(out, value);
        *count = 2;
        return;
    }
    if (value < 1000) {
        const uint32_t hundreds = value / 100;
        out[0] = kLowerDigits[hundreds];
        put_decimal_pair(out + 1, value - hundreds * 100);
        *count = 3;
        return;
    }
    const int n = decimal_length(value);
    *count = n;
    char *digit = out + n;
    while (value >= 100) {
        digit -= 2;
        put_decimal_pair(digit, value % 100);
        value /= 100;
    }
    if (value >= 10) {
        put_decimal_pair(digit - 2, value);
    } else {
        digit[-1] = kLowerDigits[value];
    }
}

// What a character means where a conversion character may stand. kOption marks the
// characters that may begin the flags, width, precision or length modifier.
enum Kind : uint8_t {
    kEcho,
    kEnd,
    kOption,
    kPercent,
    kCharacter,
    kString,
    kPointer,
    kSigned,
    kUnsigned,
    kHex,
    kUpperHex,
};

struct KindTable {
    Kind of[256];
};

constexpr KindTable make_kinds() {
    KindTable kinds{};
    kinds.of[0] = kEnd;
    constexpr char kOptionCharacters[] = "-0+*.123456789lz";
    for (size_t i = 0; i + 1 < sizeof kOptionCharacters; ++i) {
        kinds.of[static_cast<unsigned char>(kOptionCharacters[i])] = kOption;
    }
    kinds.of['%'] = kPercent;
    kinds.of['c'] = kCharacter;
    kinds.of['s'] = kString;
    kinds.of['p'] = kPointer;
    kinds.of['d'] = kSigned;
    kinds.of['i'] = kSigned;
    kinds.of['u'] = kUnsigned;
    kinds.of['x'] = kHex;
    kinds.of['X'] = kUpperHex;
    return kinds;
}

constexpr KindTable kKinds = make_kinds();

enum Flag : uint32_t { kLeft = 1, kZeroFill = 2, kPlus = 4 };

// The output position counts every produced character, stored or not, modulo 2^32.
// It is kept as the store pointer `to`, which stops at `end`, and the count of the
// characters produced since it stopped. The usual case is a run that fits before
// `end`: it is written straight through `to`. A run that does not fit applies the
// rule by positions: it stores the part of it whose positions are below size - 1,
// and when the position wraps past 2^32 inside it, the part after the wrap has
// positions from 0 on and is stored by the same rule.
struct Output {
    char *const buf;
    char *const end;  // buf + size - 1, or buf when nothing may be stored
    char *to;         // buf + the position, or end once the position has reached it
    uint32_t beyond;  // the position less (end - buf), once `to` is at end

    [[gnu::always_inline]] uint32_t limit() const { return static_cast<uint32_t>(end - buf); }

    [[gnu::always_inline]] uint32_t position() const {
        return static_cast<uint32_t>(to - buf) + beyond;
    }

    [[gnu::always_inline]] void move_to(uint32_t position) {
        const uint32_t stored = position < limit() ? position : limit();
        to = buf + stored;
        beyond = position - stored;
    }

    // Whether the next n characters are all stored.
    [[gnu::always_inline]] bool fits(uint32_t n) const {
        return static_cast<uint32_t>(end - to) >= n;
    }

    // Where the next n characters go, once they fit.
    [[gnu::always_inline]] char *claim(uint32_t n) {
        char *const run = to;
        to += n;
        return run;
    }

    [[gnu::always_inline]] void put(char c) {
        if (to != end) [[likely]] {
            *to++ = c;
        } else if (++beyond == 0 - limit()) [[unlikely]] {
            move_to(0);
        }
    }

    [[gnu::always_inline]] void fill(char c, uint32_t n) {
        const uint32_t start = position();
        const uint32_t next = start + n;
        if (start < limit()) {
            const uint32_t room = limit() - start;
            const uint32_t stored = n < room ? n : room;
            for (uint32_t i = 0; i < stored; ++i) buf[start + i] = c;
        }
        if (next < start) [[unlikely]] {
            const uint32_t stored = next < limit() ? next : limit();
            for (uint32_t i = 0; i < stored; ++i) buf[i] = c;
        }
        move_to(next);
    }

    [[gnu::always_inline]] void copy(const char *from, uint32_t n) {
        const uint32_t start = position();
        const uint32_t next = start + n;
        if (start < limit()) {
            const uint32_t room = limit() - start;
            const uint32_t stored = n < room ? n : room;
            for (uint32_t i = 0; i < stored; ++i) buf[start + i] = from[i];
        }
        if (next < start) [[unlikely]] {
            const char *rest = from + (n - next);
            const uint32_t stored = next < limit() ? next : limit();
            for (uint32_t i = 0; i < stored; ++i) buf[i] = rest[i];
        }
        move_to(next);
    }
};

// Four characters in one store; x86 allows it at any address.
using Quad [[gnu::may_alias, gnu::aligned(1)]] = uint32_t;

[[gnu::always_inline]] inline char *fill_unchecked(char *to, char c, uint32_t n) {
    char *const end = to + n;
    const uint32_t quad = static_cast<unsigned char>(c) * 0x01010101u;
    for (; end - to >= 4; to += 4) *reinterpret_cast<Quad *>(to) = quad;
    while (to != end) *to++ = c;
    return to;
}

// A rendering has at most kMaxDigits digits: one store per digit, no loop.
[[gnu::always_inline]] inline char *copy_digits(char *to, const char *digits, int count) {
    switch (count) {
        case 10:
            to[9] = digits[9];
            [[fallthrough]];
        case 9:
            to[8] = digits[8];
            [[fallthrough]];
        case 8:
            to[7] = digits[7];
            [[fallthrough]];
        case 7:
            to[6] = digits[6];
            [[fallthrough]];
        case 6:
            to[5] = digits[5];
            [[fallthrough]];
        case 5:
            to[4] = digits[4];
            [[fallthrough]];
        case 4:
            to[3] = digits[3];
            [[fallthrough]];
        case 3:
            to[2] = digits[2];
            [[fallthrough]];
        case 2:
            to[1] = digits[1];
            [[fallthrough]];
        default:
            to[0] = digits[0];
    }
    return to + count;
}

[[gnu::always_inline]] inline char *copy_unchecked(char *to, const char *from, uint32_t n) {
    for (char *const end = to + n; to != end;) *to++ = *from++;
    return to;
}

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

// Copies the literal text at f, up to the next percent sign or the terminator, and
// returns where it stopped. The store pointer and its end are kept in locals, so the
// usual case costs one test of room per character.
[[gnu::always_inline]] inline const unsigned char *put_literal(Output &out,
                                                               const unsigned char *f) {
    char *to = out.to;
    char *const end = out.end;
    for (unsigned char c = *f; c != '%' && c != 0; c = *++f) {
        if (to == end) [[unlikely]] {
            out.to = to;
            for (; c != '%' && c != 0; c = *++f) out.put(static_cast<char>(c));
            return f;
        }
        *to++ = static_cast<char>(c);
    }
    out.to = to;
    return f;
}

// What a conversion is asked for between its percent sign and its character.
struct Options {
    uint32_t flags;
    int32_t width;
    int32_t precision;  // any negative precision is none
};

// The options of a bare conversion, and of any whose width and precision cannot
// change its output: no fill, no precision zeros, no cut.
constexpr Options kPlain{0, 0, -1};

[[gnu::always_inline]] inline bool is_plain(const Options &options) {
    return options.width <= 0 && options.precision < 0;
}

// The string layout: the string cut to the precision, filled with spaces to the width.
[[gnu::always_inline]] inline void put_string(Output &out, const char *s, const Options &options) {
    uint32_t len = 0;
    while (s[len] != 0) ++len;
    if (options.precision >= 0 && static_cast<uint32_t>(options.precision) < len)
        len = options.precision;
    const uint32_t pad =
        options.width > 0 && static_cast<uint32_t>(options.width) > len ? options.width - len : 0;
    const uint32_t lead = options.flags & kLeft ? 0 : pad, trail = pad - lead;
    if (out.fits(len + pad)) [[likely]] {
        char *to = out.claim(len + pad);
        to = fill_unchecked(to, ' ', lead);
        to = copy_unchecked(to, s, len);
        fill_unchecked(to, ' ', trail);
    } else {
        out.fill(' ', lead);
        out.copy(s, len);
        out.fill(' ', trail);
    }
}

// The integer layout: sign, precision zeros and digits, filled to the width with
// spaces before or after, or with zeros after the sign.
[[gnu::always_inline]] inline void put_integer(Output &out, char sign, const char *digits,
                                               int count, const Options &options) {
    uint32_t zeros = options.precision > count ? options.precision - count : 0;
    const uint32_t core = (sign != 0 ? 1 : 0) + zeros + count;
    uint32_t total = core, lead = 0, trail = 0;
    if (options.width > 0 && static_cast<uint32_t>(options.width) > core) {
        total = options.width;
        const uint32_t fill = options.width - core;
        if ((options.flags & (kLeft | kZeroFill)) == kZeroFill && options.precision < 0) {
            zeros += fill;
        } else if (options.flags & kLeft) {
            trail = fill;
        } else {
            lead = fill;
        }
    }
    if (out.fits(total)) [[likely]] {
        char *to = out.claim(total);
        to = fill_unchecked(to, ' ', lead);
        if (sign != 0) *to++ = sign;
        to = fill_unchecked(to, '0', zeros);
        to = copy_digits(to, digits, count);
        fill_unchecked(to, ' ', trail);
    } else {
        out.fill(' ', lead);
        if (sign != 0) out.put(sign);
        out.fill('0', zeros);
        out.copy(digits, count);
        out.fill(' ', trail);
    }
}

}  // namespace

int vsnprintf(char *buf, size_t size, const char *format, va_list ap) {
    const bool can_store = buf != nullptr && size > 0;
    if (format == nullptr) {
        if (can_store) buf[0] = 0;
        return 0;
    }
    Output out{buf, can_store ? buf + (size - 1) : buf, buf, 0};
    const unsigned char *f = reinterpret_cast<const unsigned char *>(format);
    for (;;) {
        f = put_literal(out, f);
        if (*f == 0) break;
        unsigned char c = f[1];
        f += 2;
        Options options = kPlain;
        Kind kind = kKinds.of[c];
        if (kind == kOption) {
            // A terminator fails every test below and reaches the dispatch as the
            // conversion character, which ends the output.
            for (;; c = *f++) {
                if (c == '-') {
                    options.flags |= kLeft;
                } else if (c == '0') {
                    options.flags |= kZeroFill;
                } else if (c == '+') {
                    options.flags |= kPlus;
                } else {
                    break;
                }
            }
            if (c == '*') {
                options.width = va_arg(ap, int);
                c = *f++;
            } else {
                options.width = static_cast<int32_t>(parse_count(c, f));
            }
            if (c == '.') {
                c = *f++;
                if (c == '*') {
                    options.precision = va_arg(ap, int);
                    c = *f++;
                } else {
                    options.precision = static_cast<int32_t>(parse_count(c, f));
                }
            }
            // Length modifiers are accepted and change nothing: every conversion takes
            // one 32-bit argument.
            if (c == 'l') {
                c = *f++;
                if (c == 'l') c = *f++;
            } else if (c == 'z') {
                c = *f++;
            }
            kind = kKinds.of[c];
        }

        uint32_t magnitude;
        char sign = 0;
        switch (kind) {
            case kEnd:
                goto done;
            default:
                // Not a conversion (an option character included, as in the l of
                // %zld): echoed with its percent sign, the options between them
                // dropped.
                out.put('%');
                out.put(static_cast<char>(c));
                continue;
            case kPercent:
                out.put('%');
                continue;
            case kCharacter:
                out.put(static_cast<char>(va_arg(ap, int)));
                continue;
            case kString: {
                const char *s = va_arg(ap, const char *);
                if (s == nullptr) s = kNullText;
                if (is_plain(options)) {
                    put_string(out, s, kPlain);
                } else {
                    put_string(out, s, options);
                }
                continue;
            }
            case kPointer: {
                char digits[kMaxDigits];
                int count;
                snbuf_render_unsigned(reinterpret_cast<uintptr_t>(va_arg(ap, void *)), 16, 0,
                                      digits, &count);
                out.put('0');
                out.put('x');
                out.copy(digits, count);
                continue;
            }
            case kSigned: {
                const int32_t value = va_arg(ap, int32_t);
                magnitude = static_cast<uint32_t>(value);
                if (value < 0) {
                    magnitude = 0 - magnitude;
                    sign = '-';
                } else if (options.flags & kPlus) {
                    sign = '+';
                }
                break;
            }
            case kUnsigned:
            case kHex:
            case kUpperHex:
                magnitude = va_arg(ap, uint32_t);
                break;
        }

        char digits[kMaxDigits];
        int count;
        if (kind == kHex) {
            snbuf_render_unsigned(magnitude, 16, 0, digits, &count);
        } else if (kind == kUpperHex) {
            snbuf_render_unsigned(magnitude, 16, 1, digits, &count);
        } else {
            snbuf_render_unsigned(magnitude, 10, 0, digits, &count);
        }
        if (is_plain(options)) {
            put_integer(out, sign, digits, count, kPlain);
        } else {
            put_integer(out, sign, digits, count, options);
        }
    }
done:
    if (can_store) *out.to = 0;
    return static_cast<int>(out.position());
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
