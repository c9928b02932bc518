// The string and memory functions, family by family: measuring, comparing, copying
// and appending, searching, moving raw memory, duplicating and splitting.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "check.h"

namespace {

// Addresses in the first page stand for no string; 4096 is the first real address,
// and nothing is mapped there, so a function that reads it faults.
const char *at(uintptr_t address) { return reinterpret_cast<const char *>(address); }
char *writable_at(uintptr_t address) { return reinterpret_cast<char *>(address); }
constexpr uintptr_t first_real_address = 4096;

void label_failure(bool ok, const char *label) {
    if (ok) return;
    check::put("  in case: ");
    check::put(label);
    check::put("\n");
}

uint32_t size_word(const void *payload) { return static_cast<const uint32_t *>(payload)[-1]; }

void test_strtok_before_any_string() {
    // Must run first: the saved position starts out null.
    CHECK_EQ(strtok(nullptr, ","), nullptr);
}

void test_lengths() {
    struct Case {
        const char *label;
        const char *s;
        size_t max;
        size_t want_strlen, want_strnlen;
    };
    const Case cases[] = {
        {"null", nullptr, 5, 0, 0},
        {"address 1", at(1), 5, 0, 0},
        {"address 4095", at(4095), 5, 0, 0},
        {"empty", "", 5, 0, 0},
        {"hello, max 3", "hello", 3, 5, 3},
        {"hello, max 10", "hello", 10, 5, 5},
        {"hello, max 5", "hello", 5, 5, 5},
        {"hello, max 0", "hello", 0, 5, 0},
        {"long", "abcdefghijklmnopq", 100, 17, 17},
    };
    for (const Case &c : cases) {
        const size_t got_strlen = strlen(c.s), got_strnlen = strnlen(c.s, c.max);
        CHECK_EQ(got_strlen, c.want_strlen);
        CHECK_EQ(got_strnlen, c.want_strnlen);
        label_failure(got_strlen == c.want_strlen && got_strnlen == c.want_strnlen, c.label);
    }
    CHECK_EQ(strnlen(at(first_real_address), 0), 0u);
    const char unterminated[3] = {'a', 'b', 'c'};
    CHECK_EQ(strnlen(unterminated, 3), 3u);
}

int call_strcmp(const char *a, const char *b, size_t) { return strcmp(a, b); }
int call_strcasecmp(const char *a, const char *b, size_t) { return strcasecmp(a, b); }
int call_memcmp(const char *a, const char *b, size_t n) { return memcmp(a, b, n); }

void test_comparisons() {
    struct Case {
        const char *label;
        int (*compare)(const char *, const char *, size_t);
        const char *a, *b;
        size_t n;
        int want;
    };
    const Case cases[] = {
        {"strcmp equal", call_strcmp, "abc", "abc", 0, 0},
        {"strcmp empty", call_strcmp, "", "", 0, 0},
        {"strcmp longer first", call_strcmp, "abc", "ab", 0, 99},
        {"strcmp longer second", call_strcmp, "ab", "abc", 0, -99},
        {"strcmp unsigned bytes", call_strcmp, "\xff", "a", 0, 158},
        {"strcmp both null", call_strcmp, nullptr, nullptr, 0, 0},
        {"strcmp first null", call_strcmp, nullptr, "a", 0, -1},
        {"strcmp second null", call_strcmp, "a", nullptr, 0, 1},
        {"strcmp first absent", call_strcmp, at(4095), "a", 0, -1},
        {"strcmp second absent", call_strcmp, "a", at(1), 0, 1},
        {"strcmp two absent", call_strcmp, at(1), at(2), 0, -1},
        {"strcmp one pointer twice", call_strcmp, at(first_real_address), at(first_real_address), 0,
         0},

        {"strncmp n 0, nulls", strncmp, nullptr, nullptr, 0, 0},
        {"strncmp n 0, null first", strncmp, nullptr, "a", 0, 0},
        {"strncmp within n", strncmp, "abc", "abd", 2, 0},
        {"strncmp at n", strncmp, "abc", "abd", 3, -1},
        {"strncmp past both ends", strncmp, "abc", "abc", 10, 0},
        {"strncmp shorter first", strncmp, "ab", "abc", 10, -99},
        {"strncmp unsigned bytes", strncmp, "\x80", "\x7f", 1, 1},
        {"strncmp first null", strncmp, nullptr, "a", 1, -1},
        {"strncmp second absent", strncmp, "a", at(4095), 1, 1},
        {"strncmp one pointer twice", strncmp, at(first_real_address), at(first_real_address), 5,
         0},

        {"strcasecmp folded equal", call_strcasecmp, "ABC", "abc", 0, 0},
        {"strcasecmp Z against a", call_strcasecmp, "Z", "a", 0, 25},
        {"strcasecmp [ not folded", call_strcasecmp, "[", "a", 0, -6},
        {"strcasecmp @ not folded", call_strcasecmp, "@", "`", 0, -32},
        {"strcasecmp high bytes kept", call_strcasecmp, "\xc0", "\xe0", 0, -32},
        {"strcasecmp against empty", call_strcasecmp, "A", "", 0, 97},
        {"strcasecmp empty first", call_strcasecmp, "", "A", 0, -97},
        {"strcasecmp both null", call_strcasecmp, nullptr, nullptr, 0, 0},
        {"strcasecmp first null", call_strcasecmp, nullptr, "a", 0, -1},
        {"strcasecmp second null", call_strcasecmp, "a", nullptr, 0, 1},

        {"strncasecmp within n", strncasecmp, "ABc", "abD", 2, 0},
        {"strncasecmp at n", strncasecmp, "ABc", "abD", 3, -1},
        {"strncasecmp ends together", strncasecmp, "Hello", "hELLO", 10, 0},
        {"strncasecmp first null", strncasecmp, nullptr, "abc", 3, -1},
        {"strncasecmp second null", strncasecmp, "abc", nullptr, 3, 1},
        {"strncasecmp n 0", strncasecmp, nullptr, "abc", 0, 0},
        {"strncasecmp one pointer twice", strncasecmp, at(first_real_address),
         at(first_real_address), 3, 0},

        {"memcmp unsigned bytes", call_memcmp, "\xff", "\x01", 1, 254},
        {"memcmp n 0", call_memcmp, nullptr, nullptr, 0, 0},
        {"memcmp past NUL", call_memcmp, "a\0b", "a\0c", 3, -1},
        {"memcmp within n", call_memcmp, "ab", "ac", 1, 0},
    };
    for (const Case &c : cases) {
        const int got = c.compare(c.a, c.b, c.n);
        CHECK_EQ(got, c.want);
        label_failure(got == c.want, c.label);
    }
}

// Each copy starts from a buffer of '#', so every byte written, and every byte
// left alone, shows.
struct Buffer {
    char bytes[16];
    Buffer() { memset(bytes, '#', sizeof bytes); }
    explicit Buffer(const char *start) : Buffer() { memcpy(bytes, start, strlen(start) + 1); }
};

void test_strcpy() {
    Buffer b;
    CHECK_EQ(strcpy(b.bytes, "abc"), b.bytes);
    CHECK_MEM(b.bytes, "abc\0#", 5);
    Buffer n;
    CHECK_EQ(strcpy(n.bytes, nullptr), n.bytes);
    CHECK_MEM(n.bytes, "\0##", 3);
    CHECK_EQ(strcpy(nullptr, "abc"), nullptr);
}

void test_strncpy() {
    struct Case {
        const char *label;
        const char *src;
        size_t n;
        const char *want;  // the first 8 bytes of the buffer afterwards
    };
    const Case cases[] = {
        {"short source is filled", "abc", 6, "abc\0\0\0##"},
        {"long source is cut, no terminator", "abcdef", 3, "abc#####"},
        {"exact length, no terminator", "abc", 3, "abc#####"},
        {"null source gives n NULs", nullptr, 5, "\0\0\0\0\0###"},
        {"n 0 writes nothing", "abc", 0, "########"},
        {"empty source", "", 2, "\0\0######"},
    };
    for (const Case &c : cases) {
        Buffer b;
        CHECK_EQ(strncpy(b.bytes, c.src, c.n), b.bytes);
        CHECK_MEM(b.bytes, c.want, 8);
        label_failure(memcmp(b.bytes, c.want, 8) == 0, c.label);
    }
    CHECK_EQ(strncpy(nullptr, "abc", 3), nullptr);
}

void test_strcat() {
    Buffer b("ab");
    CHECK_EQ(strcat(b.bytes, "xyz"), b.bytes);
    CHECK_MEM(b.bytes, "abxyz\0#", 7);
    Buffer e("");
    strcat(e.bytes, "xyz");
    CHECK_MEM(e.bytes, "xyz\0#", 5);
    Buffer n("ab");
    CHECK_EQ(strcat(n.bytes, nullptr), n.bytes);
    CHECK_MEM(n.bytes, "ab\0#", 4);
    CHECK_EQ(strcat(nullptr, "xyz"), nullptr);
    // A destination in the first page is returned as it is; a write there would fault.
    CHECK_EQ(strcat(writable_at(1), "xyz"), writable_at(1));
    CHECK_EQ(strcat(writable_at(4095), "xyz"), writable_at(4095));
    CHECK_EQ(strcat(writable_at(4095), nullptr), writable_at(4095));
}

void test_strncat() {
    struct Case {
        const char *label;
        const char *src;
        size_t n;
        const char *want;  // the first 7 bytes of the buffer afterwards
    };
    const Case cases[] = {
        {"n below the source", "xyz", 2, "abxy\0##"},
        {"n at the source", "xyz", 3, "abxyz\0#"},
        {"n past the source", "xyz", 5, "abxyz\0#"},
        {"empty source", "", 5, "ab\0####"},
    };
    for (const Case &c : cases) {
        Buffer b("ab");
        CHECK_EQ(strncat(b.bytes, c.src, c.n), b.bytes);
        CHECK_MEM(b.bytes, c.want, 7);
        label_failure(memcmp(b.bytes, c.want, 7) == 0, c.label);
    }
    // With n 0 or a null source not even the terminator is rewritten: a write to a
    // literal in read-only memory would fault.
    char *read_only = const_cast<char *>("ab");
    CHECK_EQ(strncat(read_only, "xyz", 0), read_only);
    CHECK_EQ(strncat(read_only, nullptr, 3), read_only);
    CHECK_EQ(strncat(nullptr, "xyz", 3), nullptr);
    CHECK_EQ(strncat(writable_at(1), "xyz", 3), writable_at(1));
    CHECK_EQ(strncat(writable_at(4095), "xyz", 3), writable_at(4095));
}

void test_searches() {
    const char *s = "abcabc";
    const char *high = "a\xe9";
    struct Case {
        const char *label;
        const char *s;
        int ch;
        const char *want_first, *want_last;
    };
    const Case cases[] = {
        {"letter", s, 'b', s + 1, s + 4},
        {"terminator", s, 0, s + 6, s + 6},
        {"low 8 bits only", s, 0x162, s + 1, s + 4},
        {"0x100 is the terminator", s, 0x100, s + 6, s + 6},
        {"missing byte", s, 'z', nullptr, nullptr},
        {"high byte as int", high, 0xe9, high + 1, high + 1},
        {"high byte as negative int", high, -23, high + 1, high + 1},
        {"null string", nullptr, 'a', nullptr, nullptr},
    };
    for (const Case &c : cases) {
        const char *first = strchr(c.s, c.ch), *last = strrchr(c.s, c.ch);
        CHECK_EQ(first, c.want_first);
        CHECK_EQ(last, c.want_last);
        label_failure(first == c.want_first && last == c.want_last, c.label);
    }
}

void test_strstr() {
    const char *aaab = "aaab", *xabc = "xabcabc", *empty = "", *abc = "abc";
    struct Case {
        const char *label;
        const char *h, *p;
        const char *want;
    };
    const Case cases[] = {
        {"after a false start", aaab, "aab", aaab + 1},
        {"first of two", xabc, "bc", xabc + 2},
        {"at the start", abc, "ab", abc},
        {"at the end", abc, "bc", abc + 1},
        {"whole", abc, "abc", abc},
        {"empty pattern", abc, "", abc},
        {"empty pattern, empty haystack", empty, "", empty},
        {"pattern in empty haystack", empty, "a", nullptr},
        {"pattern longer than haystack", "ab", "abc", nullptr},
        {"partial match at the end", "xxa", "ab", nullptr},
        {"no match", abc, "abd", nullptr},
        {"null haystack", nullptr, "a", nullptr},
        {"null pattern", abc, nullptr, nullptr},
    };
    for (const Case &c : cases) {
        const char *got = strstr(c.h, c.p);
        CHECK_EQ(got, c.want);
        label_failure(got == c.want, c.label);
    }
}

void test_moves() {
    struct Case {
        const char *label;
        void *(*move)(void *, const void *, size_t);
        size_t from, to, n;
        const char *want;
    };
    const Case cases[] = {
        {"memmove up into overlap", memmove, 0, 2, 5, "0101234789"},
        {"memmove down into overlap", memmove, 2, 0, 5, "2345656789"},
        {"memmove n 0", memmove, 0, 2, 0, "0123456789"},
        {"memmove onto itself", memmove, 3, 3, 5, "0123456789"},
        {"memmove apart", memmove, 0, 6, 4, "0123450123"},
        {"memcpy upward over its own stores", memcpy, 0, 2, 5, "0101010789"},
        {"memcpy one byte up, over its own stores", memcpy, 0, 1, 9, "0000000000"},
        {"memcpy three bytes up, over its own stores", memcpy, 0, 3, 7, "0120120120"},
        {"memcpy down", memcpy, 2, 0, 5, "2345656789"},
        {"memcpy n 0", memcpy, 0, 2, 0, "0123456789"},
    };
    for (const Case &c : cases) {
        char b[11] = "0123456789";
        CHECK_EQ(c.move(b + c.to, b + c.from, c.n), b + c.to);
        CHECK_STR(b, c.want);
        label_failure(strcmp(b, c.want) == 0, c.label);
    }
    // A long overlapping memmove each way, across the unrolled steps.
    char up[40], down[40];
    for (int i = 0; i < 40; ++i) up[i] = down[i] = static_cast<char>('A' + i);
    memmove(up + 7, up + 1, 31);
    memmove(down + 1, down + 7, 31);
    bool up_ok = true, down_ok = true;
    for (int i = 0; i < 31; ++i) {
        up_ok = up_ok && up[7 + i] == 'A' + 1 + i;
        down_ok = down_ok && down[1 + i] == 'A' + 7 + i;
    }
    CHECK(up_ok && up[6] == 'A' + 6 && up[38] == 'A' + 38);
    CHECK(down_ok && down[0] == 'A' && down[32] == 'A' + 32);
}

// memset and strncpy's fill may store whole words; every start alignment and
// length must still write exactly its n bytes.
void test_fill_bounds() {
    bool memset_ok = true, strncpy_ok = true;
    for (size_t start = 0; start < 4; ++start) {
        for (size_t n = 0; n < 40; ++n) {
            char m[48], s[48];
            memset(m, '#', sizeof m);
            memset(s, '#', sizeof s);
            CHECK_EQ(memset(m + start, 0x141, n), m + start);
            strncpy(s + start, "ab", n);
            for (size_t i = 0; i < sizeof m; ++i) {
                const bool inside = i >= start && i < start + n;
                memset_ok = memset_ok && m[i] == (inside ? 'A' : '#');
                const char want = !inside ? '#' : i < start + 2 ? "ab"[i - start] : 0;
                strncpy_ok = strncpy_ok && s[i] == want;
            }
        }
    }
    CHECK(memset_ok);
    CHECK(strncpy_ok);
}

void test_duplicates() {
    struct Case {
        const char *label;
        char *copy;
        const char *want;
        uint32_t want_size_word;
    };
    const char unterminated[3] = {'a', 'b', 'c'};
    const Case cases[] = {
        {"strdup", strdup("hello"), "hello", 6},
        {"strdup empty", strdup(""), "", 1},
        {"strdup address 1", strdup(at(1)), "", 1},
        {"strdup address 4095", strdup(at(4095)), "", 1},
        {"strndup cut", strndup("hello", 3), "hel", 4},
        {"strndup exact", strndup("hello", 5), "hello", 6},
        {"strndup past the end", strndup("hello", 10), "hello", 6},
        {"strndup n 0", strndup("hello", 0), "", 1},
        {"strndup address 4095", strndup(at(4095), 5), "", 1},
        {"strndup reads at most n", strndup(unterminated, 3), "abc", 4},
    };
    for (const Case &c : cases) {
        CHECK_STR(c.copy, c.want);
        if (c.copy != nullptr) CHECK_EQ(size_word(c.copy), c.want_size_word);
        label_failure(c.copy != nullptr && strcmp(c.copy, c.want) == 0 &&
                          size_word(c.copy) == c.want_size_word,
                      c.label);
    }
    // A null argument allocates nothing: the next two blocks lie back to back.
    char *before = static_cast<char *>(malloc(0));
    CHECK_EQ(strdup(nullptr), nullptr);
    CHECK_EQ(strndup(nullptr, 5), nullptr);
    char *after = static_cast<char *>(malloc(0));
    CHECK_EQ(after - before, 8);
}

void test_strtok() {
    struct Case {
        const char *label;
        const char *text;
        const char *delim;
        const char *tokens[3];  // until the first null
        const char *after;      // the buffer afterwards, over the text and its terminator
    };
    const Case cases[] = {
        {"runs of delimiters", "  ab,,cd  ", " ,", {"ab", "cd", nullptr}, "  ab\0,cd\0 "},
        {"only delimiters", ",,,", ",", {nullptr}, ",,,"},
        {"empty string", "", ",", {nullptr}, ""},
        {"trailing delimiter", "a,", ",", {"a", nullptr}, "a\0"},
        {"no delimiter found", "abc", ",", {"abc", nullptr}, "abc"},
        {"null delimiter set", "a, b", nullptr, {"a, b", nullptr}, "a, b"},
        {"empty delimiter set", "a, b", "", {"a, b", nullptr}, "a, b"},
    };
    for (const Case &c : cases) {
        char buffer[16];
        const size_t size = strlen(c.text) + 1;
        memcpy(buffer, c.text, size);
        bool ok = true;
        char *s = buffer;
        for (const char *want : c.tokens) {
            char *got = strtok(s, c.delim);
            s = nullptr;
            CHECK_STR(got, want);
            ok = ok && (got == nullptr ? want == nullptr : want != nullptr && !strcmp(got, want));
            if (want == nullptr) break;
        }
        // Used up: further calls keep returning null.
        CHECK_EQ(strtok(nullptr, c.delim), nullptr);
        CHECK_EQ(strtok(nullptr, c.delim), nullptr);
        CHECK_MEM(buffer, c.after, size);
        label_failure(ok && memcmp(buffer, c.after, size) == 0, c.label);
    }
    // A new string abandons the one in progress.
    char first[] = "x y z", second[] = "p q";
    CHECK_STR(strtok(first, " "), "x");
    CHECK_STR(strtok(second, " "), "p");
    CHECK_STR(strtok(nullptr, " "), "q");
    CHECK_EQ(strtok(nullptr, " "), nullptr);
    CHECK_MEM(first, "x\0y z", 6);
}

}  // namespace

int main() {
    test_strtok_before_any_string();
    test_lengths();
    test_comparisons();
    test_strcpy();
    test_strncpy();
    test_strcat();
    test_strncat();
    test_searches();
    test_strstr();
    test_moves();
    test_fill_bounds();
    test_duplicates();
    test_strtok();
    return check::finish();
}
