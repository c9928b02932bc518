// qevos: runs images of the system on this machine and reads their records.
#include <cstdio>
#include <string>
#include <string_view>

#include "commands.h"

namespace {

std::string usage() {
    std::string text = "usage: qevos COMMAND [OPTIONS] [ARGS]\n\nCommands:\n";
    for (const qevos::tool::Command &c : qevos::tool::commands()) {
        std::string name(c.name);
        name.resize(10, ' ');
        text += "  " + name + std::string(c.summary) + "\n";
    }
    return text + "\nRun 'qevos COMMAND --help' for the options of a command.\n";
}

}  // namespace

int main(int argc, char **argv) {
    qevos::tool::Args args(argv + 1, argv + argc);
    if (args.empty()) {
        std::fputs(usage().c_str(), stderr);
        return 2;
    }
    const std::string_view command = args.front();
    args.erase(args.begin());
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(usage().c_str(), stdout);
        return 0;
    }
    for (const qevos::tool::Command &c : qevos::tool::commands())
        if (c.name == command) return c.main(args);
    std::fprintf(stderr, "qevos: unknown command '%.*s'\n%s", static_cast<int>(command.size()),
                 command.data(), usage().c_str());
    return 2;
}
