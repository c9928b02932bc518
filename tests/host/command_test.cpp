// unpaint through the kernel: which command lines clear the background, what each
// result of the clear request leads to, and every service call the command makes.
#include <gtest/gtest.h>
#include <qevos/abi.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "run.h"

namespace {

using qevos::Outcome;
using qevos::RunOptions;
using qevos::RunResult;

const std::filesystem::path kUnpaint = std::filesystem::path(QEVOS_IMAGE_DIR) / "unpaint";
const std::string kFailure = "unpaint: failed to clear focused background";

RunResult run_unpaint(std::vector<std::optional<std::string>> argv,
                      std::optional<int32_t> clear_result = 0) {
    RunOptions options;
    options.argv = std::move(argv);
    if (clear_result)
        options.injections.push_back({QEVOS_SYS_CLEAR_FOCUSED_BACKGROUND, *clear_result});
    options.capture_output = true;
    options.timeout = std::chrono::milliseconds(5000);
    return qevos::run_image(kUnpaint, options);
}

std::vector<uint32_t> numbers(const RunResult &r) {
    std::vector<uint32_t> out;
    for (const auto &call : r.calls) out.push_back(call.number);
    return out;
}

TEST(Unpaint, ClearResultDecidesStatusAndMessage) {
    const RunResult cleared = run_unpaint({"unpaint"}, 0);
    ASSERT_EQ(cleared.outcome, Outcome::Exited) << cleared.message;
    EXPECT_EQ(cleared.status, 0);
    EXPECT_EQ(cleared.output, "");
    EXPECT_EQ(numbers(cleared),
              (std::vector<uint32_t>{QEVOS_SYS_CLEAR_FOCUSED_BACKGROUND, QEVOS_SYS_EXIT}));
    EXPECT_EQ(cleared.calls.back().ebx, 0u);

    for (const int32_t refusal : {-1, 5}) {
        SCOPED_TRACE(refusal);
        const RunResult r = run_unpaint({"unpaint"}, refusal);
        ASSERT_EQ(r.outcome, Outcome::Exited) << r.message;
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.output, kFailure + "\n");
        ASSERT_EQ(numbers(r),
                  (std::vector<uint32_t>{QEVOS_SYS_CLEAR_FOCUSED_BACKGROUND, QEVOS_SYS_WRITE,
                                         QEVOS_SYS_WRITE, QEVOS_SYS_EXIT}));
        EXPECT_TRUE(r.calls[0].injected);
        // The message and then the line feed, each to descriptor 1.
        EXPECT_EQ(r.calls[1].ebx, 1u);
        EXPECT_EQ(r.calls[1].edx, kFailure.size());
        EXPECT_EQ(r.calls[1].result, static_cast<int32_t>(kFailure.size()));
        EXPECT_EQ(r.calls[2].ebx, 1u);
        EXPECT_EQ(r.calls[2].edx, 1u);
        EXPECT_EQ(r.calls.back().ebx, 1u);
    }
}

TEST(Unpaint, OnlyAFirstArgumentOfExactlyDashHPrintsUsage) {
    for (const auto &argv : std::vector<std::vector<std::optional<std::string>>>{
             {"unpaint", "-h"}, {"unpaint", "-h", "extra"}}) {
        const RunResult r = run_unpaint(argv, std::nullopt);
        ASSERT_EQ(r.outcome, Outcome::Exited) << r.message;
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.output, "Usage: unpaint\n");
        EXPECT_EQ(numbers(r),
                  (std::vector<uint32_t>{QEVOS_SYS_WRITE, QEVOS_SYS_WRITE, QEVOS_SYS_EXIT}));
    }
    // Everything else is ignored and the clear request is made; the refusal shows that
    // the request was the one that ran.
    const std::vector<std::vector<std::optional<std::string>>> clearing = {
        {"unpaint", "--help"},
        {"unpaint", "-H"},
        {"unpaint", "-hh"},
        {"unpaint", "foo", "-h"},
        {"unpaint", ""},
        {"unpaint", std::nullopt},
        {},  // a count of 0
        {"unpaint"},
    };
    for (const auto &argv : clearing) {
        SCOPED_TRACE(argv.size() > 1 && argv[1] ? "'" + *argv[1] + "'"
                                                : "count " + std::to_string(argv.size()));
        const RunResult r = run_unpaint(argv, -1);
        ASSERT_EQ(r.outcome, Outcome::Exited) << r.message;
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.output, kFailure + "\n");
        ASSERT_FALSE(r.calls.empty());
        EXPECT_EQ(r.calls.front().number, uint32_t{QEVOS_SYS_CLEAR_FOCUSED_BACKGROUND});
    }
}

TEST(Unpaint, ImagePassesCheck) {
    const std::string command =
        std::string(QEVOS_BIN_DIR) + "/qevos check " + kUnpaint.string() + " 2>&1";
    FILE *pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[1024];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    const int status = pclose(pipe);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
    EXPECT_EQ(output, "");
}

}  // namespace
