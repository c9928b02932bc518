// The buffer formatter: what it stores, byte for byte, and what it returns.
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>

#include "check.h"

namespace {

// Bytes the formatter has not written keep this value.
constexpr char kUntouched = '~';
constexpr size_t kBufferSize = 80;

struct Case {
    int line;
    int (*call)(char *buf, size_t size);
    size_t size;
    const char *stored;  // every byte expected in the buffer, terminator included
    size_t stored_length;
    int result;
};

// A call with the given size: the bytes it stores and its result.
#define STORES(size, stored, result, ...)                                                          \
    Case {                                                                                         \
        __LINE__, [](char *b, size_t n) { return snprintf(b, n, __VA_ARGS__); }, (size), (stored), \
            sizeof(stored) - 1, (result)                                                           \
    }

// The same call through a null buffer: nothing is stored, the length is returned.
#define MEASURES(size, result, ...)                                                               \
    Case {                                                                                        \
        __LINE__, [](char *, size_t n) { return snprintf(nullptr, n, __VA_ARGS__); }, (size), "", \
            0, (result)                                                                           \
    }

// A call with room to spare: the whole text and a terminator are stored and the
// result is the length of the text (which may hold zero bytes of its own).
#define GIVES(text, ...)                                                                      \
    Case {                                                                                    \
        __LINE__, [](char *b, size_t n) { return snprintf(b, n, __VA_ARGS__); }, kBufferSize, \
            text "\0", sizeof(text), sizeof(text) - 1                                         \
    }

void check_case(const Case &c) {
    char buf[kBufferSize];
    for (char &byte : buf) byte = kUntouched;
    check::eq(c.call(buf, c.size), c.result, "result", "expected result", __FILE__, c.line);
    check::mem_eq(buf, c.stored, c.stored_length, "stored", "expected", __FILE__, c.line);
    size_t beyond = c.stored_length;
    while (beyond < kBufferSize && buf[beyond] == kUntouched) ++beyond;
    check::eq(beyond, kBufferSize, "untouched up to", "buffer size", __FILE__, c.line);
}

const Case kStoringRule[] = {
    STORES(0, "", 5, "hello"),
    STORES(1, "\0", 5, "hello"),
    STORES(5, "hell\0", 5, "hello"),
    STORES(6, "hello\0", 5, "hello"),
    STORES(7, "hello\0", 5, "hello"),
    // The largest size: the end of the buffer lies past the end of memory.
    STORES(0xffffffff, "hello   42\0", 10, "hello%5d", 42),
    // Conversions are cut by the same rule as literal text.
    STORES(4, "ab \0", 6, "ab%4d", 7),
    STORES(4, "x12\0", 6, "x%d", 12345),
    STORES(5, "   a\0", 6, "%6s", "abc"),
    STORES(3, "-0\0", 5, "%05d", -7),
    STORES(5, "   4\0", 5, "%5d", 42),
    STORES(3, "a\0\0", 3, "a%cb", 0),
    MEASURES(0, 5, "hello"),
    MEASURES(16, 11, "%s-%d", "hello", 12345),
    // A null or empty format is empty output.
    STORES(8, "\0", 0, nullptr),
    STORES(0, "", 0, nullptr),
    STORES(8, "\0", 0, ""),
    // The position counts modulo 2^32: the characters after the wrap have positions
    // 0 to 3 and are stored there, over the start of the first conversion.
    STORES(8, "0003\0  ", 4, "%2147483647d%2147483647d%06d", 1, 2, 3),
    STORES(8, "cdef\0  ", 4, "%2147483647d%2147483647d%s", 1, 2, "abcdef"),
    STORES(8, "cdef\0  ", 4, "%2147483647d%2147483647dabcdef", 1, 2),
};

const Case kConversions[] = {
    // The end of the format between a percent sign and its conversion ends the output.
    GIVES("a", "a%"),
    GIVES("", "%5"),
    GIVES("ab", "ab%-0+5.3l"),
    GIVES("x", "x%."),
    GIVES("", "%ll"),
    GIVES("", "%*", 3),
    GIVES("7", "%d%.*", 7, 2),
    // Anything but the nine conversions is echoed with its percent sign.
    GIVES("%q", "%5q"),
    GIVES("% d", "% d"),
    GIVES("%#x", "%#x", 255),
    GIVES("%hd", "%hd", 3),
    GIVES("%jd", "%jd"),
    GIVES("%ld", "%zld"),
    GIVES("%ld", "%llld"),
    GIVES("%\xe9|\xff", "%-08.2\xe9|\xff"),
    GIVES("%", "%%"),
    GIVES("%", "%-05.3%"),
    // Arguments a `*` took stay taken.
    GIVES("%q42", "%*q%d", 5, 42),
    GIVES("%q7", "%*.*q%d", 1, 2, 7),
    // Integers: sign, precision zeros, fill.
    GIVES("0|0|0", "%d|%.0d|%.d", 0, 0, 0),
    GIVES("+0|-5|+7", "%+d|%+d|%+i", 0, -5, 7),
    GIVES("-0005|+0005", "%05d|%+05d", -5, 5),
    GIVES("-5   |", "%-05d|", -5),
    GIVES("  -005", "%06.3d", -5),
    GIVES("   42", "%05.d", 42),
    GIVES("000000000123|00123", "%.12d|%.5i", 123, 123),
    GIVES("    42|42    |000042", "%6d|%-6d|%06d", 42, 42, 42),
    GIVES("-2147483648|2147483647", "%d|%d", INT32_MIN, INT32_MAX),
    GIVES("4294967295|7|ff", "%u|%+u|%+x", -1, 7, 255),
    GIVES("    00ff", "%08.4x", 255),
    // Digit counts change at each power of the base.
    GIVES("9|10|99|100|999|1000|9999|10000", "%u|%u|%u|%u|%u|%u|%u|%u", 9, 10, 99, 100, 999, 1000,
          9999, 10000),
    GIVES("999999999|1000000000|4294967295", "%u|%u|%u", 999999999, 1000000000, 4294967295u),
    GIVES("f|10|fffffff|10000000", "%x|%x|%x|%x", 15, 16, 0xfffffff, 0x10000000),
    GIVES("ffffffff|ABCDEF|0000001F", "%x|%X|%08X", 0xffffffffu, 0xabcdef, 0x1f),
    // Width and precision from the arguments.
    GIVES("42", "%*d", -5, 42),
    GIVES("42|  42|42  ", "%-*d|%*d|%-*d", -4, 42, 4, 42, 4, 42),
    GIVES("42|0042|00042", "%.*d|%.*d|%05.*d", -4, 42, 4, 42, -4, 42),
    GIVES("  0042", "%*.*d", 6, 4, 42),
    // Widths accumulate in 32 bits: 4294967298 is 2.
    GIVES(" 5", "%4294967298d", 5),
    // Length modifiers change nothing: one 32-bit argument each.
    GIVES("-7|9", "%lld|%d", -7, 9),
    GIVES("5|ff|-1", "%zu|%lx|%li", 5, 255, -1),
    // Characters and pointers ignore flags, width and precision.
    GIVES("A|A", "%5c|%-05.2c", 65, 0x141),
    GIVES("a\0b", "a%cb", 0),
    GIVES("0x1234|0x0|0xdeadbeef", "%10p|%p|%-+012.3p", reinterpret_cast<void *>(0x1234), nullptr,
          reinterpret_cast<void *>(0xdeadbeef)),
    // Strings: null, precision, width.
    GIVES("(null)|(n|  (null)", "%s|%.2s|%8s", nullptr, nullptr, nullptr),
    GIVES("  abc|abc  |  abc", "%5s|%-5s|%05s", "abc", "abc", "abc"),
    GIVES("     |a|abcd", "%5.0s|%.1s|%2s", "abc", "abc", "abcd"),
    GIVES("abc|ab|ab", "%.*s|%*s|%.*s", -1, "abc", -5, "ab", 2, "abc"),
    GIVES("\xc3\xa9t\xc3\xa9", "%s", "\xc3\xa9t\xc3\xa9"),
};

int call_vsprintf(char *buf, const char *format, ...) {
    va_list ap;
    va_start(ap, format);
    const int length = vsprintf(buf, format, ap);
    va_end(ap);
    return length;
}

// 70000 characters: spaces, then 7 at position 65532, a and b at 65533 and 65534,
// where the unbounded forms stop storing, and 4465 more.
constexpr const char *kLongFormat = "%65533dab%4465s";
constexpr size_t kLongSize = 70000;
char g_long[kLongSize + 8];

void check_long(int result) {
    CHECK_EQ(result, 70000);
    CHECK_EQ(g_long[0], ' ');
    CHECK_MEM(g_long + 65531, " 7ab\0~", 6);
}

void check_unbounded() {
    char buf[16];
    CHECK_EQ(sprintf(buf, "%d-%s|%c", -12, "ab", 'z'), 8);
    CHECK_STR(buf, "-12-ab|z");
    CHECK_EQ(call_vsprintf(buf, "%x%%", 48879), 5);
    CHECK_STR(buf, "beef%");

    for (char &byte : g_long) byte = kUntouched;
    check_long(sprintf(g_long, kLongFormat, 7, "c"));
    for (char &byte : g_long) byte = kUntouched;
    check_long(call_vsprintf(g_long, kLongFormat, 7, "c"));
}

}  // namespace

int main() {
    for (const Case &c : kStoringRule) check_case(c);
    for (const Case &c : kConversions) check_case(c);
    check_unbounded();
    return check::finish();
}
