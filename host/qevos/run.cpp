// qevos run [OPTIONS] IMAGE [ARG...]
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "commands.h"
#include "run.h"
#include "services.h"

namespace qevos::tool {
namespace {

constexpr const char *kRunUsage =
    "usage: qevos run [OPTIONS] IMAGE [ARG...]\n"
    "\n"
    "Runs IMAGE in the kernel with the arguments IMAGE ARG...; exits with the low 8 bits\n"
    "of its status, or 124 (time-out), 126 (not runnable), 127 (no such image),\n"
    "132 (invalid instruction), 133 (an interrupt other than 0x80 or a halt),\n"
    "136 (divide error), 139 (memory fault).\n"
    "A root or desktop file that cannot be used stops the run before the image starts\n"
    "with one message and 126; a desktop that cannot be written back after the run is\n"
    "reported, and turns a status of 0 into 125.\n"
    "\n"
    "Options:\n"
    "  --trace[=FILE]          one line per service call on stderr (or FILE)\n"
    "  --trace-json FILE       one JSON object per service call in FILE\n"
    "  --inject SERVICE:retval=N[:when=K[+]]\n"
    "                          calls of SERVICE (number or name) return N without being\n"
    "                          performed: every call, the K-th, or the K-th and later;\n"
    "                          may be given more than once\n"
    "  --timeout SECONDS       stop an image still running after SECONDS (default 10)\n"
    "  --count-instructions    print the number of instructions executed on stderr\n"
    "  --root DIR              the image sees DIR as /; without it an empty scratch\n"
    "                          directory, removed at exit\n"
    "  --desktop FILE          load the desktop from FILE (JSON, see 'qevos desktop\n"
    "                          --help') and, when the image changed it, write the new\n"
    "                          state back atomically at the end; without it the\n"
    "                          built-in default desktop\n"
    "  -h, --help              show this help\n";

int usage_error(const std::string &message) {
    std::fprintf(stderr, "qevos run: %s\n%s", message.c_str(),
                 "usage: qevos run [OPTIONS] IMAGE [ARG...] (see 'qevos run --help')\n");
    return 2;
}

template <class T>
std::optional<T> parse_number(std::string_view text) {
    T value{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// SERVICE:retval=N[:when=K[+]]
std::optional<Injection> parse_injection(std::string_view spec, std::string &error) {
    const size_t colon = spec.find(':');
    const std::string_view service = spec.substr(0, colon);
    Injection inj;
    if (const auto number = parse_number<uint32_t>(service)) {
        inj.service = *number;
    } else if (const ServiceRow *row = find_service(service)) {
        inj.service = row->number;
    } else {
        error = "--inject: unknown service '" + std::string(service) + "'";
        return std::nullopt;
    }
    if (inj.service == 2) {
        error = "--inject: _exit cannot be injected: it never returns";
        return std::nullopt;
    }
    bool have_retval = false;
    std::string_view rest = colon == std::string_view::npos ? "" : spec.substr(colon + 1);
    while (!rest.empty()) {
        const size_t next = rest.find(':');
        const std::string_view item = rest.substr(0, next);
        rest = next == std::string_view::npos ? "" : rest.substr(next + 1);
        if (item.starts_with("retval=")) {
            const auto v = parse_number<int32_t>(item.substr(7));
            if (!v) {
                error = "--inject: retval must be a 32-bit integer: '" + std::string(item) + "'";
                return std::nullopt;
            }
            inj.retval = *v;
            have_retval = true;
        } else if (item.starts_with("when=")) {
            std::string_view k = item.substr(5);
            if (k.ends_with('+')) {
                inj.and_later = true;
                k.remove_suffix(1);
            }
            const auto v = parse_number<uint32_t>(k);
            if (!v || *v == 0) {
                error = "--inject: when must be K or K+ with K from 1: '" + std::string(item) + "'";
                return std::nullopt;
            }
            inj.when = *v;
        } else {
            error = "--inject: unknown field '" + std::string(item) + "' (retval=N, when=K[+])";
            return std::nullopt;
        }
    }
    if (!have_retval) {
        error = "--inject: '" + std::string(spec) + "' has no retval=N";
        return std::nullopt;
    }
    return inj;
}

}  // namespace

int run_main(Args &args) {
    RunOptions options;
    options.record_calls = false;
    std::unique_ptr<std::ofstream> trace_file, json_file;
    size_t i = 0;
    for (; i < args.size(); ++i) {
        const std::string_view a = args[i];
        auto value = [&](std::string_view name) -> std::optional<std::string_view> {
            if (i + 1 >= args.size()) return std::nullopt;
            (void)name;
            return args[++i];
        };
        if (a == "-h" || a == "--help") {
            std::fputs(kRunUsage, stdout);
            return 0;
        } else if (a == "--trace") {
            options.trace = &std::cerr;
        } else if (a.starts_with("--trace=")) {
            trace_file = std::make_unique<std::ofstream>(std::string(a.substr(8)));
            if (!*trace_file)
                return usage_error("--trace: cannot write '" + std::string(a.substr(8)) + "'");
            options.trace = trace_file.get();
        } else if (a == "--trace-json") {
            const auto file = value(a);
            if (!file) return usage_error("--trace-json needs a FILE");
            json_file = std::make_unique<std::ofstream>(std::string(*file));
            if (!*json_file)
                return usage_error("--trace-json: cannot write '" + std::string(*file) + "'");
            options.trace_json = json_file.get();
        } else if (a == "--inject") {
            const auto spec = value(a);
            if (!spec) return usage_error("--inject needs SERVICE:retval=N[:when=K[+]]");
            std::string error;
            const auto inj = parse_injection(*spec, error);
            if (!inj) return usage_error(error);
            options.injections.push_back(*inj);
        } else if (a == "--timeout") {
            const auto text = value(a);
            const auto seconds = text ? parse_number<double>(*text) : std::nullopt;
            if (!seconds || !(*seconds > 0) || *seconds > 86400)
                return usage_error("--timeout needs a number of seconds above 0");
            options.timeout = std::chrono::milliseconds(static_cast<long>(std::ceil(*seconds * 1000)));
        } else if (a == "--root" || a == "--desktop") {
            const auto path = value(a);
            if (!path) return usage_error(std::string(a) + " needs a path");
            (a == "--root" ? options.root : options.desktop) = std::string(*path);
        } else if (a == "--count-instructions") {
            options.count_instructions = true;
        } else if (a.starts_with("-") && a != "-") {
            return usage_error("unknown option '" + std::string(a) + "'");
        } else {
            break;
        }
    }
    if (i >= args.size()) return usage_error("no IMAGE given");
    const std::string image(args[i]);
    for (; i < args.size(); ++i) options.argv.emplace_back(std::string(args[i]));

    const RunResult result = run_image(image, options);
    if (options.count_instructions)
        std::fprintf(stderr, "qevos: instructions: %llu\n",
                     static_cast<unsigned long long>(result.instructions));
    switch (result.outcome) {
        case Outcome::Exited: break;
        case Outcome::LoadFailed:
            if (result.setup_failed) {
                std::fprintf(stderr, "qevos: %s\n", result.message.c_str());
                break;
            }
            [[fallthrough]];
        case Outcome::Faulted:
        case Outcome::TimedOut:
            std::fprintf(stderr, "qevos: %s: %s\n", image.c_str(), result.message.c_str());
            break;
    }
    if (result.desktop_error) {
        std::fprintf(stderr, "qevos: %s\n", result.desktop_error->c_str());
        if (result.exit_code() == 0) return kExitDesktopNotSaved;
    }
    return result.exit_code();
}

}  // namespace qevos::tool
