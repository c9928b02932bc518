// qevos info [--json] IMAGE: what the image's records say about the command and its
// package.
#include <cstdio>
#include <string>

#include "commands.h"
#include "metadata.h"

namespace qevos::tool {
namespace {

constexpr const char *kInfoUsage =
    "usage: qevos info [--json] IMAGE\n"
    "\n"
    "Prints the command's name and description from IMAGE's command record and the\n"
    "package's name and value from its package record. Exits 1 when a record cannot be\n"
    "read ('qevos check IMAGE' says why), 2 on a usage error.\n"
    "\n"
    "Options:\n"
    "  --json       one JSON object instead of lines of text\n"
    "  -h, --help   show this help\n";

// Record strings are printable ASCII when the record is sound; anything else is escaped
// so that a damaged record still gives valid JSON.
std::string json_string(const std::string &s) {
    std::string out = "\"";
    for (const char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20 || u >= 0x7f) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", u);
            out += esc;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

}  // namespace

int info_main(Args &args) {
    bool json = false;
    std::optional<std::string> image;
    for (const std::string_view a : args) {
        if (a == "-h" || a == "--help") {
            std::fputs(kInfoUsage, stdout);
            return 0;
        } else if (a == "--json") {
            json = true;
        } else if ((a.starts_with("-") && a != "-") || image) {
            std::fprintf(stderr, "qevos info: unexpected '%.*s'\n%s", static_cast<int>(a.size()),
                         a.data(), "usage: qevos info [--json] IMAGE (see 'qevos info --help')\n");
            return 2;
        } else {
            image = std::string(a);
        }
    }
    if (!image) {
        std::fputs(
            "qevos info: no IMAGE given\nusage: qevos info [--json] IMAGE (see 'qevos info "
            "--help')\n",
            stderr);
        return 2;
    }
    std::string error;
    const auto file = read_image_file(*image, error);
    if (!file) {
        std::fprintf(stderr, "qevos info: %s: %s\n", image->c_str(), error.c_str());
        return 1;
    }
    const ImageMetadata meta = read_metadata(*file);
    if (!meta.command || !meta.package) {
        for (const RecordKind *kind : {&kCommandRecord, &kPackageRecord}) {
            if ((kind == &kCommandRecord ? meta.command : meta.package)) continue;
            for (const MetaProblem &p : meta.problems)
                if (p.where == kind->section || p.where.empty())
                    std::fprintf(stderr, "qevos info: %s: %s%s%s\n", image->c_str(),
                                 p.where.c_str(), p.where.empty() ? "" : ": ", p.reason.c_str());
            std::fprintf(stderr, "qevos info: %s: %s: cannot read the record\n", image->c_str(),
                         kind->section);
        }
        return 1;
    }
    const std::vector<std::string> &command = *meta.command;
    const std::vector<std::string> &package = *meta.package;
    if (json) {
        std::printf(
            "{\"command\": {\"name\": %s, \"description\": %s}, "
            "\"package\": {\"name\": %s, \"value\": %s}}\n",
            json_string(command[1]).c_str(), json_string(command[0]).c_str(),
            json_string(package[0]).c_str(), json_string(package[1]).c_str());
    } else {
        std::printf("command: %s\ndescription: %s\npackage: %s\nvalue: %s\n", command[1].c_str(),
                    command[0].c_str(), package[0].c_str(), package[1].c_str());
    }
    return 0;
}

}  // namespace qevos::tool
