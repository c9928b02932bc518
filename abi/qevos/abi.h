/* Constants that the image and the kernel agree on, and nothing else.
 * Both the runtime library and the host kernel include this header; neither side
 * copies a value from it. Plain C so that public headers can include it too. */
#ifndef QEVOS_ABI_H
#define QEVOS_ABI_H

/* Kernel services: the number travels in eax, arguments in ebx, ecx, edx, esi,
 * edi, ebp; the result comes back in eax. */
#define QEVOS_SYS_WRITE 1
#define QEVOS_SYS_EXIT 2
#define QEVOS_SYS_READ 3
#define QEVOS_SYS_OPEN 4
#define QEVOS_SYS_CLOSE 5
#define QEVOS_SYS_GETKEY 6
#define QEVOS_SYS_WRITEFILE 21
#define QEVOS_SYS_USLEEP 22
#define QEVOS_SYS_MKDIR 49
#define QEVOS_SYS_UNLINK 50
#define QEVOS_SYS_RMDIR 51
#define QEVOS_SYS_GETCWD 52
#define QEVOS_SYS_STREAM_BEGIN 53
#define QEVOS_SYS_STREAM_WRITE 54
#define QEVOS_SYS_STREAM_END 55
#define QEVOS_SYS_CLEAR_FOCUSED_BACKGROUND 93
#define QEVOS_SYS_CHDIR 95
#define QEVOS_SYS_MMAP 98
#define QEVOS_SYS_MUNMAP 99
#define QEVOS_SYS_LSEEK 110
#define QEVOS_SYS_PIPE 124
#define QEVOS_SYS_MKFIFO 125
#define QEVOS_SYS_DUP 126
#define QEVOS_SYS_DUP2 127
#define QEVOS_SYS_FD_SET_INHERIT 128
#define QEVOS_SYS_FD_SET_STDIO 129
#define QEVOS_SYS_FD_SET_NONBLOCK 130
#define QEVOS_SYS_SPAWN 131
#define QEVOS_SYS_WAITPID 132
#define QEVOS_SYS_SPAWN_EX 150

/* Flags of service 4. */
#define QEVOS_O_RDONLY 0
#define QEVOS_O_WRONLY 1
#define QEVOS_O_CREAT 0x40
#define QEVOS_O_TRUNC 0x200

/* Error codes. The kernel answers a failure with the negated code; the library
 * knows the first four by name. */
#define QEVOS_ENOENT 2
#define QEVOS_ENOMEM 12
#define QEVOS_EINVAL 22
#define QEVOS_ENOSYS 38
#define QEVOS_EPERM 1
#define QEVOS_ESRCH 3
#define QEVOS_E2BIG 7
#define QEVOS_EBADF 9
#define QEVOS_ECHILD 10
#define QEVOS_EAGAIN 11
#define QEVOS_EACCES 13
#define QEVOS_EFAULT 14
#define QEVOS_EEXIST 17
#define QEVOS_ENOTDIR 20
#define QEVOS_EISDIR 21
#define QEVOS_EMFILE 24
#define QEVOS_EFBIG 27
#define QEVOS_ENOSPC 28
#define QEVOS_ESPIPE 29
#define QEVOS_EPIPE 32
#define QEVOS_ERANGE 34
#define QEVOS_EDEADLK 35
#define QEVOS_ENAMETOOLONG 36
#define QEVOS_ENOTEMPTY 39
#define QEVOS_ELOOP 40

/* The spawn record that service 150 receives in ebx: seven 32-bit words. */
#define QEVOS_SPAWN_RECORD_SIZE 28
#define QEVOS_SPAWN_PATH 0
#define QEVOS_SPAWN_ARGV 4
#define QEVOS_SPAWN_ARGC 8
#define QEVOS_SPAWN_EXTRA1 12
#define QEVOS_SPAWN_EXTRA2 16
#define QEVOS_SPAWN_EXTRA3 20
#define QEVOS_SPAWN_FLAG 24

/* Metadata records read by the command and package tools. */
#define QEVOS_CMDMETA_SECTION ".qevos.cmdmeta"
#define QEVOS_PKGMETA_SECTION ".qevos.pkgmeta"
#define QEVOS_CMDMETA_MAGIC "QCMD"
#define QEVOS_PKGMETA_MAGIC "QPKG"
#define QEVOS_META_HEADER_WORD 1
#define QEVOS_CMDMETA_ALIGN 32
#define QEVOS_PKGMETA_ALIGN 4

#endif
