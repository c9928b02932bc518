// The library's one error variable and the texts of the codes it knows.
#include <errno.h>
#include <string.h>

int errno = 0;

const char *strerror(int code) {
    if (code == EINVAL) return "invalid argument";
    if (code == 0) return "ok";
    if (code == ENOENT) return "no such file";
    if (code == ENOSYS) return "not implemented";
    return "error";
}
