#ifndef QEVOS_UNISTD_H
#define QEVOS_UNISTD_H

#include <stddef.h>
#include <qevos/abi.h>

#ifndef QEVOS_MODE_T_DEFINED
#define QEVOS_MODE_T_DEFINED
typedef unsigned int mode_t;
#endif
typedef int ssize_t;
typedef long off_t;
typedef int pid_t;
typedef unsigned int useconds_t;

#define SEEK_SET 0
#define SEEK_CUR 1
#define SEEK_END 2

#define STDIN_FILENO 0
#define STDOUT_FILENO 1
#define STDERR_FILENO 2

#define MAP_FAILED ((void *)-1)

#ifdef __cplusplus
extern "C" {
#endif

/* One wrapper per kernel service. A wrapper returns -1 without entering the kernel
 * when it refuses its arguments, and otherwise the kernel's result unchanged
 * (negative means failure). Counts above 0x7fffffff are sent as 0x7fffffff. */
ssize_t write(int fd, const void *buf, size_t count);
ssize_t read(int fd, void *buf, size_t count);
int close(int fd);
int dup(int fd);
int dup2(int oldfd, int newfd);
int pipe(int fds[2]);
int mkfifo(const char *path, mode_t mode);
int fd_set_inherit(int flag);
int fd_set_stdio(int in, int out, int err);
int fd_set_nonblock(int fd, int flag);
int spawn(const char *path, char *const argv[], int argc);
int spawn_ex(const char *path, char *const argv[], int argc, int extra1, int extra2, int extra3,
             int flag);
pid_t waitpid(pid_t pid, int *status, int options);
int writefile(const char *path, const void *data, size_t len);
int mkdir(const char *path, mode_t mode);
int unlink(const char *path);
int rmdir(const char *path);
void _exit(int status) __attribute__((__noreturn__));
int getkey(void);
int usleep(useconds_t usec);
unsigned int sleep(unsigned int sec);
/* Returns the kernel's result, not a pointer. */
int getcwd(char *buf, size_t size);
int chdir(const char *path);
int qevfs_stream_begin(const char *path);
int qevfs_stream_write(int handle, const void *data, size_t len);
int qevfs_stream_end(int handle);
off_t lseek(int fd, off_t offset, int whence);
/* 0 when the path can be opened for reading, else -1; mode is not examined. */
int access(const char *path, int mode);
void *mmap(void *addr, size_t len, int prot, int flags, int fd, off_t offset);
int munmap(void *addr, size_t len);

#ifdef __cplusplus
}
#endif

#endif
