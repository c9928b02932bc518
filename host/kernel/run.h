// The kernel as a library: run an image with any argument vector, scripted results
// and traces, and look at everything that crossed the boundary afterwards.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace qevos {

// A scripted result: the matching calls of `service` return `retval` without being
// performed. `when` 0 matches every call; K matches the K-th call, or with
// `and_later` the K-th and every one after it.
struct Injection {
    uint32_t service = 0;
    int32_t retval = 0;
    uint32_t when = 0;
    bool and_later = false;
};

struct RunOptions {
    // argv[0] included; std::nullopt puts a null entry in the vector. The count the
    // image sees is argv.size(), so an empty vector gives a count of 0.
    std::vector<std::optional<std::string>> argv;
    std::vector<Injection> injections;
    std::chrono::milliseconds timeout{10000};
    bool count_instructions = false;
    // Keep every service call in RunResult::calls.
    bool record_calls = true;
    // Collect what the image writes to descriptors 1 and 2 in RunResult::output
    // instead of sending it to host standard output.
    bool capture_output = false;
    // When set, descriptor 0 reads from this text instead of host standard input.
    std::optional<std::string> input;
    // Human-readable trace, one line per call, and JSON lines, one object per call.
    std::ostream *trace = nullptr;
    std::ostream *trace_json = nullptr;
    // The host directory the image sees as `/`; without it an empty scratch
    // directory, removed when the run ends.
    std::optional<std::filesystem::path> root;
    // A desktop file (JSON) loaded before the run and, when the image changed the
    // desktop, replaced with the new state after it; without it the built-in default
    // desktop, kept nowhere. A root or desktop file that cannot be used stops the run
    // before the image starts (Outcome::LoadFailed, kExitNotRunnable).
    std::optional<std::filesystem::path> desktop;
};

struct ServiceCall {
    int pid;
    uint32_t number;
    std::string_view name;
    uint32_t eax, ebx, ecx, edx, esi, edi, ebp;  // on entry
    int32_t result;
    bool injected;
    // The words of a spawn record the call pointed at, as they were on entry.
    std::vector<uint32_t> record;
};

enum class Outcome { Exited, Faulted, TimedOut, LoadFailed };

// Exit statuses of `qevos run` besides the image's own.
constexpr int kExitTimedOut = 124;
constexpr int kExitNotRunnable = 126;
constexpr int kExitNoSuchImage = 127;
constexpr int kExitInvalidInstruction = 132;  // 128 + 4
constexpr int kExitTrap = 133;                // 128 + 5: an interrupt other than 0x80
constexpr int kExitDivideError = 136;         // 128 + 8
constexpr int kExitMemoryFault = 139;         // 128 + 11
// The image ran, but its changed desktop could not be written back to the file.
constexpr int kExitDesktopNotSaved = 125;

struct RunResult {
    Outcome outcome = Outcome::LoadFailed;
    int32_t status = 0;       // the image's full 32-bit exit status (Outcome::Exited)
    int fault_exit_code = 0;  // for the other outcomes
    std::string message;      // what went wrong, for the other outcomes
    std::string output;       // with RunOptions::capture_output
    std::vector<ServiceCall> calls;
    uint64_t instructions = 0;  // with RunOptions::count_instructions
    // The root or the desktop file was refused (Outcome::LoadFailed): the message
    // names that file, not the image.
    bool setup_failed = false;
    // Set when the changed desktop could not be written back to RunOptions::desktop.
    std::optional<std::string> desktop_error;

    // What `qevos run` exits with: the low 8 bits of the image's status, or the
    // documented code of the fault, time-out or load failure.
    int exit_code() const {
        return outcome == Outcome::Exited ? static_cast<int>(static_cast<uint32_t>(status) & 0xFF)
                                          : fault_exit_code;
    }
};

RunResult run_image(const std::filesystem::path &image, const RunOptions &options);

}  // namespace qevos
