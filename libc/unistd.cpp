// Kernel service wrappers: each loads the registers of its service and traps once,
// or refuses its arguments and returns -1 without entering the kernel.
#include <unistd.h>

#include <stdint.h>

#include "trap.h"

namespace {

using qevos::sys::trap;

constexpr uint32_t kMaxCount = 0x7fffffff;

// Counts and sizes above 0x7fffffff, which includes every negative int passed as
// one, reach the kernel as 0x7fffffff.
constexpr uint32_t clamp(size_t count) { return count > kMaxCount ? kMaxCount : count; }

constexpr uint32_t flag01(int flag) { return flag != 0 ? 1 : 0; }

inline uint32_t addr(const void *p) { return reinterpret_cast<uintptr_t>(p); }

constexpr uint32_t kMicrosPerSecond = 1000000;
// The longest sleep whose microsecond count still fits one service call.
constexpr uint32_t kMaxSecondsPerCall = UINT32_MAX / kMicrosPerSecond;

}  // namespace

ssize_t write(int fd, const void *buf, size_t count) {
    if (buf == nullptr) return -1;
    return trap(QEVOS_SYS_WRITE, fd, addr(buf), clamp(count));
}

ssize_t read(int fd, void *buf, size_t count) {
    if (buf == nullptr) return -1;
    return trap(QEVOS_SYS_READ, fd, addr(buf), clamp(count));
}

int close(int fd) { return trap(QEVOS_SYS_CLOSE, fd); }

int dup(int fd) { return trap(QEVOS_SYS_DUP, fd); }

int dup2(int oldfd, int newfd) { return trap(QEVOS_SYS_DUP2, oldfd, newfd, 0); }

int pipe(int fds[2]) {
    if (fds == nullptr) return -1;
    return trap(QEVOS_SYS_PIPE, addr(fds));
}

int mkfifo(const char *path, mode_t) {
    if (path == nullptr) return -1;
    return trap(QEVOS_SYS_MKFIFO, addr(path));
}

int fd_set_inherit(int flag) { return trap(QEVOS_SYS_FD_SET_INHERIT, flag01(flag)); }

int fd_set_stdio(int in, int out, int err) { return trap(QEVOS_SYS_FD_SET_STDIO, in, out, err); }

int fd_set_nonblock(int fd, int flag) {
    return trap(QEVOS_SYS_FD_SET_NONBLOCK, fd, flag01(flag), 0);
}

int spawn(const char *path, char *const argv[], int argc) {
    if (path == nullptr || argc < 0) return -1;
    return trap(QEVOS_SYS_SPAWN, addr(path), addr(argv), argc);
}

int spawn_ex(const char *path, char *const argv[], int argc, int extra1, int extra2, int extra3,
             int flag) {
    if (path == nullptr || argc < 0) return -1;
    // Lives in this frame for the duration of the call only.
    const uint32_t record[QEVOS_SPAWN_RECORD_SIZE / 4] = {
        addr(path),          addr(argv),          static_cast<uint32_t>(argc),
        static_cast<uint32_t>(extra1), static_cast<uint32_t>(extra2), static_cast<uint32_t>(extra3),
        flag01(flag)};
    return trap(QEVOS_SYS_SPAWN_EX, addr(record));
}

pid_t waitpid(pid_t pid, int *status, int options) {
    return trap(QEVOS_SYS_WAITPID, pid, addr(status), options);
}

int writefile(const char *path, const void *data, size_t len) {
    if (path == nullptr || data == nullptr) return -1;
    return trap(QEVOS_SYS_WRITEFILE, addr(path), addr(data), clamp(len));
}

int mkdir(const char *path, mode_t) {
    if (path == nullptr) return -1;
    return trap(QEVOS_SYS_MKDIR, addr(path));
}

int unlink(const char *path) {
    if (path == nullptr) return -1;
    return trap(QEVOS_SYS_UNLINK, addr(path));
}

int rmdir(const char *path) {
    if (path == nullptr) return -1;
    return trap(QEVOS_SYS_RMDIR, addr(path));
}

void _exit(int status) {
    trap(QEVOS_SYS_EXIT, status);
    // Service 2 does not come back; should it, this call still never returns.
    for (;;) {
    }
}

int getkey() { return trap(QEVOS_SYS_GETKEY); }

int usleep(useconds_t usec) {
    trap(QEVOS_SYS_USLEEP, usec);
    return 0;
}

// A duration whose microsecond count does not fit 32 bits is slept in several calls,
// each of at most kMaxSecondsPerCall seconds, so the total is what was asked for.
unsigned int sleep(unsigned int sec) {
    if (sec > kMaxSecondsPerCall) {
        while (sec > kMaxSecondsPerCall) {
            trap(QEVOS_SYS_USLEEP, kMaxSecondsPerCall * kMicrosPerSecond);
            sec -= kMaxSecondsPerCall;
        }
        if (sec == 0) return 0;
    }
    trap(QEVOS_SYS_USLEEP, sec * kMicrosPerSecond);
    return 0;
}

int getcwd(char *buf, size_t size) {
    if (buf == nullptr || size == 0) return -1;
    return trap(QEVOS_SYS_GETCWD, addr(buf), clamp(size), 0);
}

int chdir(const char *path) {
    if (path == nullptr) return -1;
    return trap(QEVOS_SYS_CHDIR, addr(path));
}

int qevfs_stream_begin(const char *path) {
    if (path == nullptr) return -1;
    return trap(QEVOS_SYS_STREAM_BEGIN, addr(path));
}

int qevfs_stream_write(int handle, const void *data, size_t len) {
    if (data == nullptr) return -1;
    return trap(QEVOS_SYS_STREAM_WRITE, handle, addr(data), clamp(len));
}

int qevfs_stream_end(int handle) { return trap(QEVOS_SYS_STREAM_END, handle); }

off_t lseek(int fd, off_t offset, int whence) {
    return trap(QEVOS_SYS_LSEEK, fd, offset, whence);
}

int access(const char *path, int) {
    if (path == nullptr) return -1;
    const int32_t fd = trap(QEVOS_SYS_OPEN, addr(path), QEVOS_O_RDONLY, 0);
    if (fd < 0) return -1;
    trap(QEVOS_SYS_CLOSE, fd);
    return 0;
}

void *mmap(void *addr_hint, size_t len, int prot, int flags, int fd, off_t offset) {
    if (len == 0) return MAP_FAILED;
    const int32_t result = trap(QEVOS_SYS_MMAP, addr(addr_hint), len, prot, flags, fd, offset);
    return reinterpret_cast<void *>(static_cast<uintptr_t>(static_cast<uint32_t>(result)));
}

int munmap(void *addr_hint, size_t len) { return trap(QEVOS_SYS_MUNMAP, addr(addr_hint), len, 0); }
