// Calls every kernel wrapper once or more with recognisable arguments. The host test
// injects a result for each service, reads the registers of every call from the
// kernel's record, and checks the order; this side checks what each wrapper returns.
#include <fcntl.h>
#include <unistd.h>

#include "check.h"

namespace {

char g_buf[16] = "abc";
int g_fds[2];
char *const g_argv[] = {g_buf, nullptr};

}  // namespace

int main() {
    // Refused: -1 and no service call.
    CHECK_EQ(write(1, nullptr, 5), -1);
    CHECK_EQ(read(0, nullptr, 5), -1);
    CHECK_EQ(pipe(nullptr), -1);
    CHECK_EQ(mkfifo(nullptr, 0), -1);
    CHECK_EQ(spawn(nullptr, g_argv, 1), -1);
    CHECK_EQ(spawn("/x", g_argv, -1), -1);
    CHECK_EQ(spawn_ex(nullptr, g_argv, 1, 0, 0, 0, 0), -1);
    CHECK_EQ(spawn_ex("/x", g_argv, -1, 0, 0, 0, 0), -1);
    CHECK_EQ(writefile(nullptr, g_buf, 1), -1);
    CHECK_EQ(writefile("/x", nullptr, 1), -1);
    CHECK_EQ(mkdir(nullptr, 0), -1);
    CHECK_EQ(unlink(nullptr), -1);
    CHECK_EQ(rmdir(nullptr), -1);
    CHECK_EQ(getcwd(nullptr, 64), -1);
    CHECK_EQ(getcwd(g_buf, 0), -1);
    CHECK_EQ(chdir(nullptr), -1);
    CHECK_EQ(qevfs_stream_begin(nullptr), -1);
    CHECK_EQ(qevfs_stream_write(3, nullptr, 1), -1);
    CHECK_EQ(access(nullptr, 0), -1);
    CHECK_EQ(mmap(g_buf, 0, 1, 2, 3, 4), MAP_FAILED);
    CHECK_EQ(open(nullptr, O_RDONLY), -1);
    CHECK_EQ(creat(nullptr, 0), -1);

    // Entered: the kernel's result comes back unchanged (the host injects
    // 1000 + the service number for every one of them).
    CHECK_EQ(write(1, g_buf, 0), 1001);
    CHECK_EQ(write(1, g_buf, 0xFFFFFFFFu), 1001);
    CHECK_EQ(write(1, g_buf, 0x80000000u), 1001);
    CHECK_EQ(write(1, g_buf, 0x7FFFFFFFu), 1001);
    CHECK_EQ(read(0, g_buf, 0xFFFFFFFFu), 1003);
    CHECK_EQ(close(7), 1005);
    CHECK_EQ(dup(7), 1126);
    CHECK_EQ(dup2(7, 8), 1127);
    CHECK_EQ(pipe(g_fds), 1124);
    CHECK_EQ(mkfifo("/fifo", 0644), 1125);
    CHECK_EQ(fd_set_inherit(-1), 1128);
    CHECK_EQ(fd_set_inherit(0), 1128);
    CHECK_EQ(fd_set_stdio(4, 5, 6), 1129);
    CHECK_EQ(fd_set_nonblock(9, 7), 1130);
    CHECK_EQ(fd_set_nonblock(9, 0), 1130);
    CHECK_EQ(spawn("/bin/x", g_argv, 1), 1131);
    CHECK_EQ(spawn("/bin/x", nullptr, 0), 1131);
    CHECK_EQ(spawn_ex("/bin/x", g_argv, 1, -5, 6, 0x7fffffff, 42), 1150);
    CHECK_EQ(waitpid(12, g_fds, 3), 1132);
    CHECK_EQ(writefile("/f", g_buf, 0x80000000u), 1021);
    CHECK_EQ(mkdir("/d", 0755), 1049);
    CHECK_EQ(unlink("/f"), 1050);
    CHECK_EQ(rmdir("/d"), 1051);
    CHECK_EQ(getkey(), 1006);
    CHECK_EQ(usleep(1234), 0);
    CHECK_EQ(sleep(2), 0);
    CHECK_EQ(getcwd(g_buf, 0xFFFFFFFFu), 1052);
    CHECK_EQ(chdir("/d"), 1095);
    CHECK_EQ(qevfs_stream_begin("/s"), 1053);
    CHECK_EQ(qevfs_stream_write(4, g_buf, 0xFFFFFFFFu), 1054);
    CHECK_EQ(qevfs_stream_end(4), 1055);
    CHECK_EQ(lseek(3, -10, 2), 1110);
    CHECK_EQ(mmap(g_buf, 100, 1, 2, 3, 4), reinterpret_cast<void *>(1098));
    CHECK_EQ(munmap(g_buf, 100), 1099);
    CHECK_EQ(open("/f", O_RDONLY, 0777), 1004);
    CHECK_EQ(open("/f", O_WRONLY | O_CREAT, 0640), 1004);
    CHECK_EQ(creat("/f", 0777), 1004);
    // access: the host makes the open of "/missing" fail with -2 and that of
    // "/present" return descriptor 3.
    CHECK_EQ(access("/missing", 4), -1);
    CHECK_EQ(access("/present", 4), 0);
    return check::finish();
}
