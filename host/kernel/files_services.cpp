// The file services: open, read and write on files, close, lseek and writefile.
#include <fcntl.h>
#include <qevos/abi.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <vector>

#include "files.h"
#include "services.h"

namespace qevos {
namespace {

constexpr uint32_t kChunk = 4096;
constexpr uint32_t kMaxCount = 0x7fffffff;
constexpr uint32_t kOpenFlags = QEVOS_O_WRONLY | QEVOS_O_CREAT | QEVOS_O_TRUNC;

ServiceResult failure(int code) { return ServiceResult::ret(fail(code)); }

// The path an image passed, made absolute inside the root; 0 or an error code.
int read_path(const Process &p, uint32_t addr, std::string &out) {
    const auto text = p.memory.read_cstring(addr, kMaxPathLength);
    if (!text) {
        return p.memory.allows(addr, kMaxPathLength + 1, kRead) ? QEVOS_ENAMETOOLONG : QEVOS_EFAULT;
    }
    if (text->empty()) return QEVOS_ENOENT;
    out = join_path(p.cwd, *text);
    return 0;
}

}  // namespace

ServiceResult sys_open(Process &p, const Regs &r) {
    const uint32_t flags = r.ecx;
    if ((flags & ~kOpenFlags) != 0) return failure(QEVOS_EINVAL);
    std::string path;
    if (const int e = read_path(p, r.ebx, path)) return failure(e);
    const bool writable = (flags & QEVOS_O_WRONLY) != 0;
    if ((flags & QEVOS_O_TRUNC) != 0 && !writable) return failure(QEVOS_EINVAL);
    int host_flags = writable ? O_WRONLY : O_RDONLY;
    if ((flags & QEVOS_O_CREAT) != 0) host_flags |= O_CREAT;
    if ((flags & QEVOS_O_TRUNC) != 0) host_flags |= O_TRUNC;
    // The permission bits of a file made here; none at all (what creat sends) stands
    // for the usual rw-r--r--.
    const int mode = (r.edx & 0777) != 0 ? static_cast<int>(r.edx & 0777) : 0644;
    const int fd = open_in_root(p.kernel.root(), path, host_flags, mode);
    if (fd < 0) return ServiceResult::ret(fd);
    Descriptor d{Descriptor::Kind::File, HostFd(fd), !writable, writable};
    const auto number = p.descriptors.add(std::move(d));
    if (!number) return failure(QEVOS_EMFILE);
    return ServiceResult::ret(*number);
}

ServiceResult sys_close(Process &p, const Regs &r) {
    if (!p.descriptors.close(static_cast<int32_t>(r.ebx))) return failure(QEVOS_EBADF);
    return ServiceResult::ret(0);
}

ServiceResult file_read(Process &p, Descriptor &d, const Regs &r) {
    const uint32_t buf = r.ecx, count = r.edx;
    if (!d.readable) return failure(QEVOS_EBADF);
    if (count > kMaxCount) return failure(QEVOS_EINVAL);
    if (!p.memory.allows(buf, count, kWrite)) return failure(QEVOS_EFAULT);
    std::array<uint8_t, kChunk> bytes;
    uint32_t done = 0;
    while (done < count) {
        const ssize_t n = ::read(d.file.get(), bytes.data(), std::min(count - done, kChunk));
        if (n < 0) {
            if (errno == EINTR) continue;
            if (done > 0) break;
            return failure(error_code(errno));
        }
        if (n == 0) break;
        p.memory.write(buf + done, {bytes.data(), static_cast<size_t>(n)});
        done += static_cast<uint32_t>(n);
    }
    return ServiceResult::ret(static_cast<int32_t>(done));
}

ServiceResult file_write(Process &p, Descriptor &d, const Regs &r) {
    const uint32_t buf = r.ecx, count = r.edx;
    if (!d.writable) return failure(QEVOS_EBADF);
    if (count > kMaxCount) return failure(QEVOS_EINVAL);
    if (!p.memory.allows(buf, count, kRead)) return failure(QEVOS_EFAULT);
    const off_t at = ::lseek(d.file.get(), 0, SEEK_CUR);
    if (at < 0) return failure(error_code(errno));
    if (static_cast<uint64_t>(at) + count > kMaxFileSize) return failure(QEVOS_EFBIG);
    std::array<uint8_t, kChunk> bytes;
    uint32_t done = 0;
    while (done < count) {
        const uint32_t n = std::min(count - done, kChunk);
        p.memory.read(buf + done, {bytes.data(), n});
        const ssize_t w = ::write(d.file.get(), bytes.data(), n);
        if (w < 0) {
            if (errno == EINTR) continue;
            if (done > 0) break;
            return failure(error_code(errno));
        }
        done += static_cast<uint32_t>(w);
        if (static_cast<uint32_t>(w) < n) break;
    }
    return ServiceResult::ret(static_cast<int32_t>(done));
}

ServiceResult sys_lseek(Process &p, const Regs &r) {
    Descriptor *d = p.descriptors.find(static_cast<int32_t>(r.ebx));
    if (d == nullptr) return failure(QEVOS_EBADF);
    if (d->kind != Descriptor::Kind::File) return failure(QEVOS_ESPIPE);
    const int64_t offset = static_cast<int32_t>(r.ecx);
    const uint32_t whence = r.edx;
    int64_t base;
    switch (whence) {
        case 0:
            base = 0;
            break;
        case 1:
            base = ::lseek(d->file.get(), 0, SEEK_CUR);
            break;
        case 2:
            base = ::lseek(d->file.get(), 0, SEEK_END);
            break;
        default:
            return failure(QEVOS_EINVAL);
    }
    if (base < 0) return failure(error_code(errno));
    // The position must stay a non-negative 32-bit result.
    const int64_t target = base + offset;
    if (target < 0 || target > kMaxCount) return failure(QEVOS_EINVAL);
    if (::lseek(d->file.get(), target, SEEK_SET) < 0) return failure(error_code(errno));
    return ServiceResult::ret(static_cast<int32_t>(target));
}

ServiceResult sys_writefile(Process &p, const Regs &r) {
    const uint32_t data = r.ecx, len = r.edx;
    if (len > kMaxFileSize) return failure(QEVOS_EFBIG);
    if (!p.memory.allows(data, len, kRead)) return failure(QEVOS_EFAULT);
    std::string path;
    if (const int e = read_path(p, r.ebx, path)) return failure(e);
    std::string parent, name;
    if (!split_parent(path, parent, name)) return failure(QEVOS_EISDIR);
    const int dirfd = open_in_root(p.kernel.root(), parent, O_RDONLY | O_DIRECTORY);
    if (dirfd < 0) return ServiceResult::ret(dirfd);
    HostFd dir(dirfd);
    std::vector<uint8_t> bytes(len);
    p.memory.read(data, bytes);
    return ServiceResult::ret(replace_file(dir.get(), name, bytes));
}

}  // namespace qevos
