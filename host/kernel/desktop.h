// The tiling desktop the kernel keeps for its images: a row of tiles, each with an
// id, a title and a background picture (or none), at most one of them focused.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qevos {

struct Tile {
    int id = 0;
    std::string title;
    std::optional<std::string> background;  // a path, or none
    bool operator==(const Tile &) const = default;
};

struct Desktop {
    std::vector<Tile> tiles;
    std::optional<int> focused;  // the id of the focused tile
    bool operator==(const Desktop &) const = default;

    Tile *focused_tile();
};

// A few tiles, the focused one with a background.
Desktop default_desktop();

// Clears the focused tile's background: 0, also when it was already clear, or the
// negated no-such-entry code when no tile has the focus.
int clear_focused_background(Desktop &desktop);

// The JSON form (see docs/kernel.md). On failure `error` says where and what.
std::optional<Desktop> parse_desktop(std::string_view text, std::string &error);
std::string desktop_json(const Desktop &desktop);

// Reads and parses a desktop file; the error names the file, the place and the problem.
std::optional<Desktop> load_desktop(const std::filesystem::path &file, std::string &error);
// Replaces the file atomically; false with `error` set on failure.
bool save_desktop(const std::filesystem::path &file, const Desktop &desktop, std::string &error);

// The desktop drawn as boxes side by side, wrapped at `width` columns, one per
// tile with its id, title and background; the focused one in double lines and
// marked "[focused]". A last line says how many tiles there are and which has the
// focus.
std::string draw_desktop(const Desktop &desktop, size_t width = 80);

}  // namespace qevos
