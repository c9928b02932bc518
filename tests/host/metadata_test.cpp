// The metadata records and the tools that read them: the records' exact bytes, every
// way `qevos check` finds a damaged copy, what `qevos info` prints, and files that must
// not crash either tool.
#include "metadata.h"

#include <elf.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kFixture = fs::path(QEVOS_TEST_IMAGE_DIR) / "meta_fixture_driven";
const fs::path kQevos = fs::path(QEVOS_BIN_DIR) / "qevos";

const std::string kCommandBytes(
    "QCMD\x01\0\0\0Clear background image for focused tile.\0unpaint\0\0", 58);
const std::string kPackageBytes(
    "QPKG\x01\0\0\0unpaint\0"
    "3\0\0",
    19);

std::vector<uint8_t> read_file(const fs::path &p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Tool {
    int exit_code;  // -1: ended by a signal
    std::string output;
};

// Runs `qevos ARGS` with stdout and stderr together.
Tool run_qevos(const std::string &args) {
    const std::string command = kQevos.string() + " " + args + " 2>&1";
    FILE *pipe = popen(command.c_str(), "r");
    if (!pipe) return {-1, "popen failed"};
    std::string output;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

// A copy of the fixture, written to a file of its own, for the tools to read.
struct Copy {
    std::vector<uint8_t> bytes;
    fs::path path;

    explicit Copy(const std::string &name) : bytes(read_file(kFixture)) {
        path =
            fs::temp_directory_path() / ("qevos_meta_" + std::to_string(::getpid()) + "_" + name);
    }
    ~Copy() { fs::remove(path); }
    const fs::path &write() {
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char *>(bytes.data()), bytes.size());
        return path;
    }

    Elf32_Ehdr header() const {
        Elf32_Ehdr eh;
        std::memcpy(&eh, bytes.data(), sizeof eh);
        return eh;
    }
    // The section header named `name`, in place, so that a test can change it.
    Elf32_Shdr *section(const std::string &name) {
        const Elf32_Ehdr eh = header();
        auto *table = reinterpret_cast<Elf32_Shdr *>(bytes.data() + eh.e_shoff);
        const char *names =
            reinterpret_cast<const char *>(bytes.data() + table[eh.e_shstrndx].sh_offset);
        for (unsigned i = 0; i < eh.e_shnum; ++i)
            if (name == names + table[i].sh_name) return &table[i];
        return nullptr;
    }
    std::string contents(const std::string &name) {
        const Elf32_Shdr *sh = section(name);
        if (!sh) return "<no section " + name + ">";
        return {reinterpret_cast<const char *>(bytes.data() + sh->sh_offset), sh->sh_size};
    }
    uint8_t &byte_of(const std::string &name, size_t offset) {
        return bytes[section(name)->sh_offset + offset];
    }
    char *name_of(const std::string &name) {
        const Elf32_Ehdr eh = header();
        const auto *table = reinterpret_cast<const Elf32_Shdr *>(bytes.data() + eh.e_shoff);
        return reinterpret_cast<char *>(bytes.data() + table[eh.e_shstrndx].sh_offset +
                                        section(name)->sh_name);
    }
};

TEST(MetadataRecords, MacroBuildsTheExactRecordsAndCheckAcceptsThem) {
    Copy image("valid");
    ASSERT_FALSE(image.bytes.empty()) << kFixture;
    EXPECT_EQ(image.contents(".qevos.cmdmeta"), kCommandBytes);
    EXPECT_EQ(image.contents(".qevos.pkgmeta"), kPackageBytes);
    EXPECT_EQ(image.section(".qevos.cmdmeta")->sh_addralign, 32u);
    EXPECT_EQ(image.section(".qevos.pkgmeta")->sh_addralign, 4u);

    const qevos::ImageMetadata meta = qevos::read_metadata(image.bytes);
    EXPECT_TRUE(meta.problems.empty())
        << meta.problems.front().where << ": " << meta.problems.front().reason;
    const Tool check = run_qevos("check " + kFixture.string());
    EXPECT_EQ(check.exit_code, 0);
    EXPECT_EQ(check.output, "");
}

TEST(MetadataRecords, CheckNamesEachDamage) {
    const std::string cmd = ".qevos.cmdmeta", pkg = ".qevos.pkgmeta";
    struct Case {
        const char *name;
        std::function<void(Copy &)> damage;
        std::string expected;  // one line of the output
    };
    const std::vector<Case> cases = {
        {"magic", [&](Copy &c) { c.byte_of(cmd, 3) = 'X'; },
         cmd + ": magic \"QCMX\", not \"QCMD\""},
        {"header_word", [&](Copy &c) { c.byte_of(pkg, 5) = 1; }, pkg + ": header word 257, not 1"},
        {"closing_nul", [&](Copy &c) { c.byte_of(pkg, 18) = 'x'; },
         pkg + ": the string at offset 18 has no NUL before the end of the record"},
        {"short_size", [&](Copy &c) { c.section(cmd)->sh_size = 57; },
         cmd + ": no closing empty string: the record ends after 2 strings"},
        {"long_size", [&](Copy &c) { c.section(pkg)->sh_size = 20; },
         pkg + ": the closing empty string at offset 18 is not the last byte (1 bytes follow)"},
        {"writable", [&](Copy &c) { c.section(cmd)->sh_flags |= SHF_WRITE; },
         cmd + ": writable (SHF_WRITE set)"},
        {"executable", [&](Copy &c) { c.section(pkg)->sh_flags |= SHF_EXECINSTR; },
         pkg + ": executable (SHF_EXECINSTR set)"},
        {"not_allocated", [&](Copy &c) { c.section(pkg)->sh_flags &= ~SHF_ALLOC; },
         pkg + ": not allocated (SHF_ALLOC clear)"},
        {"nobits", [&](Copy &c) { c.section(cmd)->sh_type = SHT_NOBITS; },
         cmd + ": section type 8, not SHT_PROGBITS (1): its contents must be in the file"},
        {"alignment", [&](Copy &c) { c.section(cmd)->sh_addralign = 16; },
         cmd + ": alignment 16, not 32"},
        {"missing", [&](Copy &c) { c.name_of(pkg)[13] = 'x'; }, pkg + ": no such section"},
        {"non_ascii", [&](Copy &c) { c.byte_of(cmd, 10) = 0xc3; },
         cmd + ": the string at offset 8 has the byte 0xc3 at offset 10, not printable ASCII"},
        {"one_string", [&](Copy &c) { c.byte_of(pkg, 16) = 0; },
         pkg + ": the closing empty string at offset 16 is not the last byte (2 bytes follow)"},
        {"before_rodata", [&](Copy &c) { c.section(cmd)->sh_addr = c.section(".rodata")->sh_addr; },
         cmd + ": address 0x"},
        {"other_bytes", [&](Copy &c) { c.section(pkg)->sh_offset -= 4; },
         pkg + ": the read-only segment maps other bytes at its address"},
        {"loader", [&](Copy &c) { reinterpret_cast<Elf32_Ehdr *>(c.bytes.data())->e_entry += 1; },
         "entry point 0x8049001 is not the first byte of the code segment"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Copy image(c.name);
        c.damage(image);
        const std::string path = image.write().string();
        const Tool check = run_qevos("check " + path);
        EXPECT_EQ(check.exit_code, 1);
        EXPECT_NE(check.output.find("qevos check: " + path + ": " + c.expected), std::string::npos)
            << check.output;
    }
}

TEST(MetadataRecords, InfoPrintsTheRecords) {
    const Tool text = run_qevos("info " + kFixture.string());
    EXPECT_EQ(text.exit_code, 0);
    EXPECT_EQ(text.output,
              "command: unpaint\n"
              "description: Clear background image for focused tile.\n"
              "package: unpaint\n"
              "value: 3\n");
    const Tool json = run_qevos("info --json " + kFixture.string());
    EXPECT_EQ(json.exit_code, 0);
    EXPECT_EQ(json.output,
              "{\"command\": {\"name\": \"unpaint\", \"description\": \"Clear background image "
              "for focused tile.\"}, \"package\": {\"name\": \"unpaint\", \"value\": \"3\"}}\n");

    Copy broken("info_broken");
    broken.name_of(".qevos.cmdmeta")[8] = 'x';
    const Tool missing_record = run_qevos("info " + broken.write().string());
    EXPECT_EQ(missing_record.exit_code, 1);
    EXPECT_NE(missing_record.output.find(".qevos.cmdmeta: no such section"), std::string::npos)
        << missing_record.output;
}

TEST(MetadataRecords, UsageAndMissingFiles) {
    for (const char *tool : {"info", "check"}) {
        SCOPED_TRACE(tool);
        const Tool help = run_qevos(std::string(tool) + " --help");
        EXPECT_EQ(help.exit_code, 0);
        EXPECT_NE(help.output.find(std::string("usage: qevos ") + tool), std::string::npos);
        EXPECT_EQ(run_qevos(tool).exit_code, 2);
        EXPECT_EQ(run_qevos(std::string(tool) + " --bogus " + kFixture.string()).exit_code, 2);
        EXPECT_EQ(run_qevos(std::string(tool) + " a b").exit_code, 2);
        const Tool missing = run_qevos(std::string(tool) + " no/such/image");
        EXPECT_EQ(missing.exit_code, 1);
        EXPECT_EQ(missing.output, std::string("qevos ") + tool + ": no/such/image: no such file\n");
    }
}

// Truncated and randomly damaged copies: the reader reports problems and never
// crashes; the tools exit 0, 1 or 2.
TEST(MetadataRecords, DamagedFilesNeverCrash) {
    const std::vector<uint8_t> original = read_file(kFixture);
    ASSERT_FALSE(original.empty());
    std::mt19937 random(20261211);
    std::vector<std::vector<uint8_t>> copies;
    for (size_t length = 0; length < original.size(); length += 1 + length / 16)
        copies.emplace_back(original.begin(), original.begin() + length);
    for (int i = 0; i < 2000; ++i) {
        std::vector<uint8_t> copy = original;
        const int changes = 1 + static_cast<int>(random() % 8);
        for (int k = 0; k < changes; ++k) {
            // Most damage goes to the headers and section table, where it matters most.
            const size_t at = random() % 2   ? random() % 64
                              : random() % 3 ? (copy.size() - 1 - random() % 200)
                                             : random() % copy.size();
            copy[at] = static_cast<uint8_t>(random());
        }
        copies.push_back(std::move(copy));
    }
    size_t sound = 0;
    for (const auto &copy : copies) {
        const qevos::ImageMetadata meta = qevos::read_metadata(copy);
        sound += meta.problems.empty();
    }
    EXPECT_LT(sound, copies.size());  // the damage was seen

    Copy image("mutated");
    for (size_t i = 0; i < copies.size(); i += copies.size() / 40) {
        image.bytes = copies[i];
        const std::string path = image.write().string();
        for (const char *tool : {"check ", "info ", "info --json "}) {
            const int code = run_qevos(tool + path).exit_code;
            EXPECT_TRUE(code == 0 || code == 1) << tool << "copy " << i << " exited " << code;
        }
    }
}

}  // namespace
