// The pseudo-random generator seeds itself from the time-stamp counter: two runs of
// one image that never calls srand see different sequences.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "run.h"

namespace {

std::string first_values(const std::string &output) {
    const size_t begin = output.find("rand:");
    if (begin == std::string::npos) return {};
    return output.substr(begin, output.find('\n', begin) - begin);
}

TEST(Numbers, UnseededRunsDiffer) {
    const std::filesystem::path image =
        std::filesystem::path(QEVOS_TEST_IMAGE_DIR) / "rand_unseeded_test";
    qevos::RunOptions options;
    options.argv = {"rand_unseeded_test"};
    options.capture_output = true;
    std::string seen[2];
    for (std::string &values : seen) {
        const qevos::RunResult r = qevos::run_image(image, options);
        ASSERT_EQ(r.outcome, qevos::Outcome::Exited) << r.message;
        ASSERT_EQ(r.status, 0) << r.output;
        values = first_values(r.output);
        ASSERT_FALSE(values.empty()) << r.output;
    }
    EXPECT_NE(seen[0], seen[1]);
}

}  // namespace
