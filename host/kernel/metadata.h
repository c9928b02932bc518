// The metadata records of an image, as the command and package tools read them: the
// sections, where they lie, and the records inside them, with every way in which they
// differ from what the build produces.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qevos {

struct RecordKind {
    const char *section;  // e.g. ".qevos.cmdmeta"
    const char *magic;    // four letters
    uint32_t alignment;
    size_t strings;  // strings before the closing empty one
};

extern const RecordKind kCommandRecord;
extern const RecordKind kPackageRecord;

struct MetaProblem {
    std::string where;  // a section name, or empty for the image as a whole
    std::string reason;
};

struct ImageMetadata {
    // The strings of each record, when its section was found and its strings could be
    // read up to the closing empty string; set even when other things are wrong.
    std::optional<std::vector<std::string>> command;  // description, name
    std::optional<std::vector<std::string>> package;  // name, value
    std::vector<MetaProblem> problems;                // empty: all is well
};

// Checks the image the way the loader does, then both records and their sections.
// Any sequence of bytes is accepted: what cannot be read becomes a problem.
ImageMetadata read_metadata(const std::vector<uint8_t> &file);

// The whole of an image file for the tools that read it, or why it cannot be had.
std::optional<std::vector<uint8_t>> read_image_file(const std::string &path, std::string &error);

// The problems with one record's bytes, and its strings when they could be read.
std::vector<std::string> check_record(const std::vector<uint8_t> &bytes, const RecordKind &kind,
                                      std::optional<std::vector<std::string>> &strings);

}  // namespace qevos
