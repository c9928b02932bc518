#include "desktop.h"

#include <fcntl.h>
#include <qevos/abi.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <set>
#include <system_error>

#include "files.h"
#include "trace.h"

namespace qevos {
namespace {

using nlohmann::json;

// The whole of a host file; 0 or the host's errno.
int read_host_file(const std::filesystem::path &file, std::string &out) {
    HostFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) return errno;
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) return 0;
        // A desktop is a few lines of text; anything this big is not one.
        if (out.size() + static_cast<size_t>(n) > kMaxFileSize) return EFBIG;
        out.append(chunk, static_cast<size_t>(n));
    }
}

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
    return v.is_null()      ? "null"
           : v.is_boolean() ? "a boolean"
           : v.is_number()  ? "a number"
           : v.is_string()  ? "a string"
           : v.is_array()   ? "an array"
                            : "an object";
}

// Columns a UTF-8 string takes, one per character.
size_t columns(std::string_view s) {
    return static_cast<size_t>(std::count_if(
        s.begin(), s.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
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
        {2, "Editor", std::string("/share/dunes.png")},
        {3, "Files", std::string("/share/harbour.png")},
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
        // "[json.exception.parse_error.101] parse error at line 1, column 2: what"
        std::string what = e.what();
        if (const size_t colon = what.find(": "); colon != std::string::npos)
            what = what.substr(colon + 2);
        // The library quotes the bytes it read last, which may be any bytes at all.
        std::string shown;
        for (const char c : what) {
            const auto u = static_cast<unsigned char>(c);
            if (u >= 0x20 && u < 0x7f) {
                shown += c;
            } else {
                char e[8];
                std::snprintf(e, sizeof e, "\\x%02x", u);
                shown += e;
            }
        }
        error = place_of(text, at) + ": not valid JSON: " + shown;
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
    if (!doc.contains("tiles")) {
        error = "top level: no \"tiles\"";
        return std::nullopt;
    }
    if (!doc["tiles"].is_array()) {
        error = "tiles: expected an array of tiles, found " + kind_of(doc["tiles"]);
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
    nlohmann::ordered_json tiles = nlohmann::ordered_json::array();
    for (const Tile &t : desktop.tiles) {
        nlohmann::ordered_json tile = {{"id", t.id}, {"title", t.title}};
        tile["background"] = t.background ? nlohmann::ordered_json(*t.background) : nullptr;
        if (desktop.focused == t.id) tile["focused"] = true;
        tiles.push_back(std::move(tile));
    }
    return nlohmann::ordered_json{{"tiles", tiles}}.dump(2) + "\n";
}

std::optional<Desktop> load_desktop(const std::filesystem::path &file, std::string &error) {
    std::string text;
    if (const int e = read_host_file(file, text)) {
        error = file.string() + ": cannot read the desktop: " + std::generic_category().message(e);
        return std::nullopt;
    }
    std::string problem;
    auto d = parse_desktop(text, problem);
    if (!d) error = file.string() + ": " + problem;
    return d;
}

bool save_desktop(const std::filesystem::path &file, const Desktop &desktop, std::string &error) {
    const std::string text = desktop_json(desktop);
    const int rc =
        replace_host_file(file, {reinterpret_cast<const uint8_t *>(text.data()), text.size()});
    if (rc == 0) return true;
    error = file.string() + ": cannot write the desktop (" + error_name(rc) + ")";
    return false;
}

std::string draw_desktop(const Desktop &desktop, size_t width) {
    struct Box {
        std::array<std::string, 2> lines;
        size_t inner;  // columns between the borders
        bool focused;
    };
    std::vector<Box> boxes;
    for (const Tile &t : desktop.tiles) {
        Box b{{std::to_string(t.id) + " " + t.title,
               "image: " + (t.background ? *t.background : std::string("none"))},
              0,
              desktop.focused == t.id};
        if (b.focused) b.lines[0] += "  [focused]";
        b.inner = std::max(columns(b.lines[0]), columns(b.lines[1])) + 2;
        boxes.push_back(std::move(b));
    }

    // Tiles side by side, as many to a row as fit the width, at least one.
    std::string out;
    for (size_t first = 0; first < boxes.size();) {
        size_t last = first, used = boxes[first].inner + 2;
        while (last + 1 < boxes.size() && used + 1 + boxes[last + 1].inner + 2 <= width)
            used += 1 + boxes[++last].inner + 2;
        std::array<std::string, 4> rows;
        for (size_t i = first; i <= last; ++i) {
            const Box &b = boxes[i];
            const std::string_view h = b.focused ? "═" : "─", v = b.focused ? "║" : "│";
            const std::string gap = i == first ? "" : " ";
            rows[0] += gap + (b.focused ? "╔" : "┌") + repeat(h, b.inner) + (b.focused ? "╗" : "┐");
            for (size_t l = 0; l < 2; ++l)
                rows[l + 1] += gap + std::string(v) + " " + b.lines[l] +
                               std::string(b.inner - 1 - columns(b.lines[l]), ' ') + std::string(v);
            rows[3] += gap + (b.focused ? "╚" : "└") + repeat(h, b.inner) + (b.focused ? "╝" : "┘");
        }
        for (const std::string &row : rows) out += row + "\n";
        first = last + 1;
    }
    const Tile *focused = nullptr;
    for (const Tile &t : desktop.tiles)
        if (desktop.focused == t.id) focused = &t;
    out += std::to_string(desktop.tiles.size()) + (desktop.tiles.size() == 1 ? " tile" : " tiles") +
           "; focused: " +
           (focused != nullptr ? "tile " + std::to_string(focused->id) + " (" + focused->title + ")"
                               : std::string("none")) +
           "\n";
    return out;
}

}  // namespace qevos
