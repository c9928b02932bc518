#include "elf_image.h"

#include <elf.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <system_error>

namespace qevos {
namespace {

std::string hex(uint64_t v) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(v));
    return text;
}

std::string permissions(uint32_t flags) {
    std::string s;
    s += (flags & PF_R) ? 'R' : '-';
    s += (flags & PF_W) ? 'W' : '-';
    s += (flags & PF_X) ? 'X' : '-';
    return s;
}

struct Expected {
    SegmentAccess access;
    uint32_t flags;
    const char *name;
};

constexpr std::array<Expected, 3> kLayout = {{
    {SegmentAccess::Code, PF_R | PF_X, "code"},
    {SegmentAccess::ReadOnly, PF_R, "read-only data"},
    {SegmentAccess::ReadWrite, PF_R | PF_W, "read-write data"},
}};

// No image of this system comes near this; a larger file is refused unread.
constexpr uintmax_t kMaxImageFile = 64u << 20;

ImageError refuse(std::string reason) { return {126, std::move(reason)}; }

}  // namespace

std::variant<Image, ImageError> parse_image(const std::vector<uint8_t> &file, uint32_t limit) {
    if (file.size() < EI_NIDENT || std::memcmp(file.data(), ELFMAG, SELFMAG) != 0)
        return refuse("not an ELF file");
    if (file[EI_CLASS] != ELFCLASS32)
        return refuse("not a 32-bit x86 executable (ELF class " + std::to_string(file[EI_CLASS]) +
                      ")");
    if (file[EI_DATA] != ELFDATA2LSB)
        return refuse("not a little-endian executable (ELF data encoding " +
                      std::to_string(file[EI_DATA]) + ")");
    if (file.size() < sizeof(Elf32_Ehdr)) return refuse("truncated ELF header");
    Elf32_Ehdr eh;
    std::memcpy(&eh, file.data(), sizeof eh);
    if (eh.e_machine != EM_386)
        return refuse("not a 32-bit x86 executable (machine " + std::to_string(eh.e_machine) + ")");
    if (eh.e_type != ET_EXEC)
        return refuse("not a static executable (ELF type " + std::to_string(eh.e_type) + ")");
    if (eh.e_phnum == 0) return refuse("no program headers");
    if (eh.e_phentsize != sizeof(Elf32_Phdr))
        return refuse("program header entries of " + std::to_string(eh.e_phentsize) +
                      " bytes, not " + std::to_string(sizeof(Elf32_Phdr)));
    const uint64_t table_end = uint64_t{eh.e_phoff} + uint64_t{eh.e_phnum} * sizeof(Elf32_Phdr);
    if (table_end > file.size()) return refuse("truncated program header table");

    std::vector<Elf32_Phdr> loads;
    for (unsigned i = 0; i < eh.e_phnum; ++i) {
        Elf32_Phdr ph;
        std::memcpy(&ph, file.data() + eh.e_phoff + i * sizeof ph, sizeof ph);
        if (ph.p_type == PT_INTERP) return refuse("has an interpreter (not statically linked)");
        if (ph.p_type == PT_DYNAMIC) return refuse("has a dynamic section (not statically linked)");
        if (ph.p_type == PT_LOAD) loads.push_back(ph);
    }
    if (loads.size() != kLayout.size())
        return refuse("has " + std::to_string(loads.size()) + " loadable segments, not 3");

    Image image{eh.e_entry, {}};
    uint64_t previous_end = kPageSize;
    for (size_t i = 0; i < loads.size(); ++i) {
        const Elf32_Phdr &ph = loads[i];
        const Expected &want = kLayout[i];
        const std::string which = "segment " + std::to_string(i + 1) + " (" + want.name + ")";
        if ((ph.p_flags & (PF_R | PF_W | PF_X)) != want.flags)
            return refuse(which + " has permissions " + permissions(ph.p_flags) + ", not " +
                          permissions(want.flags));
        if (ph.p_vaddr % kPageSize != 0 || ph.p_offset % kPageSize != 0)
            return refuse(which + " does not begin on a page (address " + hex(ph.p_vaddr) +
                          ", file offset " + hex(ph.p_offset) + ")");
        if (ph.p_filesz > ph.p_memsz)
            return refuse(which + " has more file bytes than memory bytes");
        if (ph.p_memsz == 0) return refuse(which + " is empty");
        const uint64_t end = uint64_t{ph.p_vaddr} + ph.p_memsz;
        if (end > (uint64_t{1} << 32)) return refuse(which + " reaches past 4 GiB");
        if (ph.p_vaddr < kPageSize) return refuse(which + " maps the first page");
        if (ph.p_vaddr < previous_end)
            return refuse(which + " overlaps the segment before it or is out of order");
        if (end > limit) return refuse(which + " reaches into the stack at " + hex(limit));
        if (uint64_t{ph.p_offset} + ph.p_filesz > file.size())
            return refuse(which + " has file bytes beyond the end of the file");
        previous_end = (end + kPageSize - 1) / kPageSize * kPageSize;
        const auto *from = file.data() + ph.p_offset;
        image.segments.push_back({want.access, ph.p_vaddr, ph.p_memsz, {from, from + ph.p_filesz}});
    }
    if (eh.e_entry != image.segments.front().vaddr)
        return refuse("entry point " + hex(eh.e_entry) +
                      " is not the first byte of the code segment (" +
                      hex(image.segments.front().vaddr) + ")");
    return image;
}

std::variant<Image, ImageError> read_image(const std::filesystem::path &path, uint32_t limit) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (!std::filesystem::exists(status)) return ImageError{127, "no such file"};
    if (std::filesystem::is_directory(status)) return refuse("is a directory");
    const auto size = std::filesystem::file_size(path, ec);
    if (!ec && size > kMaxImageFile) return refuse("larger than " + std::to_string(kMaxImageFile >> 20) + " MiB");
    std::ifstream in(path, std::ios::binary);
    if (!in) return refuse(std::string("cannot read: ") + std::strerror(errno));
    std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return refuse("cannot read");
    return parse_image(file, limit);
}

}  // namespace qevos
