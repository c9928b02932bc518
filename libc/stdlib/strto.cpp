// Reading numbers from text. Each parser has its own set of skipped leading
// characters, its own treatment of signs and its own end-position rule. None of them
// reports an error, consults a locale or calls anything: integers wrap modulo 2^32,
// and floating-point values come from plain long double arithmetic, one operation a
// step, in the order the text gives them.
#include <stdint.h>
#include <stdlib.h>

namespace {

constexpr int kNotADigit = INT32_MAX;

bool is_decimal(char c) { return static_cast<unsigned>(c - '0') < 10u; }

// 0 to 15 for a hexadecimal digit; kNotADigit, which no base exceeds, for anything else.
int digit_value(char c) {
    const unsigned u = static_cast<unsigned char>(c);
    if (u - '0' < 10u) return static_cast<int>(u - '0');
    const unsigned lower = u | 0x20u;
    if (lower - 'a' < 6u) return static_cast<int>(lower - 'a' + 10);
    return kNotADigit;
}

// Only 'X' and 'x' fold to 'x', only 'E' and 'e' to 'e', only 'P' and 'p' to 'p'.
bool is_letter(char c, char lower) { return (c | 0x20) == lower; }

int parse_int(const char *str) {
    if (str == nullptr) return 0;
    const char *s = str;
    while (*s == '\t' || *s == '\n' || *s == ' ') ++s;
    const bool negative = *s == '-';
    if (*s == '-' || *s == '+') ++s;
    uint32_t value = 0;
    for (; is_decimal(*s); ++s) value = value * 10 + static_cast<uint32_t>(*s - '0');
    return static_cast<int>(negative ? 0u - value : value);
}

uint32_t parse_unsigned(const char *str, char **endptr, int base) {
    if (str == nullptr) {
        if (endptr != nullptr) *endptr = nullptr;
        return 0;
    }
    const char *s = str;
    while (*s == '\t' || *s == '\n' || *s == '\r' || *s == ' ') ++s;
    const bool hex_prefix = s[0] == '0' && is_letter(s[1], 'x');
    if (base == 0) {
        if (hex_prefix) {
            base = 16;
            s += 2;
        } else if (*s == '0') {
            base = 8;
            ++s;
        } else {
            base = 10;
        }
    } else if (base == 16 && hex_prefix) {
        s += 2;
    }
    uint32_t value = 0;
    for (int digit; (digit = digit_value(*s)) < base; ++s) {
        value = value * static_cast<uint32_t>(base) + static_cast<uint32_t>(digit);
    }
    if (endptr != nullptr) *endptr = const_cast<char *>(s);
    return value;
}

// Scaling of the floating-point parser.
//
// A number with at most kStepLimit fraction digits, an exponent of magnitude at most
// kStepLimit and a mantissa that stays finite while its digits are read is scaled
// exactly as written: m is divided by the base once per fraction digit, then
// multiplied or divided once per unit of the exponent.
//
// Anything else is scaled once by the net power: the exponent, less the fraction
// digits, plus the digits that came after the mantissa could no longer grow. No
// intermediate result then overflows or underflows when the value itself fits, and
// a value that does not fit becomes infinity or zero. The net power is applied one
// multiplication or division a step, and its steps are capped where any further step
// could no longer change the result:
// - decimal: a nonzero mantissa lies between 1 and the largest long double (about
//   1.19e4932), and every value below half the smallest subnormal (about 1.8e-4951)
//   rounds to zero, so 4,933 multiplications by 10 overflow any mantissa and 9,884
//   divisions take any mantissa to zero: 10,000 steps cover both;
// - binary: likewise 16,384 doublings and 16,384 + 16,446 = 32,830 halvings: 33,000.
//
// Exponent digits saturate at 2^40. Fraction and dropped digits are counted exactly,
// and no text in a 32-bit address space holds 2^32 of them, so a saturated exponent
// still leaves the net power beyond the step cap, on the side the true one lies.
// The work is at most three operations per digit plus the step cap.
constexpr int32_t kStepLimit = 1024;
constexpr int32_t kDecimalNetStepLimit = 10000;
constexpr int32_t kBinaryNetStepLimit = 33000;
constexpr int64_t kExponentSaturation = int64_t{1} << 40;

// The digits of a number folded into one mantissa, m = m * base + digit each.
struct Mantissa {
    long double m = 0;
    // Digits after the one whose step would have overflowed: each of them only scales.
    uint32_t dropped = 0;
};

// Folds the digits between first and last again, the point skipped, once the plain
// fold has overflowed: from the digit that would overflow on, digits are only counted.
[[gnu::cold, gnu::noinline]] Mantissa fold_bounded(const char *first, const char *last,
                                                   long double base) {
    Mantissa folded;
    for (const char *s = first; s != last; ++s) {
        const int digit = digit_value(*s);
        if (digit == kNotADigit) continue;
        if (folded.dropped == 0) {
            const long double next = folded.m * base + digit;
            if (next <= __LDBL_MAX__) {
                folded.m = next;
                continue;
            }
        }
        ++folded.dropped;
    }
    return folded;
}

// Continues an exponent past its first nine digits, saturating.
[[gnu::cold, gnu::noinline]] int64_t read_long_exponent(const char *&p, int64_t e) {
    for (; is_decimal(*p); ++p) {
        e = e * 10 + (*p - '0');
        if (e > kExponentSaturation) e = kExponentSaturation;
    }
    return e;
}

// Reads an exponent part: the marker, an optional sign and at least one decimal digit.
// Without a digit nothing is consumed and the exponent stays 0. Nine digits cannot
// reach the saturation, so they are read in 32 bits.
[[gnu::always_inline]] inline const char *parse_exponent(const char *s, char marker,
                                                         int64_t &exponent) {
    if (!is_letter(*s, marker)) return s;
    const char *p = s + 1;
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    if (!is_decimal(*p)) return s;
    const char *const short_end = p + 9;
    uint32_t e = 0;
    for (; is_decimal(*p) && p != short_end; ++p) e = e * 10 + static_cast<uint32_t>(*p - '0');
    int64_t magnitude = e;
    if (is_decimal(*p)) [[unlikely]]
        magnitude = read_long_exponent(p, magnitude);
    exponent = negative ? -magnitude : magnitude;
    return p;
}

bool within_steps(const Mantissa &digits, uint32_t fraction, int64_t exponent) {
    return digits.dropped == 0 && fraction <= static_cast<uint32_t>(kStepLimit) &&
           static_cast<uint64_t>(exponent + kStepLimit) <= 2 * kStepLimit;
}

int32_t clamp(int64_t power, int32_t limit) {
    if (power > limit) return limit;
    if (power < -limit) return -limit;
    return static_cast<int32_t>(power);
}

long double scale_decimal(long double m, int32_t power) {
    for (; power > 0; --power) m = m * 10;
    for (; power < 0; ++power) m = m / 10;
    return m;
}

long double scale_fraction_hex(long double m, int32_t digits) {
    for (; digits > 0; --digits) m = m * 0.0625L;
    return m;
}

long double scale_binary(long double m, int32_t power) {
    for (; power > 0; --power) m = m + m;
    for (; power < 0; ++power) m = m * 0.5L;
    return m;
}

// Both forms return the position after the number, or null when there is none.
const char *parse_decimal(const char *s, long double &value) {
    const char *const first = s;
    Mantissa digits;
    for (; is_decimal(*s); ++s) digits.m = digits.m * 10 + (*s - '0');
    const bool integer_digits = s != first;
    uint32_t fraction = 0;
    if (*s == '.') {
        if (!integer_digits && !is_decimal(s[1])) return nullptr;
        const char *const fraction_first = ++s;
        for (; is_decimal(*s); ++s) digits.m = digits.m * 10 + (*s - '0');
        fraction = static_cast<uint32_t>(s - fraction_first);
    } else if (!integer_digits) {
        return nullptr;
    }
    if (!(digits.m <= __LDBL_MAX__)) [[unlikely]]
        digits = fold_bounded(first, s, 10);
    int64_t exponent = 0;
    s = parse_exponent(s, 'e', exponent);
    if (within_steps(digits, fraction, exponent)) {
        value = scale_decimal(scale_decimal(digits.m, -static_cast<int32_t>(fraction)),
                              static_cast<int32_t>(exponent));
    } else {
        const int64_t power = int64_t{digits.dropped} - fraction + exponent;
        value = scale_decimal(digits.m, clamp(power, kDecimalNetStepLimit));
    }
    return s;
}

const char *parse_hex(const char *s, long double &value) {
    const char *const first = s;
    Mantissa digits;
    for (int digit; (digit = digit_value(*s)) != kNotADigit; ++s) {
        digits.m = digits.m * 16 + digit;
    }
    uint32_t fraction = 0;
    if (*s == '.') {
        const char *const fraction_first = ++s;
        for (int digit; (digit = digit_value(*s)) != kNotADigit; ++s) {
            digits.m = digits.m * 16 + digit;
        }
        fraction = static_cast<uint32_t>(s - fraction_first);
        if (s == first + 1) return nullptr;
    } else if (s == first) {
        return nullptr;
    }
    if (!(digits.m <= __LDBL_MAX__)) [[unlikely]]
        digits = fold_bounded(first, s, 16);
    int64_t exponent = 0;
    s = parse_exponent(s, 'p', exponent);
    if (within_steps(digits, fraction, exponent)) {
        value = scale_binary(scale_fraction_hex(digits.m, static_cast<int32_t>(fraction)),
                             static_cast<int32_t>(exponent));
    } else {
        const int64_t power = 4 * (int64_t{digits.dropped} - fraction) + exponent;
        value = scale_binary(digits.m, clamp(power, kBinaryNetStepLimit));
    }
    return s;
}

long double parse_long_double(const char *str, char **endptr) {
    if (str == nullptr) {
        if (endptr != nullptr) *endptr = nullptr;
        return 0;
    }
    const char *s = str;
    while (*s == ' ' || (*s >= '\t' && *s <= '\r')) ++s;
    const bool negative = *s == '-';
    if (*s == '-' || *s == '+') ++s;
    long double value;
    const char *end =
        s[0] == '0' && is_letter(s[1], 'x') ? parse_hex(s + 2, value) : parse_decimal(s, value);
    if (end == nullptr) {
        if (endptr != nullptr) *endptr = const_cast<char *>(str);
        return 0;
    }
    if (endptr != nullptr) *endptr = const_cast<char *>(end);
    return negative ? -value : value;
}

}  // namespace

int atoi(const char *str) { return parse_int(str); }

long atol(const char *str) { return parse_int(str); }

unsigned long strtoul(const char *str, char **endptr, int base) {
    return parse_unsigned(str, endptr, base);
}

long strtol(const char *str, char **endptr, int base) {
    return static_cast<long>(parse_unsigned(str, endptr, base));
}

long double strtold(const char *str, char **endptr) { return parse_long_double(str, endptr); }

double strtod(const char *str, char **endptr) {
    return static_cast<double>(parse_long_double(str, endptr));
}
