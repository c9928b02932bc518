#include "trace.h"

#include <qevos/abi.h>

#include <array>
#include <cstdio>

#include "address_space.h"
#include "services.h"

namespace qevos {
namespace {

std::string hex32(uint32_t v) {
    if (v == 0) return "NULL";
    char s[16];
    std::snprintf(s, sizeof s, "0x%08x", v);
    return s;
}

void json_string(std::ostream &out, std::string_view s) {
    out << '"';
    for (const char c : s) {
        if (c == '"' || c == '\\') {
            out << '\\' << c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char e[8];
            std::snprintf(e, sizeof e, "\\u%04x", static_cast<unsigned char>(c));
            out << e;
        } else {
            out << c;
        }
    }
    out << '"';
}

std::string show_string(const AddressSpace &memory, uint32_t addr, size_t len) {
    if (addr == 0) return "NULL";
    std::string bytes = memory.peek(addr, std::min(len, kTraceStringLimit + 1));
    if (bytes.empty() && len > 0) return hex32(addr);
    return escape_bytes(bytes, kTraceStringLimit);
}

std::string show_cstring(const AddressSpace &memory, uint32_t addr) {
    if (addr == 0) return "NULL";
    std::string bytes = memory.peek(addr, kTraceStringLimit + 1);
    const size_t nul = bytes.find('\0');
    if (nul == std::string::npos && bytes.size() <= kTraceStringLimit) return hex32(addr);
    if (nul != std::string::npos) bytes.resize(nul);
    return escape_bytes(bytes, kTraceStringLimit);
}

std::string show_spawn_record(const AddressSpace &memory, const ServiceCall &c, uint32_t addr) {
    if (c.record.size() != QEVOS_SPAWN_RECORD_SIZE / 4) return hex32(addr);
    const auto &w = c.record;
    return "{path=" + show_cstring(memory, w[0]) + ", argv=" + hex32(w[1]) +
           ", argc=" + std::to_string(static_cast<int32_t>(w[2])) + ", extra=[" +
           std::to_string(static_cast<int32_t>(w[3])) + ", " +
           std::to_string(static_cast<int32_t>(w[4])) + ", " +
           std::to_string(static_cast<int32_t>(w[5])) + "], flag=" + std::to_string(w[6]) + "}";
}

// The exit call has no result: it never returns.
void json_call(std::ostream &out, const ServiceCall &c) {
    out << "{\"pid\":" << c.pid << ",\"number\":" << c.number << ",\"name\":";
    json_string(out, c.name);
    out << ",\"eax\":" << c.eax << ",\"ebx\":" << c.ebx << ",\"ecx\":" << c.ecx
        << ",\"edx\":" << c.edx << ",\"esi\":" << c.esi << ",\"edi\":" << c.edi
        << ",\"ebp\":" << c.ebp;
    if (c.number != QEVOS_SYS_EXIT) out << ",\"result\":" << c.result;
    out << ",\"injected\":" << (c.injected ? "true" : "false") << "}\n";
}

struct ErrorName {
    int code;
    const char *name;
};

constexpr ErrorName kErrorNames[] = {
    {QEVOS_EPERM, "EPERM"},   {QEVOS_ENOENT, "ENOENT"},   {QEVOS_ESRCH, "ESRCH"},
    {QEVOS_E2BIG, "E2BIG"},   {QEVOS_EBADF, "EBADF"},     {QEVOS_ECHILD, "ECHILD"},
    {QEVOS_EAGAIN, "EAGAIN"}, {QEVOS_ENOMEM, "ENOMEM"},   {QEVOS_EACCES, "EACCES"},
    {QEVOS_EFAULT, "EFAULT"}, {QEVOS_EEXIST, "EEXIST"},   {QEVOS_ENOTDIR, "ENOTDIR"},
    {QEVOS_EISDIR, "EISDIR"}, {QEVOS_EINVAL, "EINVAL"},   {QEVOS_EMFILE, "EMFILE"},
    {QEVOS_EFBIG, "EFBIG"},   {QEVOS_ENOSPC, "ENOSPC"},   {QEVOS_ESPIPE, "ESPIPE"},
    {QEVOS_EPIPE, "EPIPE"},   {QEVOS_ERANGE, "ERANGE"},   {QEVOS_EDEADLK, "EDEADLK"},
    {QEVOS_ENAMETOOLONG, "ENAMETOOLONG"}, {QEVOS_ENOSYS, "ENOSYS"},
    {QEVOS_ENOTEMPTY, "ENOTEMPTY"},       {QEVOS_ELOOP, "ELOOP"},
};

}  // namespace

std::string escape_bytes(const std::string &bytes, size_t limit) {
    std::string out = "\"";
    for (size_t i = 0; i < bytes.size() && i < limit; ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\t': out += "\\t"; break;
            case '\r': out += "\\r"; break;
            default:
                if (c >= 0x20 && c < 0x7f) {
                    out += static_cast<char>(c);
                } else {
                    char e[8];
                    std::snprintf(e, sizeof e, "\\x%02x", c);
                    out += e;
                }
        }
    }
    out += '"';
    if (bytes.size() > limit) out += "...";
    return out;
}

std::string error_name(int32_t result) {
    for (const ErrorName &e : kErrorNames)
        if (result == -e.code) return e.name;
    return {};
}

void Tracer::call(const ServiceRow *row, const ServiceCall &c, const AddressSpace &memory) {
    if (text_ != nullptr) {
        std::string line;
        if (c.pid != 1) line += "[pid " + std::to_string(c.pid) + "] ";
        if (row == nullptr) {
            line += "service_" + std::to_string(c.number) + "(" + hex32(c.ebx) + ", " +
                    hex32(c.ecx) + ", " + hex32(c.edx) + ")";
        } else {
            line += std::string(row->name) + "(";
            const std::array<uint32_t, 6> a = {c.ebx, c.ecx, c.edx, c.esi, c.edi, c.ebp};
            for (size_t i = 0; i < 6 && row->args[i] != ArgKind::None; ++i) {
                if (i > 0) line += ", ";
                switch (row->args[i]) {
                    case ArgKind::Int: line += std::to_string(static_cast<int32_t>(a[i])); break;
                    case ArgKind::UInt: line += std::to_string(a[i]); break;
                    case ArgKind::Hex: line += hex32(a[i]); break;
                    case ArgKind::Str: line += show_cstring(memory, a[i]); break;
                    case ArgKind::InBuf:
                        line += show_string(memory, a[i], i + 1 < 6 ? a[i + 1] : 0);
                        break;
                    case ArgKind::OutBuf:
                        line += c.result > 0 && !c.injected
                                    ? show_string(memory, a[i], static_cast<uint32_t>(c.result))
                                    : hex32(a[i]);
                        break;
                    case ArgKind::SpawnRecord: line += show_spawn_record(memory, c, a[i]); break;
                    case ArgKind::None: break;
                }
            }
            line += ")";
        }
        line += " = " + std::to_string(c.result);
        if (const std::string name = error_name(c.result); c.result < 0 && !name.empty())
            line += " " + name;
        if (c.injected) line += " (injected)";
        *text_ << line << '\n';
    }
    if (json_ != nullptr) json_call(*json_, c);
}

void Tracer::exit_call(const ServiceCall &c) {
    if (text_ != nullptr) {
        if (c.pid != 1) *text_ << "[pid " << c.pid << "] ";
        *text_ << "_exit(" << static_cast<int32_t>(c.ebx) << ") = ?\n";
    }
    if (json_ != nullptr) json_call(*json_, c);
}

void Tracer::exited(int pid, int32_t status) {
    if (text_ != nullptr) {
        if (pid != 1) *text_ << "[pid " << pid << "] ";
        char s[16];
        std::snprintf(s, sizeof s, "0x%08x", static_cast<uint32_t>(status));
        *text_ << "+++ exited with " << status << " (" << s << ") +++\n";
    }
    if (json_ != nullptr) *json_ << "{\"pid\":" << pid << ",\"exit\":" << status << "}\n";
}

void Tracer::faulted(int pid, const std::string &what, int exit_code) {
    if (text_ != nullptr) {
        if (pid != 1) *text_ << "[pid " << pid << "] ";
        *text_ << "+++ killed by " << what << " +++\n";
    }
    if (json_ != nullptr) {
        *json_ << "{\"pid\":" << pid << ",\"fault\":";
        json_string(*json_, what);
        *json_ << ",\"exit_code\":" << exit_code << "}\n";
    }
}

void Tracer::timed_out(int pid, const std::string &what) {
    if (text_ != nullptr) *text_ << "+++ " << what << " +++\n";
    if (json_ != nullptr) {
        *json_ << "{\"pid\":" << pid << ",\"timeout\":";
        json_string(*json_, what);
        *json_ << "}\n";
    }
}

}  // namespace qevos
