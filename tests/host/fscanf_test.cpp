// fscanf on standard input and on a file, driven through the kernel: the image
// prints what each call returned and stored and the stream's pos and eof, and
// the trace shows how the input was read: one read of one byte per byte, and not
// a byte past the one that ends the word.
#include <gtest/gtest.h>
#include <qevos/abi.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "run.h"

namespace {

namespace fs = std::filesystem;

const std::string kImage = std::string(QEVOS_TEST_IMAGE_DIR) + "/fscanf_driven";

struct Driven {
    qevos::RunResult result;
    std::vector<qevos::ServiceCall> reads;
};

Driven run_driven(std::vector<std::optional<std::string>> args, std::string input,
                  std::vector<qevos::Injection> injections = {},
                  std::optional<fs::path> root = std::nullopt) {
    qevos::RunOptions options;
    options.argv = {"fscanf_driven"};
    options.argv.insert(options.argv.end(), args.begin(), args.end());
    options.capture_output = true;
    options.input = std::move(input);
    options.injections = std::move(injections);
    options.root = std::move(root);
    Driven run{qevos::run_image(kImage, options), {}};
    for (const qevos::ServiceCall &call : run.result.calls) {
        if (call.number == QEVOS_SYS_READ) run.reads.push_back(call);
    }
    return run;
}

// args: format, calls, kinds.
Driven run_on_stdin(std::vector<std::optional<std::string>> args, std::string input,
                    std::vector<qevos::Injection> injections = {}) {
    args.insert(args.begin(), "-");
    return run_driven(std::move(args), std::move(input), std::move(injections));
}

// A root directory of its own for one test, removed with it.
struct Root {
    fs::path dir = fs::temp_directory_path() /
                   ("qevos_fscanf_" + std::to_string(::getpid()) + "_" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
    Root() {
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    ~Root() { fs::remove_all(dir); }
    void write(const std::string &name, const std::string &bytes) const {
        std::ofstream(dir / name, std::ios::binary) << bytes;
    }
};

struct Case {
    const char *name;
    std::string input;
    std::vector<std::optional<std::string>> args;  // format, calls, kinds
    std::string output;
    size_t reads;  // read calls made, the one that met the end included
};

const std::string kLong(300, 'a');

const std::vector<Case> kCases = {
    {"skips all four token whitespace bytes and drops the one that ends the word",
     "  \n\r\t42 rest",
     {"%d", "1", "d"},
     "1 42 pos=8 eof=0\n",
     8},
    {"reads one word per call whatever the format asks for",
     "12 34",
     {"%d %d", "2", "d", "d"},
     "1 12 - pos=3 eof=0\n1 34 - pos=5 eof=1\n",
     6},
    {"scans a word that ends at the end of the data and sets eof",
     "12,34",
     {"%d,%d", "1", "d", "d"},
     "2 12 34 pos=5 eof=1\n",
     6},
    {"gives -1 for no data at all", "", {"%d", "1", "d"}, "-1 - pos=0 eof=1\n", 1},
    {"gives -1 for whitespace only, counting it in pos",
     " \t\r\n ",
     {"%d", "1", "d"},
     "-1 - pos=5 eof=1\n",
     6},
    {"keeps a vertical tab in the word", "\v42", {"%d", "1", "d"}, "0 - pos=3 eof=1\n", 4},
    {"keeps a vertical tab inside a word",
     "ab\vcd ef",
     {"%s", "1", "s"},
     "1 \"ab\\x0bcd\" pos=6 eof=0\n",
     6},
    {"ends a word at a carriage return",
     "ab\rcd",
     {"%s", "2", "s"},
     "1 \"ab\" pos=3 eof=0\n1 \"cd\" pos=5 eof=1\n",
     6},
    {"keeps 255 characters of a longer word and drops the rest",
     kLong + " y",
     {"%s", "2", "s"},
     "1 \"" + kLong.substr(0, 255) + "\" pos=301 eof=0\n1 \"y\" pos=302 eof=1\n",
     303},
    {"starts a word at a zero byte, which ends the string scanned",
     std::string("\0abc def", 8),
     {"%s", "1", "s"},
     "0 - pos=5 eof=0\n",
     5},
    {"reads past a zero byte inside a word",
     std::string("4\0002 7", 5),
     {"%d%d", "2", "d", "d"},
     "1 4 - pos=4 eof=0\n1 7 - pos=5 eof=1\n",
     6},
};

TEST(Fscanf, StandardInput) {
    for (const Case &c : kCases) {
        SCOPED_TRACE(c.name);
        const Driven run = run_on_stdin(c.args, c.input);
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
    const Driven run = run_on_stdin({"%d", "2", "d"}, "12345", {{QEVOS_SYS_READ, -5, 3, false}});
    ASSERT_EQ(run.result.outcome, qevos::Outcome::Exited) << run.result.message;
    EXPECT_EQ(run.result.output, "1 12 pos=2 eof=1\n1 345 pos=5 eof=1\n");
    EXPECT_EQ(run.reads.size(), 7u);
}

TEST(Fscanf, FailedReadBeforeAWordGivesMinusOne) {
    const Driven run = run_on_stdin({"%d", "1", "d"}, " 42", {{QEVOS_SYS_READ, -1, 2, false}});
    ASSERT_EQ(run.result.outcome, qevos::Outcome::Exited) << run.result.message;
    EXPECT_EQ(run.result.output, "-1 - pos=1 eof=1\n");
    EXPECT_EQ(run.reads.size(), 2u);
}

// A null stream, a null format and streams that are not descriptor streams are
// refused before anything is read.
TEST(Fscanf, RefusesWithoutReading) {
    const Driven run = run_driven({"refused"}, "42");
    ASSERT_EQ(run.result.outcome, qevos::Outcome::Exited) << run.result.message;
    EXPECT_EQ(run.result.output, "-1 -1 -1 -1 -1 value=0\n");
    EXPECT_TRUE(run.reads.empty());
}

// A file in the root is read the same way, through its own descriptor, with pos
// counted from 0 for the new stream; standard input is left alone.
TEST(Fscanf, FileUnderTheRoot) {
    const Root root;
    root.write("words.txt", "12\r\n34\n");
    const Driven run = run_driven({"/words.txt", "%d", "3", "d"}, "99", {}, root.dir);
    ASSERT_EQ(run.result.outcome, qevos::Outcome::Exited) << run.result.message;
    EXPECT_EQ(run.result.output, "1 12 pos=3 eof=0\n1 34 pos=7 eof=0\n-1 - pos=7 eof=1\n");
    ASSERT_EQ(run.reads.size(), 8u);
    for (const qevos::ServiceCall &read : run.reads) {
        EXPECT_EQ(read.ebx, 3u) << "descriptor";
        EXPECT_EQ(read.edx, 1u) << "count";
    }
}

}  // namespace
