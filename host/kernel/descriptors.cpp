#include "descriptors.h"

#include <unistd.h>

namespace qevos {

HostFd &HostFd::operator=(HostFd &&other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.release();
    }
    return *this;
}

HostFd::~HostFd() {
    if (fd_ >= 0) ::close(fd_);
}

DescriptorTable::DescriptorTable() {
    slots_[0] = Descriptor{Descriptor::Kind::ConsoleIn, {}, true, false};
    slots_[1] = Descriptor{Descriptor::Kind::ConsoleOut, {}, false, true};
    slots_[2] = Descriptor{Descriptor::Kind::ConsoleOut, {}, false, true};
}

Descriptor *DescriptorTable::find(int32_t fd) {
    if (fd < 0 || fd >= kMaxDescriptors || !slots_[fd]) return nullptr;
    return &*slots_[fd];
}

std::optional<int> DescriptorTable::add(Descriptor d) {
    for (int fd = 0; fd < kMaxDescriptors; ++fd) {
        if (slots_[fd]) continue;
        slots_[fd] = std::move(d);
        return fd;
    }
    return std::nullopt;
}

bool DescriptorTable::close(int32_t fd) {
    if (find(fd) == nullptr) return false;
    slots_[fd].reset();
    return true;
}

}  // namespace qevos
