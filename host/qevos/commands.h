// The subcommands of qevos: one row each.
#pragma once

#include <span>
#include <string_view>
#include <vector>

namespace qevos::tool {

using Args = std::vector<std::string_view>;

struct Command {
    std::string_view name;
    int (*main)(Args &args);
    std::string_view summary;
};

std::span<const Command> commands();

int run_main(Args &args);
int info_main(Args &args);
int check_main(Args &args);
int desktop_main(Args &args);

}  // namespace qevos::tool
