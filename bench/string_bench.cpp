// N calls of one string or memory function on fixed buffers:
//   string_bench N strlen|strcmp|memcpy|memset
// strlen and strcmp run over 1,000-byte strings, memcpy and memset over 4,096 bytes.
#include <string.h>

#include "bench.h"

namespace {

constexpr size_t text_length = 1000;
constexpr size_t block_size = 4096;

alignas(4) char g_text[text_length + 1];
alignas(4) char g_same_text[text_length + 1];
alignas(4) char g_source[block_size];
alignas(4) char g_destination[block_size];

bool is(const char *a, const char *b) {
    while (*a != 0 && *a == *b) ++a, ++b;
    return *a == *b;
}

}  // namespace

int main(int argc, char **argv) {
    const uint32_t n = bench::count_arg(argc, argv);
    const char *function = argc > 2 ? argv[2] : "";
    for (size_t i = 0; i < text_length; ++i) g_text[i] = g_same_text[i] = 'a' + i % 26;
    for (size_t i = 0; i < block_size; ++i) g_source[i] = static_cast<char>(i);
    bench::clobber();

    if (is(function, "strlen")) {
        for (uint32_t i = 0; i < n; ++i) bench::keep(strlen(g_text));
    } else if (is(function, "strcmp")) {
        for (uint32_t i = 0; i < n; ++i) bench::keep(strcmp(g_text, g_same_text));
    } else if (is(function, "memcpy")) {
        for (uint32_t i = 0; i < n; ++i) bench::keep(memcpy(g_destination, g_source, block_size));
    } else if (is(function, "memset")) {
        for (uint32_t i = 0; i < n; ++i) bench::keep(memset(g_destination, 'x', block_size));
    } else {
        return 2;
    }
    return 0;
}
