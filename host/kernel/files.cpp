#include "files.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <qevos/abi.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <random>
#include <system_error>

namespace qevos {
namespace {

// Magic links (/proc/self/fd/N and the like) would lead out of any root.
constexpr uint64_t kResolveInRoot = RESOLVE_IN_ROOT | RESOLVE_NO_MAGICLINKS;

int openat2_in_root(int rootfd, const std::string &path, int flags, int mode) {
    open_how how{};
    how.flags = static_cast<uint64_t>(flags | O_CLOEXEC);
    how.mode = (flags & (O_CREAT | O_TMPFILE)) != 0 ? static_cast<uint64_t>(mode) : 0;
    how.resolve = kResolveInRoot;
    for (;;) {
        const long fd = ::syscall(SYS_openat2, rootfd, path.c_str(), &how, sizeof how);
        if (fd >= 0) return static_cast<int>(fd);
        // The host asks for a retry when a rename raced with the lookup.
        if (errno != EAGAIN && errno != EINTR) return -1;
    }
}

int write_all(int fd, std::span<const uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return -error_code(errno);
        }
        bytes = bytes.subspan(static_cast<size_t>(n));
    }
    return 0;
}

}  // namespace

bool split_parent(const std::string &path, std::string &parent, std::string &name) {
    const size_t slash = path.rfind('/');
    parent = slash == std::string::npos ? "/" : path.substr(0, slash + 1);
    name = slash == std::string::npos ? path : path.substr(slash + 1);
    return !name.empty() && name != "." && name != "..";
}

int error_code(int host_errno) {
    struct Pair {
        int host, ours;
    };
    static constexpr Pair kCodes[] = {
        {ENOENT, QEVOS_ENOENT},
        {ENOMEM, QEVOS_ENOMEM},
        {EINVAL, QEVOS_EINVAL},
        {EPERM, QEVOS_EPERM},
        {EBADF, QEVOS_EBADF},
        {EACCES, QEVOS_EACCES},
        {EFAULT, QEVOS_EFAULT},
        {EEXIST, QEVOS_EEXIST},
        {ENOTDIR, QEVOS_ENOTDIR},
        {EISDIR, QEVOS_EISDIR},
        {EMFILE, QEVOS_EMFILE},
        {ENFILE, QEVOS_EMFILE},
        {EFBIG, QEVOS_EFBIG},
        {ENOSPC, QEVOS_ENOSPC},
        {EDQUOT, QEVOS_ENOSPC},
        {ESPIPE, QEVOS_ESPIPE},
        {ENAMETOOLONG, QEVOS_ENAMETOOLONG},
        {ENOTEMPTY, QEVOS_ENOTEMPTY},
        {ELOOP, QEVOS_ELOOP},
        {EAGAIN, QEVOS_EAGAIN},
    };
    for (const Pair &p : kCodes)
        if (p.host == host_errno) return p.ours;
    // Anything else, a lookup that would have left the root among it, is refused.
    return QEVOS_EACCES;
}

std::optional<Root> Root::open(const std::optional<std::filesystem::path> &dir,
                               std::string &error) {
    Root root;
    if (dir) {
        root.host_path_ = *dir;
    } else {
        std::error_code ec;
        std::string pattern = (std::filesystem::temp_directory_path(ec) / "qevos-root-XXXXXX");
        if (ec) pattern = "/tmp/qevos-root-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            error = "cannot make a scratch root: " + std::generic_category().message(errno);
            return std::nullopt;
        }
        root.host_path_ = pattern;
        root.scratch_ = true;
    }
    root.dir_ = HostFd(::open(root.host_path_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!root.dir_) {
        error = root.host_path_.string() +
                ": cannot use as the root: " + std::generic_category().message(errno);
        return std::nullopt;
    }
    return root;
}

Root::~Root() {
    if (!scratch_ || host_path_.empty()) return;
    dir_ = HostFd();
    std::error_code ec;
    std::filesystem::remove_all(host_path_, ec);
}

std::string join_path(const std::string &cwd, const std::string &path) {
    if (path.starts_with('/')) return path;
    if (cwd.ends_with('/')) return cwd + path;
    return cwd + "/" + path;
}

int open_in_root(const Root &root, const std::string &path, int flags, int mode) {
    if (path.empty()) return -QEVOS_ENOENT;
    // Never block on a fifo an image planted; regular files ignore the flag.
    flags |= O_NONBLOCK | O_NOCTTY;
    int fd = openat2_in_root(root.fd(), path, flags & ~O_CREAT, 0);
    if (fd < 0 && errno == ENOENT && (flags & O_CREAT) != 0) {
        std::string parent, name;
        if (!split_parent(path, parent, name)) return -QEVOS_EISDIR;
        HostFd dir(openat2_in_root(root.fd(), parent, O_PATH | O_DIRECTORY, 0));
        if (!dir) return -error_code(errno);
        // Made in the parent alone: a dangling symbolic link in its place would be
        // followed by the host without regard to the root, so nothing is made there.
        fd = ::openat(dir.get(), name.c_str(), flags | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        // Made by someone else meanwhile: open what is there now, inside the root.
        if (fd < 0 && errno == EEXIST) fd = openat2_in_root(root.fd(), path, flags & ~O_CREAT, 0);
    }
    if (fd < 0) return -error_code(errno);
    HostFd file(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0) return -error_code(errno);
    if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) return -QEVOS_EACCES;
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return file.release();
}

int replace_file(int dirfd, const std::string &name, std::span<const uint8_t> bytes) {
    if (bytes.size() > kMaxFileSize) return -QEVOS_EFBIG;
    struct stat old {};
    const bool existed = ::fstatat(dirfd, name.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0;
    if (existed && S_ISDIR(old.st_mode)) return -QEVOS_EISDIR;

    std::string temp;
    HostFd out;
    std::random_device random;
    for (int attempt = 0; attempt < 100 && !out; ++attempt) {
        // Hidden, beside the file, and short enough for any name the file may have.
        temp = "." + name.substr(0, 200) + ".new-" + std::to_string(random());
        out = HostFd(::openat(dirfd, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
        if (!out && errno != EEXIST) return -error_code(errno);
    }
    if (!out) return -QEVOS_EEXIST;
    int rc = write_all(out.get(), bytes);
    if (rc == 0 && existed && S_ISREG(old.st_mode)) ::fchmod(out.get(), old.st_mode & 07777);
    if (rc == 0 && ::fsync(out.get()) != 0) rc = -error_code(errno);
    out = HostFd();
    if (rc == 0 && ::renameat(dirfd, temp.c_str(), dirfd, name.c_str()) != 0)
        rc = -error_code(errno);
    if (rc != 0) {
        ::unlinkat(dirfd, temp.c_str(), 0);
        return rc;
    }
    // The rename itself lasts only once the directory is on disk too.
    ::fsync(dirfd);
    return 0;
}

int replace_host_file(const std::filesystem::path &path, std::span<const uint8_t> bytes) {
    // A user's file that is a link to the real one: the real one is replaced.
    std::error_code ec;
    std::filesystem::path target = path;
    if (std::filesystem::is_symlink(path, ec)) {
        target = std::filesystem::weakly_canonical(path, ec);
        if (ec) return -error_code(ec.value());
    }
    const std::filesystem::path parent =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    HostFd dir(::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir) return -error_code(errno);
    return replace_file(dir.get(), target.filename().string(), bytes);
}

}  // namespace qevos
