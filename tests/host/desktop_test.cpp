// The desktop behind service 93: the default one, desktop files and their write-back,
// the messages for broken files, and `qevos desktop`.
#include "desktop.h"

#include <gtest/gtest.h>
#include <qevos/abi.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
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
    TempDir() : qevos::testing::TempDir("desktop-test") {}
};

RunResult run_clear(const std::optional<fs::path> &desktop) {
    qevos::RunOptions options;
    options.argv = {"files_driven", "clear"};
    options.capture_output = true;
    options.desktop = desktop;
    return qevos::run_image(fs::path(QEVOS_TEST_IMAGE_DIR) / "files_driven", options);
}

std::vector<int32_t> clear_results(const RunResult &r) {
    std::vector<int32_t> results;
    for (const auto &c : r.calls)
        if (c.number == QEVOS_SYS_CLEAR_FOCUSED_BACKGROUND) results.push_back(c.result);
    return results;
}

struct Command {
    int status;
    std::string output;  // standard output and standard error together
};

Command qevos_command(const std::string &args) {
    const std::string command = std::string(QEVOS_BIN_DIR) + "/qevos " + args + " 2>&1";
    FILE *p = ::popen(command.c_str(), "r");
    Command result{-1, {}};
    if (p == nullptr) return result;
    char chunk[4096];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, p)) > 0;) result.output.append(chunk, n);
    const int status = ::pclose(p);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

constexpr const char *kTwoTiles = R"({"tiles": [
  {"id": 4, "title": "Mail", "background": "/share/sea.png"},
  {"id": 9, "title": "Clock", "background": "/share/moon.png", "focused": true}
]}
)";

TEST(Desktop, ClearOnTheDefaultDesktopSucceedsEveryTime) {
    const RunResult r = run_clear(std::nullopt);
    ASSERT_EQ(r.outcome, Outcome::Exited) << r.message;
    EXPECT_EQ(r.status, 0);
    // The second call finds the background clear already: still done.
    EXPECT_EQ(clear_results(r), (std::vector<int32_t>{0, 0}));

    const qevos::Desktop before = qevos::default_desktop();
    qevos::Desktop d = before;
    ASSERT_NE(d.focused_tile(), nullptr);
    EXPECT_TRUE(d.focused_tile()->background.has_value());
    EXPECT_EQ(qevos::clear_focused_background(d), 0);
    EXPECT_FALSE(d.focused_tile()->background.has_value());
    // Only the focused tile loses its background.
    ASSERT_EQ(d.tiles.size(), before.tiles.size());
    for (size_t i = 0; i < d.tiles.size(); ++i)
        if (d.tiles[i].id != *d.focused) {
            EXPECT_EQ(d.tiles[i], before.tiles[i]);
        }
}

TEST(Desktop, ClearWithoutAFocusedTileFailsAndChangesNothing) {
    TempDir dir;
    const fs::path file = dir.path() / "desktop.json";
    const std::string text = R"({"tiles": [{"id": 1, "title": "A", "background": "/a.png"}]})";
    for (const std::string &content : {text, std::string(R"({"tiles": []})")}) {
        put_file(file, content);
        const RunResult r = run_clear(file);
        ASSERT_EQ(r.outcome, Outcome::Exited) << r.message;
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(clear_results(r), (std::vector<int32_t>{-QEVOS_ENOENT, -QEVOS_ENOENT}));
        EXPECT_EQ(file_text(file), content);  // unchanged, not even rewritten
    }
}

TEST(Desktop, RunWritesTheChangedDesktopBack) {
    TempDir dir;
    const fs::path file = dir.path() / "desktop.json";
    put_file(file, kTwoTiles);

    const RunResult r = run_clear(file);
    ASSERT_EQ(r.outcome, Outcome::Exited) << r.message;
    EXPECT_EQ(r.status, 0);
    EXPECT_FALSE(r.desktop_error.has_value());

    std::string error;
    const auto back = qevos::load_desktop(file, error);
    ASSERT_TRUE(back) << error;
    qevos::Desktop want;
    want.tiles = {{4, "Mail", std::string("/share/sea.png")}, {9, "Clock", std::nullopt}};
    want.focused = 9;
    EXPECT_EQ(*back, want);
    // Replaced through a temporary file that is gone again.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);

    // A second run finds nothing to change and leaves the file as it is.
    const std::string written = file_text(file);
    EXPECT_EQ(clear_results(run_clear(file)), (std::vector<int32_t>{0, 0}));
    EXPECT_EQ(file_text(file), written);

    // Given through a link, the file it leads to is replaced and the link stays.
    put_file(file, kTwoTiles);
    const fs::path link = dir.path() / "link.json";
    fs::create_symlink("desktop.json", link);
    EXPECT_EQ(run_clear(link).status, 0);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(file_text(file), written);
}

TEST(Desktop, BrokenFilesStopTheRunWithOneMessage) {
    struct Case {
        const char *content;
        std::vector<std::string> parts;  // besides the file's name
    };
    const Case cases[] = {
        {"", {"line 1, column 1", "not valid JSON"}},
        {"{\"tiles\": [\n  {\"id\": 1, \"title\": \"a\",}\n]}",
         {"line 2, column 26", "not valid JSON"}},
        {"{\"tiles\": [{\"id\": 1, \"title\": \"a\"}", {"line 1, column 35", "not valid JSON"}},
        {"[]", {"top level", "expected an object", "found an array"}},
        {"{\"tilez\": []}", {"top level", "unknown key \"tilez\""}},
        {"{\"tiles\": {}}", {"tiles", "expected an array", "found an object"}},
        {"{\"tiles\": [3]}", {"tiles[0]", "expected an object", "found a number"}},
        {"{\"tiles\": [{\"title\": \"a\"}]}", {"tiles[0]", "no \"id\""}},
        {"{\"tiles\": [{\"id\": 1}]}", {"tiles[0]", "no \"title\""}},
        {"{\"tiles\": [{\"id\": 0, \"title\": \"a\"}]}", {"tiles[0].id", "whole number from 1"}},
        {"{\"tiles\": [{\"id\": 1, \"title\": 7}]}", {"tiles[0].title", "expected a string"}},
        {"{\"tiles\": [{\"id\": 1, \"title\": \"a\", \"background\": 5}]}",
         {"tiles[0].background", "expected a path or null", "found a number"}},
        {"{\"tiles\": [{\"id\": 1, \"title\": \"a\", \"focused\": 1}]}",
         {"tiles[0].focused", "expected true or false"}},
        {"{\"tiles\": [{\"id\": 1, \"title\": \"a\", \"colour\": \"red\"}]}",
         {"tiles[0]", "unknown key \"colour\""}},
        {"{\"tiles\": [{\"id\": 2, \"title\": \"a\"}, {\"id\": 2, \"title\": \"b\"}]}",
         {"tiles[1].id", "id of an earlier tile"}},
        {"{\"tiles\": [{\"id\": 1, \"title\": \"a\", \"focused\": true},"
         " {\"id\": 2, \"title\": \"b\", \"focused\": true}]}",
         {"tiles[1].focused", "at most one"}},
    };
    TempDir dir;
    const fs::path file = dir.path() / "broken.json";
    for (const Case &c : cases) {
        SCOPED_TRACE(c.content);
        put_file(file, c.content);
        const RunResult r = run_clear(file);
        EXPECT_EQ(r.outcome, Outcome::LoadFailed);
        EXPECT_TRUE(r.setup_failed);
        EXPECT_EQ(r.exit_code(), qevos::kExitNotRunnable);
        EXPECT_TRUE(r.calls.empty());  // the image never ran
        EXPECT_EQ(r.message.find('\n'), std::string::npos) << r.message;
        EXPECT_TRUE(r.message.starts_with(file.string() + ": ")) << r.message;
        for (const std::string &part : c.parts)
            EXPECT_NE(r.message.find(part), std::string::npos) << r.message << "\nwants: " << part;
        EXPECT_EQ(file_text(file), c.content);
    }
    const RunResult missing = run_clear(dir.path() / "none.json");
    EXPECT_EQ(missing.exit_code(), qevos::kExitNotRunnable);
    EXPECT_NE(missing.message.find("none.json: cannot read"), std::string::npos) << missing.message;
}

TEST(Desktop, QevosRunReportsABrokenFileAndDoesNotRunTheImage) {
    TempDir dir;
    const fs::path file = dir.path() / "broken.json";
    put_file(file, "{\"tiles\": [{\"id\": \"one\", \"title\": \"a\"}]}");
    const std::string image = std::string(QEVOS_TEST_IMAGE_DIR) + "/files_driven";
    const Command c = qevos_command("run --desktop " + file.string() + " " + image + " clear");
    EXPECT_EQ(c.status, 126);
    EXPECT_EQ(c.output, "qevos: " + file.string() +
                            ": tiles[0].id: expected a whole number from 1 to 1000000\n");
}

TEST(Desktop, ShowDrawsTheTilesAndMarksTheFocusedOne) {
    const Command def = qevos_command("desktop show");
    EXPECT_EQ(def.status, 0) << def.output;
    for (const qevos::Tile &t : qevos::default_desktop().tiles)
        EXPECT_NE(def.output.find(std::to_string(t.id) + " " + t.title), std::string::npos)
            << def.output;

    TempDir dir;
    const fs::path file = dir.path() / "desktop.json";
    put_file(file, kTwoTiles);
    const Command c = qevos_command("desktop show " + file.string());
    EXPECT_EQ(c.status, 0) << c.output;
    EXPECT_EQ(c.output,
              "┌───────────────────────┐ ╔════════════════════════╗\n"
              "│ 4 Mail                │ ║ 9 Clock  [focused]     ║\n"
              "│ image: /share/sea.png │ ║ image: /share/moon.png ║\n"
              "└───────────────────────┘ ╚════════════════════════╝\n"
              "2 tiles; focused: tile 9 (Clock)\n");

    put_file(file, "{\"tiles\": [{\"id\": 1}]}");
    const Command broken = qevos_command("desktop show " + file.string());
    EXPECT_EQ(broken.status, 1);
    EXPECT_EQ(broken.output, "qevos: " + file.string() + ": tiles[0]: no \"title\"\n");
}

TEST(Desktop, InitWritesTheDefaultAndKeepsAnExistingFile) {
    TempDir dir;
    const fs::path file = dir.path() / "desktop.json";
    EXPECT_EQ(qevos_command("desktop init " + file.string()).status, 0);
    std::string error;
    const auto written = qevos::load_desktop(file, error);
    ASSERT_TRUE(written) << error;
    EXPECT_EQ(*written, qevos::default_desktop());

    put_file(file, "mine");
    const Command again = qevos_command("desktop init " + file.string());
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.output.find("--force"), std::string::npos) << again.output;
    EXPECT_EQ(file_text(file), "mine");
    EXPECT_EQ(qevos_command("desktop init --force " + file.string()).status, 0);
    EXPECT_EQ(qevos::load_desktop(file, error), qevos::default_desktop());

    for (const char *args : {"desktop", "desktop frobnicate", "desktop init", "desktop show a b",
                             "desktop show --wide"})
        EXPECT_EQ(qevos_command(args).status, 2) << args;
    for (const char *args : {"desktop --help", "desktop show --help", "desktop init --help"}) {
        const Command help = qevos_command(args);
        EXPECT_EQ(help.status, 0) << args;
        EXPECT_NE(help.output.find("\"focused\""), std::string::npos) << args;
    }
}

}  // namespace
