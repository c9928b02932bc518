#ifndef QEVOS_ERRNO_H
#define QEVOS_ERRNO_H

#include <qevos/abi.h>

#define ENOENT QEVOS_ENOENT
#define ENOMEM QEVOS_ENOMEM
#define EINVAL QEVOS_EINVAL
#define ENOSYS QEVOS_ENOSYS

#ifdef __cplusplus
extern "C" {
#endif

/* Set to ENOMEM by a failed heap request; never cleared by the library. */
extern int errno;

#ifdef __cplusplus
}
#endif

#endif
