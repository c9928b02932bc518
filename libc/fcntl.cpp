// The open wrappers. The mode reaches the kernel only together with O_CREAT.
#include <fcntl.h>

#include <stdarg.h>
#include <stdint.h>

#include "trap.h"

using qevos::sys::trap;

int open(const char *path, int flags, ...) {
    if (path == nullptr) return -1;
    uint32_t mode = 0;
    if ((flags & O_CREAT) != 0) {
        va_list ap;
        va_start(ap, flags);
        mode = va_arg(ap, uint32_t);
        va_end(ap);
    }
    return trap(QEVOS_SYS_OPEN, reinterpret_cast<uintptr_t>(path), flags, mode);
}

int creat(const char *path, mode_t) {
    if (path == nullptr) return -1;
    return trap(QEVOS_SYS_OPEN, reinterpret_cast<uintptr_t>(path), O_WRONLY | O_CREAT | O_TRUNC, 0);
}
