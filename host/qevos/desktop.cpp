// qevos desktop show [FILE] | init [--force] FILE
#include "desktop.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "commands.h"

namespace qevos::tool {
namespace {

constexpr const char *kDesktopUsage =
    "usage: qevos desktop show [FILE]\n"
    "       qevos desktop init [--force] FILE\n"
    "\n"
    "The tiling desktop that images see through service 93 (clear_focused_background).\n"
    "\n"
    "  show [FILE]    draw the desktop in FILE, or the built-in default desktop, as\n"
    "                 tiles: id, title and background image of each, the focused tile in\n"
    "                 double lines and marked [focused]\n"
    "  init FILE      write the default desktop to FILE; an existing FILE is replaced\n"
    "                 only with --force\n"
    "\n"
    "A desktop file is JSON: an object with one key, \"tiles\", an array of tiles in\n"
    "order. Each tile is an object with\n"
    "  \"id\"           a whole number from 1 to 1000000, unique (required)\n"
    "  \"title\"        a string (required)\n"
    "  \"background\"   a path (a string), or null or absent for none\n"
    "  \"focused\"      true for the one tile with the focus (at most one); false or\n"
    "                 absent otherwise\n"
    "No other keys are allowed. For example:\n"
    "  {\"tiles\": [{\"id\": 1, \"title\": \"Terminal\", \"background\": null},\n"
    "             {\"id\": 2, \"title\": \"Editor\", \"background\": \"/share/dunes.png\",\n"
    "              \"focused\": true}]}\n"
    "'qevos run --desktop FILE' loads such a file and writes it back when the image\n"
    "changed the desktop.\n"
    "\n"
    "Exit status: 0 done, 1 the file cannot be read, is not a valid desktop, or\n"
    "cannot be written (one message naming the file, the place and the problem),\n"
    "2 usage error.\n";

int usage_error(const std::string &message) {
    std::fprintf(stderr, "qevos desktop: %s\n%s", message.c_str(),
                 "usage: qevos desktop show [FILE] | init [--force] FILE "
                 "(see 'qevos desktop --help')\n");
    return 2;
}

bool is_help(std::string_view a) { return a == "-h" || a == "--help"; }

size_t terminal_width() {
    winsize ws{};
    if (::isatty(STDOUT_FILENO) && ::ioctl(STDOUT_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0)
        return ws.ws_col;
    return 80;
}

int show(const Args &args) {
    std::optional<std::string> file;
    for (const std::string_view a : args) {
        if (is_help(a)) {
            std::fputs(kDesktopUsage, stdout);
            return 0;
        }
        if (a.starts_with("-") && a != "-")
            return usage_error("unknown option '" + std::string(a) + "'");
        if (file) return usage_error("show takes at most one FILE");
        file = std::string(a);
    }
    Desktop desktop = default_desktop();
    if (file) {
        std::string error;
        auto loaded = load_desktop(*file, error);
        if (!loaded) {
            std::fprintf(stderr, "qevos: %s\n", error.c_str());
            return 1;
        }
        desktop = std::move(*loaded);
    }
    std::fputs(draw_desktop(desktop, terminal_width()).c_str(), stdout);
    return 0;
}

int init(const Args &args) {
    bool force = false;
    std::optional<std::string> file;
    for (const std::string_view a : args) {
        if (is_help(a)) {
            std::fputs(kDesktopUsage, stdout);
            return 0;
        }
        if (a == "--force" || a == "-f") {
            force = true;
        } else if (a.starts_with("-") && a != "-") {
            return usage_error("unknown option '" + std::string(a) + "'");
        } else if (file) {
            return usage_error("init takes one FILE");
        } else {
            file = std::string(a);
        }
    }
    if (!file) return usage_error("init needs a FILE");
    std::error_code ec;
    if (!force && std::filesystem::symlink_status(*file, ec).type() !=
                      std::filesystem::file_type::not_found) {
        std::fprintf(stderr, "qevos: %s: exists already; --force replaces it\n", file->c_str());
        return 1;
    }
    std::string error;
    if (!save_desktop(*file, default_desktop(), error)) {
        std::fprintf(stderr, "qevos: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int desktop_main(Args &args) {
    if (args.empty()) return usage_error("needs show or init");
    const std::string_view action = args.front();
    const Args rest(args.begin() + 1, args.end());
    if (is_help(action)) {
        std::fputs(kDesktopUsage, stdout);
        return 0;
    }
    if (action == "show") return show(rest);
    if (action == "init") return init(rest);
    return usage_error("unknown action '" + std::string(action) + "' (show or init)");
}

}  // namespace qevos::tool
