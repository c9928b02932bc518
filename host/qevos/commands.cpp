#include "commands.h"

namespace qevos::tool {

namespace {
const Command kCommands[] = {
    {"run", run_main, "run an image in the kernel"},
    {"info", info_main, "show what an image's command and package records say"},
    {"check", check_main, "check an image's layout and its metadata records"},
    {"desktop", desktop_main, "show the tiling desktop, or write the default one to a file"},
};
}  // namespace

std::span<const Command> commands() { return kCommands; }

}  // namespace qevos::tool
