// Ending a process and the console descriptors.
#include <qevos/abi.h>

#include <algorithm>
#include <array>

#include "services.h"

namespace qevos {
namespace {

// Transfers move through the host in pieces of this size, on the stack.
constexpr uint32_t kChunk = 4096;

}  // namespace

ServiceResult sys_exit(Process &, const Regs &r) {
    return ServiceResult::exit(static_cast<int32_t>(r.ebx));
}

ServiceResult sys_write(Process &p, const Regs &r) {
    const int32_t fd = static_cast<int32_t>(r.ebx);
    const uint32_t buf = r.ecx, count = r.edx;
    Descriptor *d = p.descriptors.find(fd);
    if (d == nullptr || !d->writable) return ServiceResult::ret(fail(QEVOS_EBADF));
    if (d->kind == Descriptor::Kind::File) return file_write(p, *d, r);
    if (count > 0x7fffffff) return ServiceResult::ret(fail(QEVOS_EINVAL));
    if (!p.memory.allows(buf, count, kRead)) return ServiceResult::ret(fail(QEVOS_EFAULT));
    std::array<uint8_t, kChunk> bytes;
    for (uint32_t done = 0; done < count;) {
        const uint32_t n = std::min(count - done, kChunk);
        p.memory.read(buf + done, {bytes.data(), n});
        p.kernel.console().write({bytes.data(), n});
        done += n;
    }
    return ServiceResult::ret(static_cast<int32_t>(count));
}

ServiceResult sys_read(Process &p, const Regs &r) {
    const int32_t fd = static_cast<int32_t>(r.ebx);
    const uint32_t buf = r.ecx, count = r.edx;
    Descriptor *d = p.descriptors.find(fd);
    if (d == nullptr || !d->readable) return ServiceResult::ret(fail(QEVOS_EBADF));
    if (d->kind == Descriptor::Kind::File) return file_read(p, *d, r);
    if (count > 0x7fffffff) return ServiceResult::ret(fail(QEVOS_EINVAL));
    if (!p.memory.allows(buf, count, kWrite)) return ServiceResult::ret(fail(QEVOS_EFAULT));
    std::array<uint8_t, kChunk> bytes;
    const int64_t n = p.kernel.console().read({bytes.data(), std::min(count, kChunk)});
    if (n < 0) return ServiceResult::ret(fail(QEVOS_EINVAL));
    p.memory.write(buf, {bytes.data(), static_cast<size_t>(n)});
    return ServiceResult::ret(static_cast<int32_t>(n));
}

}  // namespace qevos
