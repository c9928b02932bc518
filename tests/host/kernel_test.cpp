// The kernel boundary, checked from the host side: what reaches the kernel, what it
// answers, and how runs end.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "run.h"

namespace {

std::filesystem::path test_image(const std::string &name) {
    return std::filesystem::path(QEVOS_TEST_IMAGE_DIR) / name;
}

TEST(Kernel, RunsAnImageToItsExit) {
    qevos::RunOptions options;
    options.argv = {"errno_test"};
    options.capture_output = true;
    const qevos::RunResult r = qevos::run_image(test_image("errno_test"), options);
    ASSERT_EQ(r.outcome, qevos::Outcome::Exited) << r.message;
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find(" passed, 0 failed"), std::string::npos) << r.output;
}

}  // namespace
