// fscanf on standard input, driven through the kernel: the image prints what each
// call returned and stored and the stream's pos and eof, and the trace shows how
// the input was read: one read of one byte per byte, and not a byte past the one
// that ends the word.
#include <gtest/gtest.h>
#include <qevos/abi.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "run.h"

namespace {

const std::string kImage = std::string(QEVOS_TEST_IMAGE_DIR) + "/fscanf_driven";

struct Stdin {
    qevos::RunResult result;
    std::vector<qevos::ServiceCall> reads;
};

Stdin run_on_stdin(std::vector<std::optional<std::string>> args, std::string input,
                   std::vector<qevos::Injection> injections = {}) {
    qevos::RunOptions options;
    options.argv = {"fscanf_driven"};
    if (args.size() != 1) options.argv.emplace_back("-");
    options.argv.insert(options.argv.end(), args.begin(), args.end());
    options.capture_output = true;
    options.input = std::move(input);
    options.injections = std::move(injections);
    Stdin run{qevos::run_image(kImage, options), {}};
    for (const qevos::ServiceCall &call : run.result.calls) {
        if (call.number == QEVOS_SYS_READ) run.reads.push_back(call);
    }
    return run;
}

struct Case {
    const char *name;
    std::string input;
    std::vector<std::optional<std::string>> args;  // "-" (standard input), format, calls, kinds
    std::string output;
    size_t reads;  // read calls made, the one that met the end included
};

const std::string kLong(300, 'a');

const std::vector<Case> kCases = {
    {"skips all four token whitespace bytes and drops the one that ends the word",
     "  \n\r\t42 rest",
     {"-", "%d", "1", "d"},
     "1 42 pos=8 eof=0\n",
     8},
    {"reads one word per call whatever the format asks for",
     "12 34",
     {"-", "%d %d", "2", "d", "d"},
     "1 12 - pos=3 eof=0\n1 34 - pos=5 eof=1\n",
     6},
    {"scans a word that ends at the end of the data and sets eof",
     "12,34",
     {"-", "%d,%d", "1", "d", "d"},
     "2 12 34 pos=5 eof=1\n",
     6},
    {"gives -1 for no data at all", "", {"-", "%d", "1", "d"}, "-1 - pos=0 eof=1\n", 1},
    {"gives -1 for whitespace only, counting it in pos",
     " \t\r\n ",
     {"-", "%d", "1", "d"},
     "-1 - pos=5 eof=1\n",
     6},
    {"keeps a vertical tab in the word", "\v42", {"-", "%d", "1", "d"}, "0 - pos=3 eof=1\n", 4},
    {"keeps a vertical tab inside a word",
     "ab\vcd ef",
     {"-", "%s", "1", "s"},
     "1 \"ab\\x0bcd\" pos=6 eof=0\n",
     6},
    {"ends a word at a carriage return",
     "ab\rcd",
     {"-", "%s", "2", "s"},
     "1 \"ab\" pos=3 eof=0\n1 \"cd\" pos=5 eof=1\n",
     6},
    {"keeps 255 characters of a longer word and drops the rest",
     kLong + " y",
     {"-", "%s", "2", "s"},
     "1 \"" + kLong.substr(0, 255) + "\" pos=301 eof=0\n1 \"y\" pos=302 eof=1\n",
     303},
    {"starts a word at a zero byte, which ends the string scanned",
     std::string("\0abc def", 8),
     {"-", "%s", "1", "s"},
     "0 - pos=5 eof=0\n",
     5},
    {"reads past a zero byte inside a word",
     std::string("4\0002 7", 5),
     {"-", "%d%d", "2", "d", "d"},
     "1 4 - pos=4 eof=0\n1 7 - pos=5 eof=1\n",
     6},
};

TEST(Fscanf, StandardInput) {
    for (const Case &c : kCases) {
        SCOPED_TRACE(c.name);
        const Stdin run = run_on_stdin(c.args, c.input);
        ASSERT_EQ(run.result.outcome, qevos::Outcome::Exited) << run.result.message;
        EXPECT_EQ(run.result.status, 0);
        EXPECT_EQ(run.result.output, c.output);
        EXPECT_EQ(run.reads.size(), c.reads);
        for (const qevos::ServiceCall &read : run.reads) {
            EXPECT_EQ(read.ebx, 0u) << "descriptor";
            EXPECT_EQ(read.edx, 1u) << "count";
        }
    }
}

// A failing read ends the word like the end of the data does and sets eof; the
// flag does not keep the next call from reading.
TEST(Fscanf, FailedReadEndsTheWord) {
    const Stdin run =
        run_on_stdin({"-", "%d", "2", "d"}, "12345", {{QEVOS_SYS_READ, -5, 3, false}});
    ASSERT_EQ(run.result.outcome, qevos::Outcome::Exited) << run.result.message;
    EXPECT_EQ(run.result.output, "1 12 pos=2 eof=1\n1 345 pos=5 eof=1\n");
    EXPECT_EQ(run.reads.size(), 7u);
}

TEST(Fscanf, FailedReadBeforeAWordGivesMinusOne) {
    const Stdin run = run_on_stdin({"-", "%d", "1", "d"}, " 42", {{QEVOS_SYS_READ, -1, 2, false}});
    ASSERT_EQ(run.result.outcome, qevos::Outcome::Exited) << run.result.message;
    EXPECT_EQ(run.result.output, "-1 - pos=1 eof=1\n");
    EXPECT_EQ(run.reads.size(), 2u);
}

// A null stream, a null format and streams that are not descriptor streams are
// refused before anything is read.
TEST(Fscanf, RefusesWithoutReading) {
    const Stdin run = run_on_stdin({"refused"}, "42");
    ASSERT_EQ(run.result.outcome, qevos::Outcome::Exited) << run.result.message;
    EXPECT_EQ(run.result.output, "-1 -1 -1 -1 -1 value=0\n");
    EXPECT_TRUE(run.reads.empty());
}

}  // namespace
