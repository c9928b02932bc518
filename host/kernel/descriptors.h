// A process's open descriptors: 0, 1 and 2 are the console, the rest are host files
// opened inside the root. The table has a fixed size so that a runaway image runs
// out of descriptors, not the host.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace qevos {

// The most descriptors a process may hold open at once, the console's included.
constexpr int kMaxDescriptors = 64;

// A host file descriptor, closed when its owner goes.
class HostFd {
  public:
    HostFd() = default;
    explicit HostFd(int fd) : fd_(fd) {}
    HostFd(HostFd &&other) noexcept : fd_(other.release()) {}
    HostFd &operator=(HostFd &&other) noexcept;
    HostFd(const HostFd &) = delete;
    HostFd &operator=(const HostFd &) = delete;
    ~HostFd();

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

  private:
    int fd_ = -1;
};

struct Descriptor {
    enum class Kind { ConsoleIn, ConsoleOut, File } kind = Kind::File;
    HostFd file;  // Kind::File only
    bool readable = false;
    bool writable = false;
};

class DescriptorTable {
  public:
    DescriptorTable();

    // The descriptor open under `fd`, or null.
    Descriptor *find(int32_t fd);
    // The lowest free number for `d`, or nullopt when the table is full.
    std::optional<int> add(Descriptor d);
    bool close(int32_t fd);

  private:
    std::array<std::optional<Descriptor>, kMaxDescriptors> slots_;
};

}  // namespace qevos
