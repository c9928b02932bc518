// The file system an image sees: one host directory that stands for `/`. Every path
// is resolved by the host kernel inside that directory (openat2 with
// RESOLVE_IN_ROOT on a descriptor of it), so `..`, absolute paths and symbolic links
// all stay inside, wherever they point.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

#include "descriptors.h"

namespace qevos {

// Longest path an image may pass, its terminating NUL excluded: with it, the
// 4096 bytes the host takes.
constexpr uint32_t kMaxPathLength = 4095;
// Largest file an image may write, with writefile or by writing to a descriptor.
constexpr uint64_t kMaxFileSize = 64u << 20;

class Root {
  public:
    // The directory `dir` as the root, or a fresh empty scratch directory (removed
    // again when the Root goes) when `dir` is not given. nullopt and `error` set
    // when the directory cannot be opened or made.
    static std::optional<Root> open(const std::optional<std::filesystem::path> &dir,
                                    std::string &error);

    Root(Root &&) = default;
    Root &operator=(Root &&) = default;
    ~Root();

    int fd() const { return dir_.get(); }
    const std::filesystem::path &host_path() const { return host_path_; }

  private:
    Root() = default;
    HostFd dir_;
    std::filesystem::path host_path_;
    bool scratch_ = false;
};

// A path inside the root, relative to it, made from the process's current
// directory and the path it gave: "/a/b" for "b" in "/a", "/x" for "/x".
std::string join_path(const std::string &cwd, const std::string &path);

// Splits "/a/b/c" into "/a/b/" and "c". False when the last part names no entry
// that could be made: empty (a path ending in '/'), "." or "..".
bool split_parent(const std::string &path, std::string &parent, std::string &name);

// Opens `path` (absolute inside the root) with host open flags; with O_CREAT a file
// that does not exist is made with `mode`. A negative error code (ours, not the
// host's) on failure. Only regular files and directories are opened.
int open_in_root(const Root &root, const std::string &path, int flags, int mode = 0);

// Replaces `name` in the directory `dirfd` with `bytes`: written to a temporary file
// beside it, synced and renamed over it, so that a reader sees the old content or the
// new one and a failure leaves the old content in place. 0 or a negative error code.
int replace_file(int dirfd, const std::string &name, std::span<const uint8_t> bytes);

// The same for a host path outside any root (the desktop state file); when the path
// is a symbolic link, the file it leads to is replaced and the link stays.
int replace_host_file(const std::filesystem::path &path, std::span<const uint8_t> bytes);

// Our error code for a host errno value.
int error_code(int host_errno);

}  // namespace qevos
