// Reading an image file the way the system's loader does: every check it makes
// before anything runs, and the segments it maps.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <variant>
#include <vector>

namespace qevos {

enum class SegmentAccess { Code, ReadOnly, ReadWrite };

struct Segment {
    SegmentAccess access;
    uint32_t vaddr;
    uint32_t memsz;
    std::vector<uint8_t> bytes;  // the file part; the rest of memsz is zero
};

struct Image {
    uint32_t entry;
    std::vector<Segment> segments;  // code, read-only data, read-write data
};

struct ImageError {
    int exit_code;       // 127: no such file; 126: not runnable
    std::string reason;  // e.g. "not a 32-bit x86 executable (ELF class 2)"
};

constexpr uint32_t kPageSize = 4096;

// The image is checked against the address range [kPageSize, limit): the first page
// stays unmapped and everything from `limit` up belongs to the stack.
std::variant<Image, ImageError> read_image(const std::filesystem::path &path, uint32_t limit);
std::variant<Image, ImageError> parse_image(const std::vector<uint8_t> &file, uint32_t limit);

}  // namespace qevos
