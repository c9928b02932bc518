// The file services over a root: what an image reads and writes there, and that
// nothing it does reaches a file outside it.
#include <gtest/gtest.h>
#include <qevos/abi.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "host_files.h"
#include "run.h"

namespace {

namespace fs = std::filesystem;
using qevos::Outcome;
using qevos::RunResult;

using qevos::testing::file_text;
using qevos::testing::put_file;

// Directories of these tests carry their own tag in their name.
struct TempDir : qevos::testing::TempDir {
    TempDir() : qevos::testing::TempDir("files-test") {}
};

// Every entry under `dir`, relative to it, with the content of files and the target
// of links: a snapshot to compare before and after a run.
std::map<std::string, std::string> listing(const fs::path &dir) {
    std::map<std::string, std::string> entries;
    for (const auto &e : fs::recursive_directory_iterator(dir)) {
        const std::string name = fs::relative(e.path(), dir).string();
        if (e.is_symlink())
            entries[name] = "-> " + fs::read_symlink(e.path()).string();
        else if (e.is_regular_file())
            entries[name] = file_text(e.path());
        else
            entries[name] = "(directory)";
    }
    return entries;
}

RunResult run_files(const std::vector<std::string> &args, const std::optional<fs::path> &root) {
    qevos::RunOptions options;
    options.argv = {"files_driven"};
    for (const std::string &a : args) options.argv.emplace_back(a);
    options.capture_output = true;
    options.timeout = std::chrono::milliseconds(10000);
    options.root = root;
    return qevos::run_image(fs::path(QEVOS_TEST_IMAGE_DIR) / "files_driven", options);
}

void expect_passed(const RunResult &r) {
    ASSERT_EQ(r.outcome, Outcome::Exited) << r.message;
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find(" passed, 0 failed"), std::string::npos) << r.output;
}

TEST(Files, OpenReadWriteSeekCloseRoundTrip) {
    TempDir root;
    put_file(root.path() / "in.txt", "hello, files\n");
    fs::create_directory(root.path() / "dir");

    expect_passed(run_files({"roundtrip"}, root.path()));

    const std::map<std::string, std::string> want = {
        {"in.txt", "hello, files\n"}, {"out.txt", "Final"}, {"dir", "(directory)"},
        {"dir/made.txt", "made"},     {"wf.txt", "whole"},
    };
    EXPECT_EQ(listing(root.path()), want);
    // The mode given with O_CREAT, and the usual one for creat's 0, less the umask.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(fs::status(root.path() / "out.txt").permissions(),
              static_cast<fs::perms>(0600 & ~mask));
    EXPECT_EQ(fs::status(root.path() / "dir/made.txt").permissions(),
              static_cast<fs::perms>(0644 & ~mask));
}

TEST(Files, PathsNeverLeaveTheRoot) {
    TempDir base;
    const fs::path root = base.path() / "root", outside = base.path() / "outside";
    fs::create_directories(root);
    fs::create_directories(outside);
    put_file(outside / "secret.txt", "secret");
    put_file(root / "inside.txt", "inside");
    // Links planted inside the root, each aimed out of it in its own way.
    fs::create_directory_symlink("../outside", root / "out");
    fs::create_directory_symlink(outside, root / "abs");
    fs::create_directory_symlink("../../../../..", root / "up");
    fs::create_directory_symlink("/proc", root / "proc");
    fs::create_symlink(outside / "secret.txt", root / "secret-link");
    fs::create_symlink(outside / "new.txt", root / "dangling");
    fs::create_symlink("inside.txt", root / "inside-link");
    const auto outside_before = listing(outside);

    expect_passed(run_files({"escape", outside.string()}, root));

    EXPECT_EQ(listing(outside), outside_before);
    EXPECT_EQ(file_text(outside / "secret.txt"), "secret");
    EXPECT_EQ(file_text(root / "escaped.txt"), "in root");
    EXPECT_EQ(file_text(root / "wf-escaped.txt"), "in root");
    EXPECT_FALSE(fs::is_symlink(root / "secret-link"));
    EXPECT_EQ(file_text(root / "secret-link"), "replaced");
    // Nothing appeared beside the two directories either.
    std::vector<std::string> names;
    for (const auto &e : fs::directory_iterator(base.path()))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"outside", "root"}));
}

TEST(Files, WritefileReplacesWholeFilesAndFailuresKeepTheOld) {
    TempDir root;
    put_file(root.path() / "keep.txt", "old content");
    put_file(root.path() / "fresh.txt", "v1");
    fs::permissions(root.path() / "fresh.txt", static_cast<fs::perms>(0640));
    fs::create_directory(root.path() / "dir");

    const RunResult r = run_files({"writefile"}, root.path());
    expect_passed(r);

    auto after = listing(root.path());
    ASSERT_EQ(after.count("big.bin"), 1u);
    EXPECT_EQ(after["big.bin"].size(), 200000u);
    after.erase("big.bin");
    // No temporary file is left behind, by the failures or by the replacements.
    const std::map<std::string, std::string> want = {
        {"keep.txt", "old content"},
        {"fresh.txt", "v2"},
        {"dir", "(directory)"},
        {"dir/empty.txt", ""},
    };
    EXPECT_EQ(after, want);
    // A replaced file keeps its permissions.
    EXPECT_EQ(fs::status(root.path() / "fresh.txt").permissions(), static_cast<fs::perms>(0640));
}

TEST(Files, ScratchRootIsEmptyAndRemovedAfterTheRun) {
    // The scratch root is made in the host's temporary directory: point that at a
    // directory of the test's own, so that what is left there can be seen.
    TempDir tmp;
    const char *old = ::getenv("TMPDIR");
    const std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
    ::setenv("TMPDIR", tmp.path().c_str(), 1);
    const RunResult first = run_files({"scratch"}, std::nullopt);
    // A second run gets a fresh scratch root: the first run's file is gone.
    const RunResult second = run_files({"scratch"}, std::nullopt);
    saved ? ::setenv("TMPDIR", saved->c_str(), 1) : ::unsetenv("TMPDIR");

    expect_passed(first);
    expect_passed(second);
    EXPECT_TRUE(fs::is_empty(tmp.path()));
    // The run did write there: writefile succeeded.
    bool wrote = false;
    for (const auto &c : first.calls)
        if (c.number == QEVOS_SYS_WRITEFILE) wrote = c.result == 0;
    EXPECT_TRUE(wrote);
}

TEST(Files, UnusableRootStopsTheRunBeforeTheImage) {
    TempDir tmp;
    put_file(tmp.path() / "plain", "x");
    for (const fs::path &bad : {tmp.path() / "missing", tmp.path() / "plain"}) {
        const RunResult r = run_files({"scratch"}, bad);
        EXPECT_EQ(r.outcome, Outcome::LoadFailed);
        EXPECT_EQ(r.exit_code(), qevos::kExitNotRunnable);
        EXPECT_TRUE(r.setup_failed);
        EXPECT_NE(r.message.find(bad.string()), std::string::npos) << r.message;
        EXPECT_TRUE(r.calls.empty());
    }
}

}  // namespace
