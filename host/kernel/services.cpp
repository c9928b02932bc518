#include "services.h"

#include <qevos/abi.h>

#include <algorithm>

namespace qevos {
namespace {

using enum ArgKind;

constexpr std::array<ArgKind, 6> args(std::initializer_list<ArgKind> kinds) {
    std::array<ArgKind, 6> a{};
    std::copy(kinds.begin(), kinds.end(), a.begin());
    return a;
}

constexpr std::string_view kNotYet = "not implemented: answers -38";

const ServiceRow kServices[] = {
    {QEVOS_SYS_WRITE, "write", args({Int, InBuf, UInt}), sys_write,
     "descriptors 1 and 2: the bytes go to the console (host standard output) as given; "
     "a file descriptor: written at its position, files at most 64 MiB (-27)"},
    {QEVOS_SYS_EXIT, "_exit", args({Int}), sys_exit,
     "ends the process with the 32-bit status; never returns"},
    {QEVOS_SYS_READ, "read", args({Int, OutBuf, UInt}), sys_read,
     "descriptor 0: reads the console (host standard input); 0 at its end; "
     "a file descriptor: reads from its position"},
    {QEVOS_SYS_OPEN, "open", args({Str, Hex, Hex}), sys_open,
     "opens a path inside the root: O_RDONLY, O_WRONLY, O_CREAT, O_TRUNC; the lowest free "
     "descriptor, at most 64 open (-24)"},
    {QEVOS_SYS_CLOSE, "close", args({Int}), sys_close, "closes a descriptor, the console's too"},
    {QEVOS_SYS_GETKEY, "getkey", args({}), sys_not_implemented, kNotYet},
    {QEVOS_SYS_WRITEFILE, "writefile", args({Str, InBuf, UInt}), sys_writefile,
     "replaces the whole file atomically with the bytes; at most 64 MiB (-27)"},
    {QEVOS_SYS_USLEEP, "usleep", args({UInt}), sys_not_implemented, kNotYet},
    {QEVOS_SYS_MKDIR, "mkdir", args({Str}), sys_not_implemented, kNotYet},
    {QEVOS_SYS_UNLINK, "unlink", args({Str}), sys_not_implemented, kNotYet},
    {QEVOS_SYS_RMDIR, "rmdir", args({Str}), sys_not_implemented, kNotYet},
    {QEVOS_SYS_GETCWD, "getcwd", args({Hex, UInt}), sys_not_implemented, kNotYet},
    {QEVOS_SYS_STREAM_BEGIN, "qevfs_stream_begin", args({Str}), sys_not_implemented, kNotYet},
    {QEVOS_SYS_STREAM_WRITE, "qevfs_stream_write", args({Int, InBuf, UInt}), sys_not_implemented,
     kNotYet},
    {QEVOS_SYS_STREAM_END, "qevfs_stream_end", args({Int}), sys_not_implemented, kNotYet},
    {QEVOS_SYS_CLEAR_FOCUSED_BACKGROUND, "clear_focused_background", args({}),
     sys_clear_focused_background,
     "clears the focused tile's background: 0, also when clear already; -2 when no tile "
     "has the focus"},
    {QEVOS_SYS_CHDIR, "chdir", args({Str}), sys_not_implemented, kNotYet},
    {QEVOS_SYS_MMAP, "mmap", args({Hex, UInt, Hex, Hex, Int, Int}), sys_not_implemented, kNotYet},
    {QEVOS_SYS_MUNMAP, "munmap", args({Hex, UInt}), sys_not_implemented, kNotYet},
    {QEVOS_SYS_LSEEK, "lseek", args({Int, Int, Int}), sys_lseek,
     "moves a file descriptor's position (whence 0 start, 1 current, 2 end); the new position"},
    {QEVOS_SYS_PIPE, "pipe", args({Hex}), sys_not_implemented, kNotYet},
    {QEVOS_SYS_MKFIFO, "mkfifo", args({Str}), sys_not_implemented, kNotYet},
    {QEVOS_SYS_DUP, "dup", args({Int}), sys_not_implemented, kNotYet},
    {QEVOS_SYS_DUP2, "dup2", args({Int, Int}), sys_not_implemented, kNotYet},
    {QEVOS_SYS_FD_SET_INHERIT, "fd_set_inherit", args({Int}), sys_not_implemented, kNotYet},
    {QEVOS_SYS_FD_SET_STDIO, "fd_set_stdio", args({Int, Int, Int}), sys_not_implemented, kNotYet},
    {QEVOS_SYS_FD_SET_NONBLOCK, "fd_set_nonblock", args({Int, Int}), sys_not_implemented,
     kNotYet},
    {QEVOS_SYS_SPAWN, "spawn", args({Str, Hex, Int}), sys_not_implemented, kNotYet},
    {QEVOS_SYS_WAITPID, "waitpid", args({Int, Hex, Int}), sys_not_implemented, kNotYet},
    {QEVOS_SYS_SPAWN_EX, "spawn_ex", args({SpawnRecord}), sys_not_implemented, kNotYet},
};

// Services are numbered below 256; a direct index keeps dispatch constant-time.
struct Index {
    std::array<const ServiceRow *, 256> rows{};
    Index() {
        for (const ServiceRow &row : kServices) rows[row.number] = &row;
    }
};

const Index kIndex;

}  // namespace

std::span<const ServiceRow> service_table() { return kServices; }

const ServiceRow *find_service(uint32_t number) {
    return number < kIndex.rows.size() ? kIndex.rows[number] : nullptr;
}

const ServiceRow *find_service(std::string_view name) {
    for (const ServiceRow &row : kServices)
        if (row.name == name) return &row;
    return nullptr;
}

ServiceResult sys_not_implemented(Process &, const Regs &) {
    return ServiceResult::ret(fail(QEVOS_ENOSYS));
}

}  // namespace qevos
