#include "commands.h"

namespace qevos::tool {

namespace {
const Command kCommands[] = {
    {"run", run_main, "run an image in the kernel"},
};
}  // namespace

std::span<const Command> commands() { return kCommands; }

}  // namespace qevos::tool
