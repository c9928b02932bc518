// The file services as an image sees them, through the wrappers. The host test lays
// out a root for each scenario (argv[1]), runs the image in it and then looks at what
// the root, and everything around it, holds afterwards.
//   roundtrip   open, read, write, lseek, close and their refusals; root holds
//               in.txt = "hello, files\n" and an empty directory dir
//   escape      paths that try to leave the root; argv[2] is the host path of a
//               directory beside the root holding secret.txt
//   writefile   whole-file replacement; root holds keep.txt = "old content",
//               fresh.txt = "v1" and a directory dir
//   scratch     writes and reads back a file in whatever root it was given
//   clear       service 93 twice; exits 0 when the first call returned 0
#include <fcntl.h>
#include <unistd.h>

#include "check.h"

namespace {

// Unmapped: the image's segments start far above the first pages.
void *const kBadPointer = reinterpret_cast<void *>(0x10);
const char *const kBadPath = reinterpret_cast<const char *>(0x10);

constexpr size_t kBigFile = 200000;
char g_big[kBigFile];
char g_back[kBigFile + 16];
char g_path[6000];

bool same(const char *a, const char *b) {
    while (*a != 0 && *a == *b) ++a, ++b;
    return *a == *b;
}

size_t length(const char *s) {
    size_t n = 0;
    while (s[n] != 0) ++n;
    return n;
}

// The whole content of `path`, at most size - 1 bytes and NUL-terminated: its
// length, or the failing result of open or read.
int slurp(const char *path, char *out, size_t size) {
    const int fd = open(path, O_RDONLY);
    if (fd < 0) return fd;
    size_t done = 0;
    for (;;) {
        const int n = read(fd, out + done, size - 1 - done);
        if (n < 0) {
            close(fd);
            return n;
        }
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    out[done] = 0;
    close(fd);
    return static_cast<int>(done);
}

// `name` with slashes in front, `total` bytes in all.
const char *slashes_then(const char *name, size_t total) {
    const size_t n = length(name);
    for (size_t i = 0; i < total - n; ++i) g_path[i] = '/';
    for (size_t i = 0; i <= n; ++i) g_path[total - n + i] = name[i];
    return g_path;
}

int clear_focused_background() {
    int result;
    asm volatile("int $0x80" : "=a"(result) : "a"(QEVOS_SYS_CLEAR_FOCUSED_BACKGROUND) : "memory");
    return result;
}

void roundtrip() {
    char buf[64] = {};
    const int in = open("/in.txt", O_RDONLY);
    CHECK_EQ(in, 3);  // the lowest free descriptor, after the console's
    CHECK_EQ(read(in, buf, 5), 5);
    CHECK_MEM(buf, "hello", 5);
    CHECK_EQ(lseek(in, 0, SEEK_CUR), 5);
    CHECK_EQ(lseek(in, -4, SEEK_END), 9);
    CHECK_EQ(read(in, buf, sizeof buf), 4);
    CHECK_MEM(buf, "les\n", 4);
    CHECK_EQ(read(in, buf, sizeof buf), 0);
    CHECK_EQ(lseek(in, 7, SEEK_SET), 7);
    CHECK_EQ(lseek(in, -2, SEEK_CUR), 5);
    CHECK_EQ(read(in, buf, 2), 2);
    CHECK_MEM(buf, ", ", 2);
    CHECK_EQ(lseek(in, 100, SEEK_SET), 100);  // past the end: reads give 0
    CHECK_EQ(read(in, buf, 4), 0);
    CHECK_EQ(lseek(in, -1, SEEK_SET), -QEVOS_EINVAL);
    CHECK_EQ(lseek(in, 0, 3), -QEVOS_EINVAL);
    CHECK_EQ(lseek(in, 0, SEEK_CUR), 100);  // a refused seek moves nothing
    CHECK_EQ(write(in, "x", 1), -QEVOS_EBADF);
    CHECK_EQ(read(in, kBadPointer, 4), -QEVOS_EFAULT);

    // A relative path starts at the current directory, "/".
    const int again = open("in.txt", O_RDONLY);
    CHECK_EQ(again, 4);
    CHECK_EQ(close(again), 0);

    const int out = open("out.txt", O_WRONLY | O_CREAT | O_TRUNC, 0600);
    CHECK_EQ(out, 4);  // the number just closed is free again
    CHECK_EQ(write(out, "abcdef", 6), 6);
    CHECK_EQ(lseek(out, 2, SEEK_SET), 2);
    CHECK_EQ(write(out, "XY", 2), 2);
    CHECK_EQ(lseek(out, 0, SEEK_END), 6);
    CHECK_EQ(read(out, buf, 1), -QEVOS_EBADF);
    CHECK_EQ(write(out, kBadPointer, 4), -QEVOS_EFAULT);
    CHECK_EQ(write(out, "", 0), 0);
    CHECK_EQ(close(out), 0);
    CHECK_EQ(close(out), -QEVOS_EBADF);
    CHECK_EQ(slurp("/out.txt", buf, sizeof buf), 6);
    CHECK_STR(buf, "abXYef");

    // O_TRUNC empties an existing file; O_CREAT alone keeps it.
    const int trunc = open("/out.txt", O_WRONLY | O_TRUNC);
    CHECK(trunc >= 0);
    CHECK_EQ(write(trunc, "final", 5), 5);
    CHECK_EQ(close(trunc), 0);
    const int keep = open("/out.txt", O_WRONLY | O_CREAT, 0600);
    CHECK(keep >= 0);
    CHECK_EQ(write(keep, "F", 1), 1);
    CHECK_EQ(close(keep), 0);
    CHECK_EQ(slurp("/out.txt", buf, sizeof buf), 5);
    CHECK_STR(buf, "Final");

    const int made = creat("/dir/made.txt", 0);
    CHECK(made >= 0);
    CHECK_EQ(write(made, "made", 4), 4);
    CHECK_EQ(close(made), 0);

    // Refusals, each with its own code.
    CHECK_EQ(open("/missing.txt", O_RDONLY), -QEVOS_ENOENT);
    CHECK_EQ(open("/in.txt", 0x8000), -QEVOS_EINVAL);
    CHECK_EQ(open("/in.txt", O_RDONLY | O_TRUNC), -QEVOS_EINVAL);
    CHECK_EQ(open("", O_RDONLY), -QEVOS_ENOENT);
    CHECK_EQ(open("/nodir/new.txt", O_WRONLY | O_CREAT, 0644), -QEVOS_ENOENT);
    CHECK_EQ(open("/in.txt/x", O_RDONLY), -QEVOS_ENOTDIR);
    CHECK_EQ(open("/dir", O_WRONLY), -QEVOS_EISDIR);
    CHECK_EQ(open("/dir/", O_WRONLY | O_CREAT, 0644), -QEVOS_EISDIR);
    CHECK_EQ(open(kBadPath, O_RDONLY), -QEVOS_EFAULT);
    const int dir = open("/dir", O_RDONLY);
    CHECK(dir >= 0);
    CHECK_EQ(read(dir, buf, 4), -QEVOS_EISDIR);
    CHECK_EQ(close(dir), 0);

    // The longest path is 4095 bytes: slashes in front of in.txt make one that
    // long, and one more slash is too long.
    const int longest = open(slashes_then("in.txt", 4095), O_RDONLY);
    CHECK(longest >= 0);
    CHECK_EQ(close(longest), 0);
    CHECK_EQ(open(slashes_then("in.txt", 4096), O_RDONLY), -QEVOS_ENAMETOOLONG);

    // Descriptors that are not open, and the console, which cannot seek.
    CHECK_EQ(lseek(1, 0, SEEK_SET), -QEVOS_ESPIPE);
    CHECK_EQ(lseek(99, 0, SEEK_SET), -QEVOS_EBADF);
    CHECK_EQ(close(99), -QEVOS_EBADF);
    CHECK_EQ(close(-1), -QEVOS_EBADF);
    CHECK_EQ(read(7, buf, 1), -QEVOS_EBADF);
    CHECK_EQ(write(7, "x", 1), -QEVOS_EBADF);

    // 64 descriptors in all: with 0 to 3 open, 60 more fit and the next is refused.
    int opened[64];
    int count = 0;
    int refused = 0;
    for (int i = 0; i < 64; ++i) {
        const int fd = open("/in.txt", O_RDONLY);
        if (fd < 0) {
            refused = fd;
            break;
        }
        opened[count++] = fd;
    }
    CHECK_EQ(count, 60);
    CHECK_EQ(refused, -QEVOS_EMFILE);
    CHECK_EQ(opened[count - 1], 63);
    for (int i = 0; i < count; ++i) CHECK_EQ(close(opened[i]), 0);
    CHECK_EQ(close(in), 0);

    CHECK_EQ(writefile("/wf.txt", "whole", 5), 0);
}

void escape(const char *outside) {
    char buf[64] = {};
    // `..` stops at the root, and the host's own path means nothing inside it.
    const char *const reads[] = {
        "../outside/secret.txt", "/../../../outside/secret.txt", "out/secret.txt", "abs/secret.txt",
        "secret-link",           "up/outside/secret.txt",
    };
    for (const char *path : reads) CHECK_EQ(open(path, O_RDONLY), -QEVOS_ENOENT);
    // "proc" points at "/proc", which inside the root is that link itself.
    CHECK_EQ(open("proc/self/root/etc/hostname", O_RDONLY), -QEVOS_ELOOP);
    size_t at = 0;
    for (; outside[at] != 0 && at + 16 < sizeof g_path; ++at) g_path[at] = outside[at];
    for (size_t i = 0; i <= length("/secret.txt"); ++i) g_path[at + i] = "/secret.txt"[i];
    CHECK_EQ(open(g_path, O_RDONLY), -QEVOS_ENOENT);
    CHECK_EQ(writefile(g_path, "pwned", 5), -QEVOS_ENOENT);

    // Nothing is made outside: through `..`, a link to a directory, a dangling link
    // to a host path, or a link in place of the file.
    CHECK_EQ(open("../outside/created.txt", O_WRONLY | O_CREAT, 0644), -QEVOS_ENOENT);
    CHECK_EQ(open("out/created.txt", O_WRONLY | O_CREAT, 0644), -QEVOS_ENOENT);
    CHECK_EQ(open("dangling", O_WRONLY | O_CREAT, 0644), -QEVOS_ENOENT);
    CHECK_EQ(open("secret-link", O_WRONLY | O_TRUNC), -QEVOS_ENOENT);
    CHECK_EQ(writefile("out/created.txt", "pwned", 5), -QEVOS_ENOENT);
    CHECK_EQ(writefile("abs/created.txt", "pwned", 5), -QEVOS_ENOENT);

    // What `..` does reach is the root itself.
    const int fd = open("../../escaped.txt", O_WRONLY | O_CREAT, 0644);
    CHECK(fd >= 0);
    CHECK_EQ(write(fd, "in root", 7), 7);
    CHECK_EQ(close(fd), 0);
    CHECK_EQ(writefile("/../wf-escaped.txt", "in root", 7), 0);
    CHECK_EQ(slurp("/../../inside.txt", buf, sizeof buf), 6);
    CHECK_STR(buf, "inside");
    // A link inside the root to a path inside it is followed, inside it.
    CHECK_EQ(slurp("inside-link", buf, sizeof buf), 6);
    CHECK_STR(buf, "inside");
    // writefile replaces a link in its place with a file of its own.
    CHECK_EQ(writefile("secret-link", "replaced", 8), 0);
    CHECK_EQ(slurp("secret-link", buf, sizeof buf), 8);
    CHECK_STR(buf, "replaced");
}

void whole_files() {
    char buf[64] = {};
    // Failures leave the file as it was.
    CHECK_EQ(writefile("/keep.txt", kBadPointer, 5), -QEVOS_EFAULT);
    CHECK_EQ(writefile("/keep.txt", "x", (64u << 20) + 1), -QEVOS_EFBIG);
    CHECK_EQ(writefile("/keep.txt", "x", 0xffffffffu), -QEVOS_EFBIG);
    CHECK_EQ(writefile(kBadPath, "x", 1), -QEVOS_EFAULT);
    CHECK_EQ(writefile("/", "x", 1), -QEVOS_EISDIR);
    CHECK_EQ(writefile("/dir", "x", 1), -QEVOS_EISDIR);
    CHECK_EQ(writefile("/dir/", "x", 1), -QEVOS_EISDIR);
    CHECK_EQ(writefile("/keep.txt/x", "x", 1), -QEVOS_ENOTDIR);
    CHECK_EQ(writefile("/nodir/x", "x", 1), -QEVOS_ENOENT);
    CHECK_EQ(writefile("", "x", 1), -QEVOS_ENOENT);
    CHECK_EQ(slurp("/keep.txt", buf, sizeof buf), 11);
    CHECK_STR(buf, "old content");

    // A reader holding the old file keeps reading the old content.
    const int old = open("/fresh.txt", O_RDONLY);
    CHECK(old >= 0);
    CHECK_EQ(writefile("/fresh.txt", "v2", 2), 0);
    CHECK_EQ(read(old, buf, sizeof buf), 2);
    CHECK_MEM(buf, "v1", 2);
    CHECK_EQ(close(old), 0);
    CHECK_EQ(slurp("/fresh.txt", buf, sizeof buf), 2);
    CHECK_STR(buf, "v2");

    CHECK_EQ(writefile("dir/empty.txt", "", 0), 0);
    CHECK_EQ(slurp("dir/empty.txt", buf, sizeof buf), 0);

    for (size_t i = 0; i < kBigFile; ++i) g_big[i] = static_cast<char>('a' + i % 23);
    CHECK_EQ(writefile("/big.bin", g_big, kBigFile), 0);
    CHECK_EQ(slurp("/big.bin", g_back, sizeof g_back), static_cast<int>(kBigFile));
    CHECK_MEM(g_back, g_big, kBigFile);
}

void scratch() {
    char buf[64] = {};
    CHECK_EQ(slurp("/note.txt", buf, sizeof buf), -QEVOS_ENOENT);  // empty at start
    CHECK_EQ(writefile("/note.txt", "scratch", 7), 0);
    CHECK_EQ(slurp("/note.txt", buf, sizeof buf), 7);
    CHECK_STR(buf, "scratch");
}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 2) return 2;
    const char *scenario = argv[1];
    if (same(scenario, "clear")) {
        const int first = clear_focused_background();
        const int second = clear_focused_background();
        return first == 0 && second == 0 ? 0 : 1;
    }
    if (same(scenario, "roundtrip")) {
        roundtrip();
    } else if (same(scenario, "escape") && argc > 2) {
        escape(argv[2]);
    } else if (same(scenario, "writefile")) {
        whole_files();
    } else if (same(scenario, "scratch")) {
        scratch();
    } else {
        return 2;
    }
    return check::finish();
}
