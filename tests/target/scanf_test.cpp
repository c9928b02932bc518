// sscanf and vsscanf: one table of input, format, result and the values stored.
// Every destination starts filled with a marker byte, so a row also shows that
// nothing was stored where it wants nothing, and that a store wrote no more than
// its value (one byte for c, four for the integers, the word and its zero for s).
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>

#include "check.h"

namespace {

constexpr char kMarker = 0x5a;
constexpr int kSlots = 3;
constexpr size_t kSlotSize = 32;

struct Want {
    enum Kind { Nothing, Number, Byte, Text } kind = Nothing;
    int number = 0;
    const char *text = nullptr;
};

constexpr Want number(int v) { return {Want::Number, v, nullptr}; }
constexpr Want byte(char c) { return {Want::Byte, c, nullptr}; }
constexpr Want text(const char *s) { return {Want::Text, 0, s}; }

struct Case {
    const char *input;
    const char *format;
    int result;
    Want want[kSlots];
};

constinit const Case kCases[] = {
    // The blanks before a field are space and tab only.
    {"  -42", "%d", 1, {number(-42)}},
    {"+42", "%d", 1, {number(42)}},
    {"\t 7", "%u", 1, {number(7)}},
    {"\n42", "%d", 0, {}},
    {"\n42", "%x", 0, {}},
    {"\v42", "%d", 0, {}},
    // Format whitespace is tab, line feed and space, and matches any run of them.
    {"\n42", " %d", 1, {number(42)}},
    {"\t\n \n42", "\t%d", 1, {number(42)}},
    {"42", " %d", 1, {number(42)}},
    {"1 \n\t 2", "%d\n%d", 2, {number(1), number(2)}},
    {"\r42", " %d", 0, {}},
    {"\f42", " %d", 0, {}},
    {"\r5", "\r%d", 1, {number(5)}},
    // Literal characters match exactly.
    {"12 ,34", "%d,%d", 1, {number(12)}},
    {"12 ,34", "%d ,%d", 2, {number(12), number(34)}},
    {"ab7", "ab%d", 1, {number(7)}},
    {"a", "ab", 0, {}},
    // Signs and bases.
    {"- 5", "%d", 0, {}},
    {"+-5", "%d", 0, {}},
    {"-", "%d", 0, {}},
    {"-7", "%u", 0, {}},
    {"+7", "%u", 0, {}},
    {"0x1f", "%i", 1, {number(31)}},
    {"0X1F", "%i", 1, {number(31)}},
    {"017", "%i", 1, {number(15)}},
    {"019", "%i%d", 2, {number(1), number(9)}},
    {"0", "%i", 1, {number(0)}},
    {"0xg", "%i", 0, {}},
    {"0x", "%i", 0, {}},
    {"-0x10", "%i", 1, {number(-16)}},
    {"+10", "%i", 1, {number(10)}},
    {"0x1f", "%x%c", 2, {number(0), byte('x')}},
    {"-ff", "%x", 1, {number(-255)}},
    {"FfA9", "%X", 1, {number(0xffa9)}},
    {"12abc", "%d%s", 2, {number(12), text("abc")}},
    // Values wrap modulo 2^32.
    {"4294967296", "%d", 1, {number(0)}},
    {"4294967295", "%d", 1, {number(-1)}},
    {"-2147483648", "%d", 1, {number(-2147483647 - 1)}},
    {"4294967297", "%u", 1, {number(1)}},
    {"100000001", "%x", 1, {number(1)}},
    {"-0", "%d", 1, {number(0)}},
    // Words end at a zero byte, space, tab or line feed, and at nothing else.
    {"hello world", "%s%s", 2, {text("hello"), text("world")}},
    {"ab\tcd", "%s%s", 2, {text("ab"), text("cd")}},
    {"hello\nworld", "%s%s", 2, {text("hello"), text("")}},
    {"hello\rworld", "%s", 1, {text("hello\rworld")}},
    {"a\vb\fc", "%s", 1, {text("a\vb\fc")}},
    {" \nx", "%s%c", 2, {text(""), byte('\n')}},
    {"\n5", "%s%d", 1, {text("")}},
    {"   ", "%s", 0, {}},
    // Widths are read and ignored.
    {"abc", "%2s", 1, {text("abc")}},
    {"12345", "%2d", 1, {number(12345)}},
    {"ab", "%3c", 1, {byte('a')}},
    // c takes one character, whitespace included, and skips nothing.
    {" ab", "%c", 1, {byte(' ')}},
    {"\n", "%c", 1, {byte('\n')}},
    {"a", "%c%c", 1, {byte('a')}},
    // Suppression reads the field, takes no argument and counts nothing.
    {"1 2", "%*d %d", 1, {number(2)}},
    {"xy", "%*c%c", 1, {byte('y')}},
    {"ab cd 5", "%*s%s%*x%d", 1, {text("cd")}},
    {"5", "%*d", 0, {}},
    {"zz 5", "%*x%d", 0, {}},
    // %% matches a percent sign and skips nothing.
    {"50%", "%d%%", 1, {number(50)}},
    {"5%6", "%d%%%d", 2, {number(5), number(6)}},
    {" %5", "%%%d", 0, {}},
    // Anything but the known conversions ends the scan.
    {"7", "%ld", 0, {}},
    {"7 8", "%d %hd", 1, {number(7)}},
    {"7 8", "%d %o", 1, {number(7)}},
    {"1.5", "%f", 0, {}},
    {"ab", "%[a]", 0, {}},
    {"7", "%d%", 1, {number(7)}},
    {"7", "%*", 0, {}},
    // Running out of input is a count too, never -1.
    {"", "%d", 0, {}},
    {"", "%c", 0, {}},
    {"", "%s", 0, {}},
    {"", "x", 0, {}},
    {"", "", 0, {}},
    {"1", "%d%d", 1, {number(1)}},
    // A null input or format stores nothing.
    {nullptr, "%d", 0, {}},
    {"5", nullptr, 0, {}},
};

struct Slots {
    alignas(4) char bytes[kSlots][kSlotSize];
};

bool untouched(const char *bytes, size_t from) {
    for (size_t i = from; i < kSlotSize; ++i) {
        if (bytes[i] != kMarker) return false;
    }
    return true;
}

void check_slot(const Case &c, int slot, const char *bytes) {
    const Want &want = c.want[slot];
    size_t size = 0;
    switch (want.kind) {
        case Want::Nothing:
            break;
        case Want::Number: {
            uint32_t got = 0;
            for (int i = 3; i >= 0; --i) got = got << 8 | static_cast<unsigned char>(bytes[i]);
            CHECK_EQ(static_cast<int>(got), want.number);
            size = sizeof got;
            break;
        }
        case Want::Byte:
            CHECK_EQ(bytes[0], static_cast<char>(want.number));
            size = 1;
            break;
        case Want::Text:
            CHECK_STR(bytes, want.text);
            size = check::length(want.text) + 1;
            break;
    }
    CHECK(untouched(bytes, size));
}

void report_row(const Case &c, int failures_before) {
    if (check::g_failed == failures_before) return;
    check::put("  in row: input ");
    c.input != nullptr ? check::put_escaped(c.input, check::length(c.input)) : check::put("null");
    check::put(", format ");
    c.format != nullptr ? check::put_escaped(c.format, check::length(c.format))
                        : check::put("null");
    check::put("\n");
}

void test_table() {
    for (const Case &c : kCases) {
        const int failures_before = check::g_failed;
        Slots s;
        for (auto &slot : s.bytes) {
            for (char &b : slot) b = kMarker;
        }
        CHECK_EQ(sscanf(c.input, c.format, s.bytes[0], s.bytes[1], s.bytes[2]), c.result);
        for (int slot = 0; slot < kSlots; ++slot) check_slot(c, slot, s.bytes[slot]);
        report_row(c, failures_before);
    }
}

// A null destination for s consumes the word without storing or counting it.
void test_null_word_destination() {
    char word[8] = "-";
    CHECK_EQ(sscanf("hello world", "%s%s", nullptr, word), 1);
    CHECK_STR(word, "world");

    // The line feed of an empty field stays for the next conversion.
    char c = 0;
    CHECK_EQ(sscanf("\nx", "%s%c", nullptr, &c), 1);
    CHECK_EQ(c, '\n');
}

int scan_list(const char *input, const char *format, ...) {
    va_list ap;
    va_start(ap, format);
    const int stored = vsscanf(input, format, ap);
    va_end(ap);
    return stored;
}

void test_vsscanf() {
    int a = 0, b = 0, c = 0;
    CHECK_EQ(scan_list("  -42 17 ff", "%d %u %x", &a, &b, &c), 3);
    CHECK_EQ(a, -42);
    CHECK_EQ(b, 17);
    CHECK_EQ(c, 255);
}

}  // namespace

int main() {
    test_table();
    test_null_word_destination();
    test_vsscanf();
    return check::finish();
}
