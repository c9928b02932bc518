// The string functions where a stray access faults: on the last argument string,
// whose terminator is the last mapped byte, and on addresses around the end of the
// unmapped first page.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "run.h"

namespace {

qevos::RunResult run_edge_program(const std::vector<std::string> &args) {
    qevos::RunOptions options;
    options.argv = {"strings_edge_driven"};
    for (const std::string &a : args) options.argv.emplace_back(a);
    options.capture_output = true;
    return qevos::run_image(std::filesystem::path(QEVOS_TEST_IMAGE_DIR) / "strings_edge_driven",
                            options);
}

TEST(StringsAtEdge, ReadingPastTheLastArgumentFaults) {
    const qevos::RunResult r = run_edge_program({"overread", "abc"});
    EXPECT_EQ(r.outcome, qevos::Outcome::Faulted) << r.output;
}

// Lengths 0 to 9 put the start at every alignment; the others bring delimiters,
// letters of both cases and bytes above 127.
TEST(StringsAtEdge, EveryFunctionStopsAtTheTerminator) {
    std::vector<std::string> texts = {"hello, world", "x,y z,", ", ,", "MiXeD CaSe \xe9\xff",
                                      std::string(150, 'z')};
    for (size_t length = 0; length < 10; ++length)
        texts.push_back(std::string("abcdefghij", length));
    for (const std::string &text : texts) {
        const qevos::RunResult r = run_edge_program({"edge", text});
        ASSERT_EQ(r.outcome, qevos::Outcome::Exited) << "text \"" << text << "\": " << r.message;
        EXPECT_EQ(r.status, 0) << "text \"" << text << "\": " << r.output;
    }
}

// 4095 is the last address that counts as no string; at 4096 the functions read,
// and fault, since nothing is mapped there.
TEST(StringsAtEdge, AbsentAddressesEndBelow4096) {
    const std::vector<std::string> functions = {
        "strlen",         "strnlen", "strcmp-first", "strcmp-second", "strncmp-first",
        "strncmp-second", "strcat",  "strncat",      "strdup",        "strndup"};
    for (const std::string &function : functions) {
        for (const char *address : {"1", "4095"}) {
            const qevos::RunResult r = run_edge_program({"address", function, address});
            ASSERT_EQ(r.outcome, qevos::Outcome::Exited) << function << " at " << address;
            EXPECT_EQ(r.status, 0) << function << " at " << address << ": " << r.output;
        }
        const qevos::RunResult r = run_edge_program({"address", function, "4096"});
        EXPECT_EQ(r.outcome, qevos::Outcome::Faulted) << function << " at 4096: " << r.output;
    }
}

// Functions that test only for null read any other address, the first page too.
TEST(StringsAtEdge, OtherFunctionsTakeNoAddressAsAbsent) {
    const std::vector<std::string> functions = {
        "strcpy",  "strncpy", "strcat-source", "strncat-source", "strchr",
        "strrchr", "strstr",  "strcasecmp",    "strncasecmp",    "strtok"};
    for (const std::string &function : functions) {
        for (const char *address : {"1", "4095"}) {
            const qevos::RunResult r = run_edge_program({"address", function, address});
            EXPECT_EQ(r.outcome, qevos::Outcome::Faulted) << function << " at " << address;
        }
    }
}

}  // namespace
