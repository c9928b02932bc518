#include "console.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace qevos {

void Console::write(std::span<const uint8_t> bytes) {
    auto &sink = capture_ ? captured_ : pending_;
    sink.append(reinterpret_cast<const char *>(bytes.data()), bytes.size());
    if (!capture_ && pending_.size() >= kFlushAt) flush();
}

void Console::flush() {
    size_t done = 0;
    while (done < pending_.size()) {
        const ssize_t n = ::write(STDOUT_FILENO, pending_.data() + done, pending_.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;  // host output is gone; what the image wrote is dropped
        done += static_cast<size_t>(n);
    }
    pending_.clear();
}

int64_t Console::read(std::span<uint8_t> out) {
    flush();
    if (input_) {
        const size_t n = std::min(out.size(), input_->size() - input_pos_);
        std::memcpy(out.data(), input_->data() + input_pos_, n);
        input_pos_ += n;
        return static_cast<int64_t>(n);
    }
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, out.data(), out.size());
        if (n < 0 && errno == EINTR) continue;
        return n;
    }
}

}  // namespace qevos
