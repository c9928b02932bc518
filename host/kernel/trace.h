// The tracer: one line per service call, written like a call in C,
//     write(1, "unpaint: failed to clear focused background", 43) = 43
// and, for programs, one JSON object per call with the registers on entry.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "run.h"

namespace qevos {

class AddressSpace;
struct ServiceRow;

// Strings and buffers are shown up to this many bytes, then "...".
constexpr size_t kTraceStringLimit = 64;

class Tracer {
public:
    Tracer(std::ostream *text, std::ostream *json) : text_(text), json_(json) {}
    bool active() const { return text_ != nullptr || json_ != nullptr; }

    void call(const ServiceRow *row, const ServiceCall &call, const AddressSpace &memory);
    void exit_call(const ServiceCall &call);
    void exited(int pid, int32_t status);
    void faulted(int pid, const std::string &what, int exit_code);
    void timed_out(int pid, const std::string &what);

private:
    std::ostream *text_;
    std::ostream *json_;
};

std::string escape_bytes(const std::string &bytes, size_t limit);
std::string error_name(int32_t result);

}  // namespace qevos
