// qevos check IMAGE: the image's layout as the loader sees it and both metadata
// records, one line per problem.
#include <cstdio>
#include <string>

#include "commands.h"
#include "metadata.h"

namespace qevos::tool {
namespace {

constexpr const char *kCheckUsage =
    "usage: qevos check IMAGE\n"
    "\n"
    "Checks IMAGE the way the loader does, and its command and package records: their\n"
    "sections, where they lie, their magic, header word and strings. Prints one line per\n"
    "problem and exits 1 when there is any, exits 0 silently when there is none, and\n"
    "exits 2 on a usage error.\n"
    "\n"
    "Options:\n"
    "  -h, --help   show this help\n";

}  // namespace

int check_main(Args &args) {
    if (args.size() == 1 && (args[0] == "-h" || args[0] == "--help")) {
        std::fputs(kCheckUsage, stdout);
        return 0;
    }
    if (args.size() != 1 || (args[0].starts_with("-") && args[0] != "-")) {
        std::fputs(
            "qevos check: expects one IMAGE\nusage: qevos check IMAGE (see 'qevos check --help')\n",
            stderr);
        return 2;
    }
    const std::string image(args[0]);
    std::string error;
    const auto file = read_image_file(image, error);
    if (!file) {
        std::fprintf(stderr, "qevos check: %s: %s\n", image.c_str(), error.c_str());
        return 1;
    }
    const ImageMetadata meta = read_metadata(*file);
    for (const MetaProblem &p : meta.problems) {
        if (p.where.empty())
            std::printf("qevos check: %s: %s\n", image.c_str(), p.reason.c_str());
        else
            std::printf("qevos check: %s: %s: %s\n", image.c_str(), p.where.c_str(),
                        p.reason.c_str());
    }
    return meta.problems.empty() ? 0 : 1;
}

}  // namespace qevos::tool
