#include "desktop.h"

#include <qevos/abi.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "files.h"

namespace qevos {
namespace {

using nlohmann::json;

// "line L, column C" of a byte offset into `text`.
std::string place_of(std::string_view text, size_t offset) {
    offset = std::min(offset, text.size());
    size_t line = 1, column = 1;
    for (size_t i = 0; i < offset; ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            ++column;
        }
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

std::string kind_of(const json &v) {
    return v.is_null() ? "null" : v.is_boolean() ? "a boolean" : v.is_number() ? "a number"
         : v.is_string() ? "a string" : v.is_array() ? "an array" : "an object";
}

// Columns a UTF-8 string takes, one per character.
size_t columns(std::string_view s) {
    return static_cast<size_t>(std::count_if(s.begin(), s.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

std::string repeat(std::string_view s, size_t n) {
    std::string out;
    for (size_t i = 0; i < n; ++i) out += s;
    return out;
}

}  // namespace

Tile *Desktop::focused_tile() {
    if (!focused) return nullptr;
    for (Tile &t : tiles)
        if (t.id == *focused) return &t;
    return nullptr;
}

Desktop default_desktop() {
    Desktop d;
    d.tiles = {
        {1, "Terminal", std::nullopt},
        {2, "Editor", std::string("/share/backgrounds/dunes.png")},
        {3, "Files", std::string("/share/backgrounds/harbour.png")},
    };
    d.focused = 2;
    return d;
}

int clear_focused_background(Desktop &desktop) {
    Tile *t = desktop.focused_tile();
    if (t == nullptr) return -QEVOS_ENOENT;
    t->background.reset();
    return 0;
}

std::optional<Desktop> parse_desktop(std::string_view text, std::string &error) {
    json doc;
    try {
        doc = json::parse(text);
    } catch (const json::parse_error &e) {
        // The library counts the offset from 1, at the byte after the fault.
        const size_t at = e.byte > 0 ? e.byte - 1 : 0;
        std::string what = e.what();
        const size_t colon = what.rfind(": ");
        if (colon != std::string::npos) what = what.substr(colon + 2);
        error = place_of(text, at) + ": not valid JSON: " + what;
        return std::nullopt;
    }
    if (!doc.is_object()) {
        error = "top level: expected an object with \"tiles\", found " + kind_of(doc);
        return std::nullopt;
    }
    for (const auto &[key, value] : doc.items()) {
        if (key != "tiles") {
            error = "top level: unknown key \"" + key + "\"";
            return std::nullopt;
        }
    }
    if (!doc.contains("tiles") || !doc["tiles"].is_array()) {
        error = "\"tiles\": expected an array of tiles, found " +
                (doc.contains("tiles") ? kind_of(doc["tiles"]) : std::string("nothing"));
        return std::nullopt;
    }
    Desktop d;
    std::set<int> ids;
    const json &tiles = doc["tiles"];
    for (size_t i = 0; i < tiles.size(); ++i) {
        const json &t = tiles[i];
        const std::string where = "tiles[" + std::to_string(i) + "]";
        if (!t.is_object()) {
            error = where + ": expected an object, found " + kind_of(t);
            return std::nullopt;
        }
        Tile tile;
        bool focused = false;
        for (const auto &[key, value] : t.items()) {
            const std::string at = where + "." + key;
            if (key == "id") {
                if (!value.is_number_integer() || value.get<int64_t>() < 1 ||
                    value.get<int64_t>() > 1000000) {
                    error = at + ": expected a whole number from 1 to 1000000";
                    return std::nullopt;
                }
                tile.id = value.get<int>();
            } else if (key == "title") {
                if (!value.is_string()) {
                    error = at + ": expected a string, found " + kind_of(value);
                    return std::nullopt;
                }
                tile.title = value.get<std::string>();
            } else if (key == "background") {
                if (!value.is_null() && !value.is_string()) {
                    error = at + ": expected a path or null, found " + kind_of(value);
                    return std::nullopt;
                }
                if (value.is_string()) tile.background = value.get<std::string>();
            } else if (key == "focused") {
                if (!value.is_boolean()) {
                    error = at + ": expected true or false, found " + kind_of(value);
                    return std::nullopt;
                }
                focused = value.get<bool>();
            } else {
                error = where + ": unknown key \"" + key + "\"";
                return std::nullopt;
            }
        }
        if (tile.id == 0) {
            error = where + ": no \"id\"";
            return std::nullopt;
        }
        if (!t.contains("title")) {
            error = where + ": no \"title\"";
            return std::nullopt;
        }
        if (!ids.insert(tile.id).second) {
            error = where + ".id: " + std::to_string(tile.id) + " is the id of an earlier tile";
            return std::nullopt;
        }
        if (focused) {
            if (d.focused) {
                error = where + ".focused: tile " + std::to_string(*d.focused) +
                        " is focused already; at most one tile may be";
                return std::nullopt;
            }
            d.focused = tile.id;
        }
        d.tiles.push_back(std::move(tile));
    }
    return d;
}

std::string desktop_json(const Desktop &desktop) {
    json tiles = json::array();
    for (const Tile &t : desktop.tiles) {
        json tile = {{"id", t.id}, {"title", t.title}};
        tile["background"] = t.background ? json(*t.background) : json(nullptr);
        if (desktop.focused == t.id) tile["focused"] = true;
        tiles.push_back(std::move(tile));
    }
    return json{{"tiles", tiles}}.dump(2) + "\n";
}

std::optional<Desktop> load_desktop(const std::filesystem::path &file, std::string &error) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        error = file.string() + ": cannot read the file";
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    std::string problem;
    auto d = parse_desktop(text.str(), problem);
    if (!d) error = file.string() + ": " + problem;
    return d;
}

bool save_desktop(const std::filesystem::path &file, const Desktop &desktop, std::string &error) {
    const std::string text = desktop_json(desktop);
    const int rc = replace_host_file(
        file, {reinterpret_cast<const uint8_t *>(text.data()), text.size()});
    if (rc == 0) return true;
    error = file.string() + ": cannot write the desktop (error " + std::to_string(-rc) + ")";
    return false;
}

std::string draw_desktop(const Desktop &desktop) {
    if (desktop.tiles.empty()) return "(no tiles)\n";
    std::vector<std::array<std::string, 2>> lines;
    size_t width = 0;
    for (const Tile &t : desktop.tiles) {
        std::string head = std::to_string(t.id) + " " + t.title;
        if (desktop.focused == t.id) head += "  [focused]";
        std::string bg = "background: " + (t.background ? *t.background : std::string("none"));
        width = std::max({width, columns(head), columns(bg)});
        lines.push_back({head, bg});
    }
    std::string out;
    for (size_t i = 0; i < desktop.tiles.size(); ++i) {
        const bool focused = desktop.focused == desktop.tiles[i].id;
        const std::string_view h = focused ? "═" : "─", v = focused ? "║" : "│";
        out += std::string(focused ? "╔" : "┌") + repeat(h, width + 2) + (focused ? "╗" : "┐") + "\n";
        for (const std::string &line : lines[i])
            out += std::string(v) + " " + line + std::string(width - columns(line), ' ') + " " +
                   std::string(v) + "\n";
        out += std::string(focused ? "╚" : "└") + repeat(h, width + 2) + (focused ? "╝" : "┘") + "\n";
    }
    return out;
}

}  // namespace qevos
