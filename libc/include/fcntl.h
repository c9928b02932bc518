#ifndef QEVOS_FCNTL_H
#define QEVOS_FCNTL_H

#include <qevos/abi.h>

#define O_RDONLY QEVOS_O_RDONLY
#define O_WRONLY QEVOS_O_WRONLY
#define O_CREAT QEVOS_O_CREAT
#define O_TRUNC QEVOS_O_TRUNC

#ifndef QEVOS_MODE_T_DEFINED
#define QEVOS_MODE_T_DEFINED
typedef unsigned int mode_t;
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The third argument is read, and sent, only when flags contains O_CREAT. */
int open(const char *path, int flags, ...);
/* Opens for writing, creating or truncating; the mode does not reach the kernel. */
int creat(const char *path, mode_t mode);

#ifdef __cplusplus
}
#endif

#endif
