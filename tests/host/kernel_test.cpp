// The kernel boundary, checked from the host side: what reaches the kernel, what it
// answers, how runs end, and what the loader refuses.
#include <gtest/gtest.h>

#include <qevos/abi.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "elf_image.h"
#include "kernel.h"
#include "run.h"

namespace {

using qevos::Outcome;
using qevos::RunOptions;
using qevos::RunResult;

std::filesystem::path test_image(const std::string &name) {
    return std::filesystem::path(QEVOS_TEST_IMAGE_DIR) / name;
}

RunResult run(const std::string &image, std::vector<std::optional<std::string>> args,
              std::vector<qevos::Injection> injections = {}) {
    RunOptions options;
    options.argv = {image};
    for (auto &a : args) options.argv.push_back(std::move(a));
    options.injections = std::move(injections);
    options.capture_output = true;
    options.timeout = std::chrono::milliseconds(5000);
    return qevos::run_image(test_image(image), options);
}

std::vector<uint8_t> read_file(const std::filesystem::path &p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(Startup, MainsResultReachesExitUnchanged) {
    for (const int64_t status : {0LL, 1LL, 255LL, 256LL, -1LL, 0x80000000LL}) {
        const RunResult r = run("startup_driven", {"status", std::to_string(int32_t(status))});
        ASSERT_EQ(r.outcome, Outcome::Exited) << r.message;
        EXPECT_EQ(r.status, static_cast<int32_t>(status));
        EXPECT_EQ(r.exit_code(), static_cast<int>(status & 0xFF));
        ASSERT_FALSE(r.calls.empty());
        EXPECT_EQ(r.calls.back().number, uint32_t{QEVOS_SYS_EXIT});
        EXPECT_EQ(r.calls.back().ebx, static_cast<uint32_t>(status));
    }
}

TEST(Startup, ExitAndAbortRunNoHandler) {
    const RunResult e = run("startup_driven", {"exit"});
    EXPECT_EQ(e.status, 3);
    EXPECT_EQ(e.output, "") << "atexit handler ran or a check failed";
    ASSERT_EQ(e.calls.size(), 1u);  // _exit alone
    const RunResult a = run("startup_driven", {"abort"});
    EXPECT_EQ(a.status, 1);
    EXPECT_EQ(a.calls.size(), 1u);
}

TEST(Startup, CountVectorAndAlignment) {
    const RunResult frame = run("startup_driven", {"frame", "x", "yz"});
    EXPECT_EQ(frame.status, 0) << frame.output;
    RunOptions options;  // a count of 0: no argv[0] at all
    options.capture_output = true;
    const RunResult zero = qevos::run_image(test_image("startup_driven"), options);
    EXPECT_EQ(zero.status, 0) << zero.output;
}

// Every wrapper: the service, the registers its row fixes, and nothing for a
// refused call. The image checks the results (1000 + service) itself.
TEST(Wrappers, RegistersOfEveryRow) {
    std::vector<qevos::Injection> inj;
    for (uint32_t n : {1u, 3u, 5u, 6u, 21u, 49u, 50u, 51u, 52u, 53u, 54u, 55u, 95u, 98u, 99u,
                       110u, 124u, 125u, 126u, 127u, 128u, 129u, 130u, 131u, 132u, 150u})
        inj.push_back({n, static_cast<int32_t>(1000 + n)});
    inj.push_back({22, -22});  // sleeps return 0 whatever the kernel says
    // open: every call 1004, except the two made by access: -2, then 3
    inj.push_back({4, -2, 4});
    inj.push_back({4, 3, 5});
    inj.push_back({4, 1004});
    const RunResult r = run("wrappers_driven", {}, inj);
    ASSERT_EQ(r.outcome, Outcome::Exited) << r.message;
    ASSERT_EQ(r.status, 0) << r.output;

    struct Want {
        uint32_t number;
        std::vector<std::pair<int, uint32_t>> regs;  // register index (0 = ebx) and value
    };
    const uint32_t big = 0x7fffffff;
    const std::vector<Want> want = {
        {1, {{0, 1}, {2, 0}}},  {1, {{2, big}}},      {1, {{2, big}}},      {1, {{2, big}}},
        {3, {{0, 0}, {2, big}}}, {5, {{0, 7}}},       {126, {{0, 7}}},      {127, {{0, 7}, {1, 8}, {2, 0}}},
        {124, {}},              {125, {}},            {128, {{0, 1}}},      {128, {{0, 0}}},
        {129, {{0, 4}, {1, 5}, {2, 6}}},              {130, {{0, 9}, {1, 1}, {2, 0}}},
        {130, {{0, 9}, {1, 0}, {2, 0}}},              {131, {{2, 1}}},      {131, {{1, 0}, {2, 0}}},
        {150, {}},              {132, {{0, 12}, {2, 3}}},                   {21, {{2, big}}},
        {49, {}},               {50, {}},             {51, {}},             {6, {}},
        {22, {{0, 1234}}},      {22, {{0, 2000000}}}, {52, {{1, big}, {2, 0}}},
        {95, {}},               {53, {}},             {54, {{0, 4}, {2, big}}}, {55, {{0, 4}}},
        {110, {{0, 3}, {1, static_cast<uint32_t>(-10)}, {2, 2}}},
        {98, {{1, 100}, {2, 1}, {3, 2}, {4, 3}, {5, 4}}},                   {99, {{1, 100}, {2, 0}}},
        {4, {{1, 0}, {2, 0}}},  {4, {{1, 0x41}, {2, 0640}}},                {4, {{1, 577}, {2, 0}}},
        {4, {{1, 0}, {2, 0}}},  {4, {{1, 0}, {2, 0}}}, {5, {{0, 3}}},
    };
    // The checks' own output (one write each) comes after the wrappers' calls.
    ASSERT_GE(r.calls.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        const qevos::ServiceCall &c = r.calls[i];
        EXPECT_EQ(c.number, want[i].number) << "call " << i;
        const uint32_t regs[6] = {c.ebx, c.ecx, c.edx, c.esi, c.edi, c.ebp};
        for (const auto &[index, value] : want[i].regs)
            EXPECT_EQ(regs[index], value) << "call " << i << " (service " << c.number
                                          << ") register " << index;
    }
    // The spawn record, built in spawn_ex's frame: seven words.
    const qevos::ServiceCall &spawn_ex = r.calls[17];
    ASSERT_EQ(spawn_ex.record.size(), 7u);
    EXPECT_EQ(spawn_ex.record[2], 1u);
    EXPECT_EQ(spawn_ex.record[3], static_cast<uint32_t>(-5));
    EXPECT_EQ(spawn_ex.record[4], 6u);
    EXPECT_EQ(spawn_ex.record[5], 0x7fffffffu);
    EXPECT_EQ(spawn_ex.record[6], 1u);
    EXPECT_NE(spawn_ex.record[0], 0u);
    EXPECT_NE(spawn_ex.record[1], 0u);
}

// sleep(sec) whose microseconds do not fit 32 bits sleeps in several calls that add
// up to the whole duration.
TEST(Wrappers, LongSleepsAreNotCutShort) {
    const RunResult r = run("sleep_driven", {}, {{22, 0}});
    ASSERT_EQ(r.status, 0) << r.output << r.message;
    std::vector<uint32_t> counts;
    for (const auto &c : r.calls)
        if (c.number == 22) counts.push_back(c.ebx);
    const std::vector<uint32_t> want = {0,          4294000000u, 4294000000u, 1000000u,
                                        4294000000u, 4294000000u, 4294000000u, 4294000000u,
                                        1412000000u};
    EXPECT_EQ(counts, want);
}

struct FaultCase {
    const char *what;
    int exit_code;
    const char *message_part;
};

TEST(Kernel, FaultsEndTheImageNotTheHost) {
    const FaultCase cases[] = {
        {"null-write", qevos::kExitMemoryFault, "write to unmapped address 0x00000000"},
        {"code-write", qevos::kExitMemoryFault, "write to read-only address"},
        {"rodata-exec", qevos::kExitMemoryFault, "execution of non-executable address"},
        {"ud2", qevos::kExitInvalidInstruction, "invalid instruction"},
        {"int3", qevos::kExitTrap, "interrupt 03"},
        {"int81", qevos::kExitTrap, "interrupt 81"},
        {"divide", qevos::kExitDivideError, "divide error"},
    };
    for (const FaultCase &c : cases) {
        const RunResult r = run("faults_driven", {c.what});
        EXPECT_EQ(r.outcome, Outcome::Faulted) << c.what;
        EXPECT_EQ(r.exit_code(), c.exit_code) << c.what << ": " << r.message;
        EXPECT_NE(r.message.find(c.message_part), std::string::npos) << c.what << ": " << r.message;
        EXPECT_NE(r.message.find("eip 0x"), std::string::npos) << r.message;
    }
}

TEST(Kernel, EndlessLoopTimesOut) {
    RunOptions options;
    options.argv = {"faults_driven", "loop"};
    options.timeout = std::chrono::milliseconds(300);
    const RunResult r = qevos::run_image(test_image("faults_driven"), options);
    EXPECT_EQ(r.outcome, Outcome::TimedOut);
    EXPECT_EQ(r.exit_code(), qevos::kExitTimedOut);
}

TEST(Kernel, WildPointersGetFailures) {
    const RunResult r = run("faults_driven", {"wild-write"});
    EXPECT_EQ(r.outcome, Outcome::Exited) << r.message;
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("still here\n"), std::string::npos);
    EXPECT_EQ(r.calls[0].result, -QEVOS_EFAULT);
}

TEST(Kernel, TraceReadsLikeCalls) {
    std::ostringstream text, json;
    RunOptions options;
    options.argv = {"startup_driven", "exit"};
    options.trace = &text;
    options.trace_json = &json;
    options.injections = {{QEVOS_SYS_WRITE, 5}};
    qevos::run_image(test_image("startup_driven"), options);
    EXPECT_EQ(text.str(), "_exit(3) = ?\n+++ exited with 3 (0x00000003) +++\n");
    EXPECT_NE(json.str().find("\"number\":2,\"name\":\"_exit\",\"eax\":2,\"ebx\":3"),
              std::string::npos)
        << json.str();
    EXPECT_NE(json.str().find("{\"pid\":1,\"exit\":3}"), std::string::npos);
}

TEST(Trace, EscapesAndCutsStrings) {
    EXPECT_EQ(qevos::escape_bytes("a\"b\\\n\t\x01\xff", 64), "\"a\\\"b\\\\\\n\\t\\x01\\xff\"");
    EXPECT_EQ(qevos::escape_bytes(std::string(70, 'x'), 64), "\"" + std::string(64, 'x') + "\"...");
}

// The loader's refusals, on copies of a good image with one thing broken.
class Loader : public ::testing::Test {
protected:
    std::vector<uint8_t> good = read_file(test_image("errno_test"));
    const uint32_t limit = qevos::kStackTop - qevos::kStackSize;

    std::string refusal(const std::vector<uint8_t> &file) {
        auto r = qevos::parse_image(file, limit);
        if (auto *e = std::get_if<qevos::ImageError>(&r)) return e->reason;
        return "";
    }
    template <class T>
    static void put(std::vector<uint8_t> &f, size_t off, T v) {
        std::memcpy(f.data() + off, &v, sizeof v);
    }
    uint32_t phoff() const { return good[28] | good[29] << 8; }
    size_t ph(int i, size_t field) const { return phoff() + 32 * i + field; }
};

TEST_F(Loader, AcceptsTheBuiltImage) { EXPECT_EQ(refusal(good), ""); }

TEST_F(Loader, RefusesWhatTheSystemWouldNot) {
    struct Case {
        std::function<void(std::vector<uint8_t> &)> damage;
        const char *reason;
    };
    const std::vector<Case> cases = {
        {[](auto &f) { f[1] = 'X'; }, "not an ELF file"},
        {[](auto &f) { f[4] = 2; }, "not a 32-bit x86 executable (ELF class 2)"},
        {[](auto &f) { f[5] = 2; }, "not a little-endian executable"},
        {[](auto &f) { put<uint16_t>(f, 18, 62); }, "machine 62"},
        {[](auto &f) { put<uint16_t>(f, 16, 3); }, "ELF type 3"},
        {[this](auto &f) { put<uint32_t>(f, ph(0, 0), 3); }, "has an interpreter"},
        {[this](auto &f) { put<uint32_t>(f, ph(2, 0), 2); }, "has a dynamic section"},
        {[this](auto &f) { put<uint32_t>(f, ph(2, 0), 4); }, "has 2 loadable segments, not 3"},
        {[this](auto &f) { put<uint32_t>(f, ph(0, 24), 7); }, "permissions RWX, not R-X"},
        {[this](auto &f) { put<uint32_t>(f, ph(1, 24), 6); }, "permissions RW-, not R--"},
        {[this](auto &f) { put<uint32_t>(f, ph(1, 8), 0x0804a010); }, "does not begin on a page"},
        {[this](auto &f) { put<uint32_t>(f, ph(1, 8), 0x08049000); }, "overlaps"},
        {[this](auto &f) { put<uint32_t>(f, ph(2, 8), 0xFFFFF000); put<uint32_t>(f, ph(2, 20), 0x2000); },
         "reaches past 4 GiB"},
        {[this](auto &f) { put<uint32_t>(f, ph(1, 16), 0x100000); put<uint32_t>(f, ph(1, 20), 0x100000); },
         "file bytes beyond the end of the file"},
        {[](auto &f) { put<uint32_t>(f, 24, 0x08049010); }, "is not the first byte of the code segment"},
        {[](auto &f) { put<uint16_t>(f, 44, 0xFFFF); }, "truncated program header table"},
        {[](auto &f) { f.resize(30); }, "truncated ELF header"},
    };
    for (const Case &c : cases) {
        std::vector<uint8_t> f = good;
        c.damage(f);
        const std::string why = refusal(f);
        EXPECT_NE(why.find(c.reason), std::string::npos) << "wanted '" << c.reason << "', got '"
                                                         << why << "'";
    }
}

TEST_F(Loader, NeverCrashesOnDamagedFiles) {
    std::mt19937 rng(12345);
    for (int round = 0; round < 2000; ++round) {
        std::vector<uint8_t> f = good;
        const int flips = 1 + static_cast<int>(rng() % 8);
        for (int k = 0; k < flips; ++k) f[rng() % 256] = static_cast<uint8_t>(rng());
        if (rng() % 4 == 0) f.resize(rng() % f.size());
        (void)qevos::parse_image(f, limit);
    }
}

TEST(LoaderFiles, MissingFileAndDirectory) {
    RunOptions options;
    const RunResult missing = qevos::run_image(test_image("no-such-image"), options);
    EXPECT_EQ(missing.exit_code(), qevos::kExitNoSuchImage);
    const RunResult dir = qevos::run_image(QEVOS_TEST_IMAGE_DIR, options);
    EXPECT_EQ(dir.exit_code(), qevos::kExitNotRunnable);
}

// The command line: help, usage errors and the exit status of a run.
int shell(const std::string &command, std::string *out = nullptr) {
    FILE *p = popen((command + " 2>&1").c_str(), "r");
    std::string text;
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) text.append(buf, n);
    const int status = pclose(p);
    if (out) *out = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Tool, HelpUsageAndStatus) {
    const std::string qevos = std::string(QEVOS_BIN_DIR) + "/qevos";
    std::string out;
    EXPECT_EQ(shell(qevos + " --help", &out), 0);
    EXPECT_NE(out.find("run"), std::string::npos);
    EXPECT_EQ(shell(qevos + " run --help", &out), 0);
    EXPECT_NE(out.find("--inject"), std::string::npos);
    EXPECT_EQ(shell(qevos + " run --bogus x", &out), 2);
    EXPECT_NE(out.find("unknown option '--bogus'"), std::string::npos);
    EXPECT_EQ(shell(qevos + " run --inject frob:retval=1 x", &out), 2);
    EXPECT_EQ(shell(qevos + " frobnicate", &out), 2);
    const std::string image = test_image("startup_driven").string();
    EXPECT_EQ(shell(qevos + " run " + image + " status 300"), 300 & 0xFF);
    EXPECT_EQ(shell(qevos + " run /nonexistent/image", &out), 127);
    EXPECT_NE(out.find("qevos: /nonexistent/image: no such file"), std::string::npos) << out;
    EXPECT_EQ(shell(qevos + " run --trace --inject 2:retval=0 " + image, &out), 2);
    // Injection through the command line: the second write fails, traced as injected.
    EXPECT_EQ(shell(qevos + " run --trace --inject write:retval=-5:when=2+ " +
                        test_image("errno_test").string(), &out), 0);
    EXPECT_NE(out.find("write(1, \"25\", 2) = -5 (injected)\n"), std::string::npos) << out;
    EXPECT_NE(out.find("write(1, \"check: \", 7) = 7\n"), std::string::npos) << out;
    EXPECT_EQ(shell(qevos + " run --count-instructions " + image + " status 0", &out), 0);
    EXPECT_NE(out.find("qevos: instructions: "), std::string::npos);
}

}  // namespace
