// Runs the string functions where a stray read or write faults. The loader puts the
// argument strings at the very top of the stack, so the last argument's terminator
// is the last mapped byte, and the first page is never mapped.
//
//   strings_edge_driven edge TEXT         every function on TEXT, right at the edge
//   strings_edge_driven overread TEXT     reads the byte after TEXT's terminator
//   strings_edge_driven address FUNCTION ADDRESS
//                                         FUNCTION on the decimal ADDRESS, taken as
//                                         no string or read (and so faulting)
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "check.h"

namespace {

constexpr size_t longest_text = 200;
char g_copy[longest_text + 2];
char g_buffer[3 * longest_text + 16];

bool same_text(const char *a, const char *b) {
    size_t i = 0;
    while (a[i] != 0 && a[i] == b[i]) ++i;
    return a[i] == b[i];
}

// Every function that reads a string runs on the text, and every function that
// writes runs with the text's terminator as its last byte. Each call reads up to
// the terminator and not one byte further.
void run_at_edge(char *text) {
    const size_t n = check::length(text);
    if (n > longest_text) {
        check::put("text too long\n");
        CHECK(false);
        return;
    }
    for (size_t i = 0; i <= n; ++i) g_copy[i] = text[i];
    char *end = text + n;

    CHECK_EQ(strlen(text), n);
    CHECK_EQ(strnlen(text, n + 10), n);
    CHECK_EQ(strcmp(text, g_copy), 0);
    CHECK_EQ(strcmp(g_copy, text), 0);
    CHECK_EQ(strncmp(text, g_copy, n + 10), 0);
    CHECK_EQ(strncmp(g_copy, text, n + 10), 0);
    CHECK_EQ(strcasecmp(text, g_copy), 0);
    CHECK_EQ(strcasecmp(g_copy, text), 0);
    CHECK_EQ(strncasecmp(text, g_copy, n + 10), 0);
    CHECK_EQ(strncasecmp(g_copy, text, n + 10), 0);
    CHECK_EQ(memcmp(text, g_copy, n + 1), 0);

    CHECK_EQ(strchr(text, 1), nullptr);
    CHECK_EQ(strchr(text, 0), end);
    CHECK_EQ(strrchr(text, 1), nullptr);
    CHECK_EQ(strrchr(text, 0), end);
    CHECK_EQ(strstr(text, text), text);
    CHECK_EQ(strstr(g_copy, text), g_copy);
    CHECK_EQ(strstr(text, ""), text);
    if (n > 0) {
        // A partial match that runs into the terminator.
        const char tail[3] = {end[-1], 1, 0};
        CHECK_EQ(strstr(text, tail), nullptr);
    }

    CHECK(same_text(strcpy(g_buffer, text), text));
    CHECK(same_text(strncpy(g_buffer, text, n + 10), text));
    CHECK(same_text(strcat(g_buffer, text) + n, text));
    CHECK(same_text(strncat(g_buffer, text, n + 10) + 2 * n, text));
    CHECK(same_text(strdup(text), text));
    CHECK(same_text(strndup(text, n + 10), text));
    CHECK(same_text(static_cast<char *>(memcpy(g_buffer, text, n + 1)), text));
    CHECK(same_text(static_cast<char *>(memmove(g_buffer, text, n + 1)), text));

    // Tokens end at the terminator too; the walk ends with the text used up.
    char *last = nullptr;
    for (char *token = strtok(text, " ,"); token != nullptr; token = strtok(nullptr, " ,"))
        last = token;
    if (last != nullptr) CHECK(last + check::length(last) <= end);
    memcpy(text, g_copy, n + 1);

    // Writes that end on the last byte: a wider store must not reach past it.
    CHECK_EQ(memset(text, 'q', n + 1), text);
    CHECK_EQ(*end, 'q');
    CHECK_EQ(strncpy(text, "", n + 1), text);
    CHECK_EQ(*end, 0);
    memcpy(text, g_copy, n + 1);
    if (n > 0) {
        // Both directions, each touching the last byte first or last.
        memmove(text, text + 1, n);
        CHECK_EQ(*(end - 1), 0);
        memcpy(text, g_copy, n + 1);
        memmove(text + 1, text, n);
        CHECK_EQ(*end, g_copy[n - 1]);
        memcpy(text, g_copy, n + 1);
    }

    // With the terminator overwritten the bytes run up to the edge unterminated:
    // the counted functions must stop at their count.
    const size_t count = n + 1;
    *end = 'x';
    g_copy[n] = 'x';
    g_copy[count] = 0;
    CHECK_EQ(strnlen(text, count), count);
    CHECK_EQ(strncmp(text, g_copy, count), 0);
    CHECK_EQ(strncasecmp(text, g_copy, count), 0);
    CHECK_EQ(memcmp(text, g_copy, count), 0);
    CHECK(same_text(strndup(text, count), g_copy));
    strncpy(g_buffer, text, count);
    g_buffer[count] = 0;
    CHECK(same_text(g_buffer, g_copy));
    g_buffer[0] = 0;
    CHECK(same_text(strncat(g_buffer, text, count), g_copy));
    CHECK(same_text(static_cast<char *>(memmove(g_buffer, text, count)), g_copy));
}

uintptr_t parse_address(const char *s) {
    uintptr_t v = 0;
    for (; *s >= '0' && *s <= '9'; ++s) v = v * 10 + static_cast<uintptr_t>(*s - '0');
    return v;
}

// Each function on the address p: those that take it as no string must give
// their result for no string; the others, which test only for null, must read it.
void run_on_address(const char *function, uintptr_t address) {
    char *p = reinterpret_cast<char *>(address);
    char here[8] = "here";
    char buffer[8];
    struct Call {
        const char *name;
        bool (*call)(char *p, char *here, char *buffer);
    };
    const Call calls[] = {
        {"strlen", [](char *p, char *, char *) { return strlen(p) == 0; }},
        {"strnlen", [](char *p, char *, char *) { return strnlen(p, 5) == 0; }},
        {"strcmp-first", [](char *p, char *h, char *) { return strcmp(p, h) == -1; }},
        {"strcmp-second", [](char *p, char *h, char *) { return strcmp(h, p) == 1; }},
        {"strncmp-first", [](char *p, char *h, char *) { return strncmp(p, h, 5) == -1; }},
        {"strncmp-second", [](char *p, char *h, char *) { return strncmp(h, p, 5) == 1; }},
        {"strcat", [](char *p, char *h, char *) { return strcat(p, h) == p; }},
        {"strncat", [](char *p, char *h, char *) { return strncat(p, h, 5) == p; }},
        {"strdup", [](char *p, char *, char *) { return same_text(strdup(p), ""); }},
        {"strndup", [](char *p, char *, char *) { return same_text(strndup(p, 5), ""); }},
        // Null is all these test for.
        {"strcpy", [](char *p, char *, char *b) { return strcpy(b, p) == b; }},
        {"strncpy", [](char *p, char *, char *b) { return strncpy(b, p, 5) == b; }},
        {"strcat-source", [](char *p, char *h, char *) { return strcat(h, p) == h; }},
        {"strncat-source", [](char *p, char *h, char *) { return strncat(h, p, 2) == h; }},
        {"strchr", [](char *p, char *, char *) { return strchr(p, 'a') == nullptr; }},
        {"strrchr", [](char *p, char *, char *) { return strrchr(p, 'a') == nullptr; }},
        {"strstr", [](char *p, char *h, char *) { return strstr(p, h) == nullptr; }},
        {"strcasecmp", [](char *p, char *h, char *) { return strcasecmp(p, h) == -1; }},
        {"strncasecmp", [](char *p, char *h, char *) { return strncasecmp(p, h, 5) == -1; }},
        {"strtok", [](char *p, char *, char *) { return strtok(p, ",") == nullptr; }},
    };
    for (const Call &c : calls) {
        if (!same_text(function, c.name)) continue;
        CHECK(c.call(p, here, buffer));
        return;
    }
    check::put("unknown function\n");
    CHECK(false);
}

}  // namespace

int main(int argc, char **argv) {
    if (argc == 3 && same_text(argv[1], "edge")) {
        run_at_edge(argv[2]);
    } else if (argc == 3 && same_text(argv[1], "overread")) {
        const volatile char *past = argv[2] + check::length(argv[2]) + 1;
        CHECK_EQ(*past, 0);
    } else if (argc == 4 && same_text(argv[1], "address")) {
        run_on_address(argv[2], parse_address(argv[3]));
    } else {
        check::put("usage: strings_edge_driven edge|overread TEXT | address FUNCTION ADDRESS\n");
        return 2;
    }
    return check::finish();
}
