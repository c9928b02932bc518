// The service table: one row per kernel service, naming its number, its name, the
// kinds of its arguments (for the tracer), its handler and what it does. The
// dispatcher, the tracer and `qevos services` all read this one table.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "kernel.h"

namespace qevos {

enum class ArgKind : uint8_t {
    None,    // no more arguments
    Int,     // signed decimal
    UInt,    // unsigned decimal
    Hex,     // pointer or bit set, in hex
    Str,     // pointer to a NUL-terminated string (a path)
    InBuf,   // pointer to bytes the image gives; the next argument is their count
    OutBuf,  // pointer to bytes the kernel fills; the result is their count
    SpawnRecord,  // pointer to the seven words of a spawn record
};

using Handler = ServiceResult (*)(Process &, const Regs &);

struct ServiceRow {
    uint32_t number;
    std::string_view name;
    std::array<ArgKind, 6> args;
    Handler handler;
    std::string_view does;
};

std::span<const ServiceRow> service_table();
// The row of a service number, or null when the kernel has no such service.
const ServiceRow *find_service(uint32_t number);
const ServiceRow *find_service(std::string_view name);

// Result of every failing service: the negated error code.
constexpr int32_t fail(int code) { return -code; }

// Handlers, one family per source.
ServiceResult sys_exit(Process &, const Regs &);
ServiceResult sys_write(Process &, const Regs &);
ServiceResult sys_read(Process &, const Regs &);
ServiceResult sys_not_implemented(Process &, const Regs &);
ServiceResult sys_open(Process &, const Regs &);
ServiceResult sys_close(Process &, const Regs &);
ServiceResult sys_lseek(Process &, const Regs &);
ServiceResult sys_writefile(Process &, const Regs &);
ServiceResult sys_clear_focused_background(Process &, const Regs &);
// read and write on a descriptor that names a file.
ServiceResult file_read(Process &, Descriptor &, const Regs &);
ServiceResult file_write(Process &, Descriptor &, const Regs &);

}  // namespace qevos
