// Host-side file helpers shared by the tests that give images a root or a desktop.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace qevos::testing {

// A fresh directory under the host's temporary directory, removed with everything
// in it when the test ends.
class TempDir {
  public:
    explicit TempDir(const std::string &tag = "test") {
        std::string pattern =
            (std::filesystem::temp_directory_path() / ("qevos-" + tag + "-XXXXXX")).string();
        path_ = ::mkdtemp(pattern.data()) != nullptr ? std::filesystem::path(pattern)
                                                     : std::filesystem::path();
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    const std::filesystem::path &path() const { return path_; }

  private:
    std::filesystem::path path_;
};

inline void put_file(const std::filesystem::path &p, const std::string &content) {
    std::ofstream(p, std::ios::binary) << content;
}

inline std::string file_text(const std::filesystem::path &p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace qevos::testing
