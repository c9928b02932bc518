// Number parsing: each parser's skipped characters, signs, bases and end positions,
// and floating-point results bit for bit against the written steps done the plain way.
#include <stdint.h>
#include <stdlib.h>

#include "check.h"

namespace {

// Names the table row whose checks just failed; long texts are cut short.
void note_row(int failed_before, const char *text) {
    if (check::g_failed == failed_before) return;
    const size_t n = check::length(text);
    check::put("  in the row for ");
    check::put_escaped(text, n < 48 ? n : 48);
    check::put(n < 48 ? "\n" : "...\n");
}

// The decimal steps as written: each digit into m, then one division by 10 per
// fraction digit, then one multiplication or division per unit of the exponent.
long double decimal_steps(const char *digits, int fraction, int exponent) {
    long double m = 0;
    for (const char *p = digits; *p != 0; ++p) m = m * 10 + (*p - '0');
    for (int i = 0; i < fraction; ++i) m = m / 10;
    for (int i = 0; i < exponent; ++i) m = m * 10;
    for (int i = 0; i > exponent; --i) m = m / 10;
    return m;
}

long double hex_steps(const char *digits, int fraction, int exponent) {
    long double m = 0;
    for (const char *p = digits; *p != 0; ++p) {
        const int d = *p <= '9' ? *p - '0' : (*p | 0x20) - 'a' + 10;
        m = m * 16 + d;
    }
    for (int i = 0; i < fraction; ++i) m = m * 0.0625L;
    for (int i = 0; i < exponent; ++i) m = m + m;
    for (int i = 0; i > exponent; --i) m = m * 0.5L;
    return m;
}

// head, then `count` copies of `fill`, then tail.
char *compose(char *buf, const char *head, char fill, int count, const char *tail) {
    char *p = buf;
    for (const char *h = head; *h != 0; ++h) *p++ = *h;
    for (int i = 0; i < count; ++i) *p++ = fill;
    for (const char *t = tail; *t != 0; ++t) *p++ = *t;
    *p = 0;
    return buf;
}

// Long texts for the scaling rows.
char g_fives_1024[1100], g_fives_1024_digits[1100], g_fives_1024_e[1100];
char g_tiny_1024[1100], g_tiny_1024_digits[1100], g_hex_tiny_1024[1100];
char g_fives_1030[1100], g_tiny_1030[1100], g_hex_tiny_1101[1200];
char g_fives_6000[6100], g_big_6000[6100], g_hex_big_5000[5100], g_tiny_20000[20100];

void compose_long_texts() {
    compose(g_fives_1024, "1.", '5', 1024, "");
    compose(g_fives_1024_digits, "1", '5', 1024, "");
    compose(g_fives_1024_e, "1.", '5', 1024, "e-1024");
    compose(g_tiny_1024, "0.", '0', 1023, "1");
    compose(g_tiny_1024_digits, "0", '0', 1023, "1");
    compose(g_hex_tiny_1024, "0x0.", '0', 1023, "1");
    compose(g_fives_1030, "1.", '5', 1030, "");
    compose(g_tiny_1030, "0.", '0', 1030, "1");
    compose(g_hex_tiny_1101, "0x0.", '0', 1100, "1p4404");
    compose(g_fives_6000, "1.", '5', 6000, "");
    compose(g_big_6000, "1", '0', 5999, "e-5999");
    compose(g_hex_big_5000, "0x1", '0', 4999, "p-19996");
    compose(g_tiny_20000, "0.", '0', 20000, "1e20001");
}

constexpr long double kInfinity = __builtin_infl();

void test_atoi() {
    struct Case {
        const char *text;
        int want;
    };
    const Case cases[] = {
        {" \t\n-42x", -42},
        {"\r5", 0},
        {"\v5", 0},
        {"\f5", 0},
        {"+-3", 0},
        {"+7", 7},
        {"0x10", 0},
        {"2147483647", 2147483647},
        {"2147483648", INT32_MIN},
        {"-2147483648", INT32_MIN},
        {"4294967297", 1},
        {"-", 0},
        {"", 0},
        {"007", 7},
        {"12 3", 12},
    };
    for (const Case &c : cases) {
        const int failed = check::g_failed;
        CHECK_EQ(atoi(c.text), c.want);
        CHECK_EQ(atol(c.text), static_cast<long>(c.want));
        note_row(failed, c.text);
    }
    CHECK_EQ(atoi(nullptr), 0);
    CHECK_EQ(atol(nullptr), 0L);
}

void test_strtoul() {
    struct Case {
        const char *text;
        int base;
        uint32_t want;
        int end;
    };
    const Case cases[] = {
        {"-42", 10, 0, 0},
        {"+42", 10, 0, 0},
        {"  -5", 10, 0, 2},
        {" \t\n\r42", 10, 42, 6},
        {"\v42", 10, 0, 0},
        {"\f42", 10, 0, 0},
        {"4294967295", 10, 0xffffffff, 10},
        {"4294967296", 10, 0, 10},
        {"0x1f", 0, 31, 4},
        {"0X1F", 0, 31, 4},
        {"017", 0, 15, 3},
        {"09", 0, 0, 1},
        {"0", 0, 0, 1},
        {"0xg", 0, 0, 2},
        {"42z", 0, 42, 2},
        {"x1", 0, 0, 0},
        {"0x1f", 10, 0, 1},
        {"0x1f", 8, 0, 1},
        {"0x1f", 16, 31, 4},
        {"1fG", 16, 31, 2},
        {"0xg", 16, 0, 2},
        {"777", 8, 511, 3},
        {"78", 8, 7, 1},
        {"ef", 15, 14, 1},
        {"z", 36, 0, 0},
        {"fg", 36, 15, 1},
        {"10", 36, 36, 2},
        {"000", 1, 0, 3},
        {"01", 1, 0, 1},
        {"12", 0x7fffffff, 0x80000001, 2},
        {"12", -1, 0, 0},
        {"12", INT32_MIN, 0, 0},
        {"0x12", -16, 0, 0},
    };
    for (const Case &c : cases) {
        const int failed = check::g_failed;
        char *end = nullptr;
        CHECK_EQ(strtoul(c.text, &end, c.base), static_cast<unsigned long>(c.want));
        CHECK_EQ(end, c.text + c.end);
        end = nullptr;
        CHECK_EQ(strtol(c.text, &end, c.base), static_cast<long>(c.want));
        CHECK_EQ(end, c.text + c.end);
        CHECK_EQ(strtoul(c.text, nullptr, c.base), static_cast<unsigned long>(c.want));
        note_row(failed, c.text);
    }
    char *end = const_cast<char *>("untouched");
    CHECK_EQ(strtoul(nullptr, &end, 10), 0ul);
    CHECK_EQ(end, nullptr);
    end = const_cast<char *>("untouched");
    CHECK_EQ(strtol(nullptr, &end, 10), 0l);
    CHECK_EQ(end, nullptr);
}

struct FloatCase {
    const char *text;
    size_t end;  // SIZE_MAX: the end of the text
    long double want;
};

size_t end_of(const FloatCase &c) { return c.end == SIZE_MAX ? check::length(c.text) : c.end; }

void test_strtold_exact() {
    const FloatCase cases[] = {
        {"  -2.25", 7, -2.25L},
        {"\t\n\v\f\r 7", 7, 7},
        {".5", 2, 0.5L},
        {"5.", 2, 5},
        {"1.e2", 4, 100},
        {"1.2.3", 3, decimal_steps("12", 1, 0)},
        {"1e2e3", 3, 100},
        {"1e", 1, 1},
        {"1ex", 1, 1},
        {"1e+", 1, 1},
        {"1e-", 1, 1},
        {"1E+2", 4, 100},
        {"0.1", 3, decimal_steps("01", 1, 0)},
        {"0.1e0", 5, 0.1L},
        {"+3.14159e2", 10, decimal_steps("314159", 5, 2)},
        {"3.14159E-2", 10, decimal_steps("314159", 5, -2)},
        {"123456789012345678901234567890", 30,
         decimal_steps("123456789012345678901234567890", 0, 0)},
        {"98765.4321e-7", 13, decimal_steps("987654321", 4, -7)},
        {"2.71828e5", 9, decimal_steps("271828", 5, 5)},
        {"1.001e17", 8, decimal_steps("1001", 3, 17)},
        {"1.618033988749895e17", 20, decimal_steps("1618033988749895", 15, 17)},
        {"1e0000000000000000000000001", SIZE_MAX, 10},
        {"1e1024", 6, decimal_steps("1", 0, 1024)},
        {"1e-1024", 7, decimal_steps("1", 0, -1024)},
        {"2.5e-1024", 9, decimal_steps("25", 1, -1024)},
        {g_tiny_1024, SIZE_MAX, decimal_steps(g_tiny_1024_digits, 1024, 0)},
        {g_fives_1024, SIZE_MAX, decimal_steps(g_fives_1024_digits, 1024, 0)},
        {g_fives_1024_e, SIZE_MAX, decimal_steps(g_fives_1024_digits, 1024, -1024)},
        {"-0", 2, -0.0L},
        {"-0.0e5", 6, -0.0L},
        {"+0", 2, 0},
        {"0e99999", 7, 0},
        {"0x.8", 4, 0.5L},
        {"0x8.", 4, 8},
        {"0xa.8p1", 7, 21},
        {"0x1P-2", 6, 0.25L},
        {"0X10", 4, 16},
        {"-0x1.8p1", 8, -3},
        {"0x1p", 3, 1},
        {"0x1p+", 3, 1},
        {"0x1pe", 3, 1},
        {"0x1.", 4, 1},
        {"0xffffffffffffffffff", 20, hex_steps("ffffffffffffffffff", 0, 0)},
        {"0xABCDEF.123456789abcdefp-3", SIZE_MAX, hex_steps("ABCDEF123456789abcdef", 15, -3)},
        {"0x1p1024", 8, hex_steps("1", 0, 1024)},
        {"0x1p-1024", 9, hex_steps("1", 0, -1024)},
        {g_hex_tiny_1024, SIZE_MAX, 0x1p-4096L},
        {"-0x0p3", 6, -0.0L},
        // No conversion: +0, the end position at the text itself.
        {"", 0, 0},
        {"   ", 0, 0},
        {".", 0, 0},
        {"-", 0, 0},
        {"+", 0, 0},
        {"+-1", 0, 0},
        {"-.", 0, 0},
        {".e2", 0, 0},
        {"e5", 0, 0},
        {"inf", 0, 0},
        {"nan", 0, 0},
        {"0x", 0, 0},
        {"0xg", 0, 0},
        {"0x.", 0, 0},
        {"-0x", 0, 0},
        {"0x.p1", 0, 0},
        // Beyond 1024 steps the scale still reaches the whole range.
        {"1e4933", 6, kInfinity},
        {"1e99999", 7, kInfinity},
        {"-1e99999", 8, -kInfinity},
        {"1e99999999999999999999999", SIZE_MAX, kInfinity},
        {"1e-5000", 7, 0},
        {"1e-99999", 8, 0},
        {"1e-99999999999999999999999", SIZE_MAX, 0},
        {"0x1p16383", 9, 0x1p16383L},
        {"0x1p16384", 9, kInfinity},
        {"0x1p99999", 9, kInfinity},
        {"0x1p-16445", 10, 0x1p-16445L},
        {"0x1p-16446", 10, 0},
        {"0x1p-99999", 10, 0},
        {g_hex_tiny_1101, SIZE_MAX, 1},
        {g_hex_big_5000, SIZE_MAX, 1},
    };
    for (const FloatCase &c : cases) {
        const int failed = check::g_failed;
        char *end = nullptr;
        CHECK_BITS(strtold(c.text, &end), c.want);
        CHECK_EQ(end, c.text + end_of(c));
        CHECK_BITS(strtold(c.text, nullptr), c.want);
        note_row(failed, c.text);
    }
    char *end = const_cast<char *>("untouched");
    CHECK_BITS(strtold(nullptr, &end), 0.0L);
    CHECK_EQ(end, nullptr);
}

long double relative_error(long double got, long double want) {
    const long double difference = got > want ? got - want : want - got;
    return difference / want;
}

// Where the exponent or the fraction runs past 1024 steps, the result is the value
// the text names, up to the rounding of a few thousand steps.
void test_strtold_scaled() {
    const FloatCase cases[] = {
        {"1e2000", 6, 1e2000L},
        {"1e4932", 6, 1e4932L},
        {"1e-4000", 7, 1e-4000L},
        {"2.5e-3000", 9, 2.5e-3000L},
        {g_fives_1030, SIZE_MAX, 1.55555555555555555555555L},
        {g_tiny_1030, SIZE_MAX, 1e-1031L},
        {g_fives_6000, SIZE_MAX, 1.55555555555555555555555L},
        {g_big_6000, SIZE_MAX, 1},
        {g_tiny_20000, SIZE_MAX, 1},
    };
    for (const FloatCase &c : cases) {
        const int failed = check::g_failed;
        char *end = nullptr;
        const long double got = strtold(c.text, &end);
        CHECK(relative_error(got, c.want) < 1e-15L);
        CHECK_EQ(end, c.text + end_of(c));
        note_row(failed, c.text);
    }
}

// Rounded through memory, apart from the code under test.
double narrow(long double v) {
    volatile double d = static_cast<double>(v);
    return d;
}

void test_strtod() {
    struct Case {
        const char *text;
        size_t end;
        double want;
    };
    const Case cases[] = {
        {"3.14159e2", 9, narrow(decimal_steps("314159", 5, 2))},
        {"0.1", 3, 0.1},
        {" -2.5x", 5, -2.5},
        {"1e400", 5, __builtin_inf()},
        {"-1e400", 6, -__builtin_inf()},
        {"1e-400", 6, 0},
        {"1e-320", 6, narrow(decimal_steps("1", 0, -320))},
        {"0x1p1023", 8, 0x1p1023},
        {"0x1p1024", 8, __builtin_inf()},
        {"0x1p-1074", 9, 0x1p-1074},
        {"0x1p-1075", 9, 0},
        {"0x1.8p-1075", 11, 0x1p-1074},
        // 2^53 + 1 lies halfway between two doubles: to the even one.
        {"9007199254740993", 16, 9007199254740992.0},
        {"-0", 2, -0.0},
        {"inf", 0, 0},
        {"1e", 1, 1},
    };
    for (const Case &c : cases) {
        const int failed = check::g_failed;
        char *end = nullptr;
        CHECK_BITS(strtod(c.text, &end), c.want);
        CHECK_EQ(end, c.text + c.end);
        CHECK_BITS(strtod(c.text, nullptr), c.want);
        note_row(failed, c.text);
    }
    char *end = const_cast<char *>("untouched");
    CHECK_BITS(strtod(nullptr, &end), 0.0);
    CHECK_EQ(end, nullptr);
}

}  // namespace

int main() {
    compose_long_texts();
    test_atoi();
    test_strtoul();
    test_strtold_exact();
    test_strtold_scaled();
    test_strtod();
    return check::finish();
}
