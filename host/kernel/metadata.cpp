#include "metadata.h"

#include <gelf.h>
#include <libelf.h>
#include <qevos/abi.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <system_error>

#include "elf_image.h"
#include "kernel.h"

namespace qevos {

const RecordKind kCommandRecord{QEVOS_CMDMETA_SECTION, QEVOS_CMDMETA_MAGIC, QEVOS_CMDMETA_ALIGN, 2};
const RecordKind kPackageRecord{QEVOS_PKGMETA_SECTION, QEVOS_PKGMETA_MAGIC, QEVOS_PKGMETA_ALIGN, 2};

namespace {

constexpr size_t kHeaderSize = 8;  // magic and header word

std::string hex(uint64_t v) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(v));
    return text;
}

bool printable(uint8_t c) { return c >= 0x20 && c < 0x7f; }

// Bytes as text for a message, anything unprintable escaped.
std::string shown(const uint8_t *bytes, size_t n) {
    std::string s;
    for (size_t i = 0; i < n; ++i) {
        if (printable(bytes[i]) && bytes[i] != '"' && bytes[i] != '\\') {
            s += static_cast<char>(bytes[i]);
        } else {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\x%02x", bytes[i]);
            s += esc;
        }
    }
    return s;
}

struct ElfCloser {
    void operator()(Elf *elf) const { elf_end(elf); }
};
using ElfHandle = std::unique_ptr<Elf, ElfCloser>;

struct Section {
    GElf_Shdr header;
    Elf_Scn *scn;
};

struct Sections {
    std::vector<std::pair<std::string, Section>> named;
    std::string problem;  // the section table could not be read
};

Sections list_sections(Elf *elf) {
    Sections out;
    size_t names = 0;
    if (elf_getshdrstrndx(elf, &names) != 0) {
        out.problem = std::string("cannot read the section names: ") + elf_errmsg(-1);
        return out;
    }
    for (Elf_Scn *scn = elf_nextscn(elf, nullptr); scn != nullptr; scn = elf_nextscn(elf, scn)) {
        Section s{{}, scn};
        if (gelf_getshdr(scn, &s.header) == nullptr) {
            out.problem = std::string("cannot read a section header: ") + elf_errmsg(-1);
            return out;
        }
        const char *name = elf_strptr(elf, names, s.header.sh_name);
        out.named.emplace_back(name ? name : "", s);
    }
    return out;
}

// The read-only segment as the loader maps it, when the loader accepts the image.
struct ReadOnly {
    uint32_t vaddr;
    std::vector<uint8_t> bytes;
};

void check_section(const Sections &sections, const RecordKind &kind,
                   const std::optional<ReadOnly> &read_only,
                   std::optional<std::vector<std::string>> &strings,
                   std::vector<MetaProblem> &problems) {
    auto problem = [&](std::string reason) {
        problems.push_back({kind.section, std::move(reason)});
    };
    const Section *found = nullptr;
    const Section *rodata = nullptr;
    int count = 0;
    for (const auto &[name, section] : sections.named) {
        if (name == kind.section) {
            ++count;
            if (!found) found = &section;
        }
        if (name == ".rodata" && !rodata) rodata = &section;
    }
    if (!found) return problem("no such section");
    if (count > 1) problem("appears " + std::to_string(count) + " times");

    const GElf_Shdr &sh = found->header;
    if (sh.sh_type != SHT_PROGBITS)
        problem("section type " + std::to_string(sh.sh_type) + ", not SHT_PROGBITS (" +
                std::to_string(SHT_PROGBITS) + "): its contents must be in the file");
    if (!(sh.sh_flags & SHF_ALLOC)) problem("not allocated (SHF_ALLOC clear)");
    if (sh.sh_flags & SHF_WRITE) problem("writable (SHF_WRITE set)");
    if (sh.sh_flags & SHF_EXECINSTR) problem("executable (SHF_EXECINSTR set)");
    if (sh.sh_addralign != kind.alignment)
        problem("alignment " + std::to_string(sh.sh_addralign) + ", not " +
                std::to_string(kind.alignment));
    if (sh.sh_addr % kind.alignment != 0)
        problem("address " + hex(sh.sh_addr) + " is not a multiple of " +
                std::to_string(kind.alignment));
    if (sh.sh_type != SHT_PROGBITS) return;

    Elf_Data *data = elf_getdata(found->scn, nullptr);
    if (data == nullptr || (data->d_size > 0 && data->d_buf == nullptr) ||
        data->d_size != sh.sh_size) {
        return problem("contents cannot be read (size " + std::to_string(sh.sh_size) +
                       " at file offset " + hex(sh.sh_offset) + ")");
    }
    const auto *bytes = static_cast<const uint8_t *>(data->d_buf);
    const std::vector<uint8_t> record(bytes, bytes + data->d_size);
    for (std::string &reason : check_record(record, kind, strings)) problem(std::move(reason));

    if (rodata && sh.sh_addr < rodata->header.sh_addr + rodata->header.sh_size)
        problem("address " + hex(sh.sh_addr) + " is not after .rodata (which ends at " +
                hex(rodata->header.sh_addr + rodata->header.sh_size) + ")");
    if (!read_only) return;
    const uint64_t segment_end = uint64_t{read_only->vaddr} + read_only->bytes.size();
    if (sh.sh_addr < read_only->vaddr || sh.sh_addr + sh.sh_size > segment_end) {
        problem("not in the file part of the read-only segment (" + hex(read_only->vaddr) + " to " +
                hex(segment_end) + ")");
    } else if (std::memcmp(read_only->bytes.data() + (sh.sh_addr - read_only->vaddr), bytes,
                           sh.sh_size) != 0) {
        problem("the read-only segment maps other bytes at its address " + hex(sh.sh_addr));
    }
}

}  // namespace

std::vector<std::string> check_record(const std::vector<uint8_t> &bytes, const RecordKind &kind,
                                      std::optional<std::vector<std::string>> &strings) {
    std::vector<std::string> problems;
    if (bytes.size() < kHeaderSize) {
        problems.push_back("size " + std::to_string(bytes.size()) +
                           ", too small for the magic and the header word");
        return problems;
    }
    if (std::memcmp(bytes.data(), kind.magic, 4) != 0)
        problems.push_back("magic \"" + shown(bytes.data(), 4) + "\", not \"" + kind.magic + "\"");
    const uint32_t header = uint32_t{bytes[4]} | uint32_t{bytes[5]} << 8 |
                            uint32_t{bytes[6]} << 16 | uint32_t{bytes[7]} << 24;
    if (header != QEVOS_META_HEADER_WORD)
        problems.push_back("header word " + std::to_string(header) + ", not " +
                           std::to_string(QEVOS_META_HEADER_WORD));

    std::vector<std::string> found;
    size_t pos = kHeaderSize;
    bool closed = false;
    bool readable = true;
    while (pos < bytes.size()) {
        const auto *begin = bytes.data() + pos;
        const auto *nul = static_cast<const uint8_t *>(std::memchr(begin, 0, bytes.size() - pos));
        if (nul == nullptr) {
            problems.push_back("the string at offset " + std::to_string(pos) +
                               " has no NUL before the end of the record");
            readable = false;
            break;
        }
        const size_t end = nul - bytes.data();
        if (end == pos) {
            closed = true;
            if (end + 1 != bytes.size())
                problems.push_back("the closing empty string at offset " + std::to_string(end) +
                                   " is not the last byte (" +
                                   std::to_string(bytes.size() - end - 1) + " bytes follow)");
            break;
        }
        for (size_t i = pos; i < end; ++i) {
            if (!printable(bytes[i])) {
                char byte[8];
                std::snprintf(byte, sizeof byte, "0x%02x", bytes[i]);
                problems.push_back("the string at offset " + std::to_string(pos) +
                                   " has the byte " + byte + " at offset " + std::to_string(i) +
                                   ", not printable ASCII");
                break;
            }
        }
        found.emplace_back(reinterpret_cast<const char *>(begin), end - pos);
        pos = end + 1;
    }
    if (!closed && readable)
        problems.push_back("no closing empty string: the record ends after " +
                           std::to_string(found.size()) + " strings");
    if (found.size() != kind.strings)
        problems.push_back(std::to_string(found.size()) + " strings, not " +
                           std::to_string(kind.strings));
    if (found.size() >= kind.strings) strings = std::move(found);
    return problems;
}

std::optional<std::vector<uint8_t>> read_image_file(const std::string &path, std::string &error) {
    constexpr uintmax_t kMaxFile = 64u << 20;
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (!std::filesystem::exists(status)) {
        error = "no such file";
        return std::nullopt;
    }
    if (std::filesystem::is_directory(status)) {
        error = "is a directory";
        return std::nullopt;
    }
    const auto size = std::filesystem::file_size(path, ec);
    if (!ec && size > kMaxFile) {
        error = "larger than 64 MiB";
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read the file";
        return std::nullopt;
    }
    std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
    if (in.bad()) {
        error = "cannot read the file";
        return std::nullopt;
    }
    return file;
}

ImageMetadata read_metadata(const std::vector<uint8_t> &file) {
    ImageMetadata out;
    std::optional<ReadOnly> read_only;
    auto layout = parse_image(file, kStackTop - kStackSize);
    if (auto *error = std::get_if<ImageError>(&layout)) {
        out.problems.push_back({"", error->reason});
    } else {
        Segment &segment = std::get<Image>(layout).segments.at(1);
        read_only = ReadOnly{segment.vaddr, std::move(segment.bytes)};
    }

    if (elf_version(EV_CURRENT) == EV_NONE) {
        out.problems.push_back({"", std::string("cannot use libelf: ") + elf_errmsg(-1)});
        return out;
    }
    // libelf may write to the memory it is given; it gets a copy of its own.
    std::vector<char> copy(file.begin(), file.end());
    ElfHandle elf(elf_memory(copy.data(), copy.size()));
    if (!elf || elf_kind(elf.get()) != ELF_K_ELF) {
        if (read_only) out.problems.push_back({"", "not an ELF file"});
        return out;
    }
    const Sections sections = list_sections(elf.get());
    if (!sections.problem.empty()) {
        out.problems.push_back({"", sections.problem});
        return out;
    }
    check_section(sections, kCommandRecord, read_only, out.command, out.problems);
    check_section(sections, kPackageRecord, read_only, out.package, out.problems);
    return out;
}

}  // namespace qevos
