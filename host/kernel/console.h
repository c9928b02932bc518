// The console behind descriptors 0, 1 and 2. Output is buffered and flushed at the
// end, before any read of input and on a fault, so an image that writes one byte per
// call costs one host system call per buffer, not per byte; the image still makes
// one service call per write.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace qevos {

class Console {
public:
    Console(bool capture, std::optional<std::string> input)
        : capture_(capture), input_(std::move(input)) {}
    ~Console() { flush(); }
    Console(const Console &) = delete;
    Console &operator=(const Console &) = delete;

    void write(std::span<const uint8_t> bytes);
    // Reads at most out.size() bytes: the count, 0 at the end of input, or -1.
    int64_t read(std::span<uint8_t> out);
    void flush();
    const std::string &captured() const { return captured_; }

private:
    static constexpr size_t kFlushAt = 64 << 10;
    bool capture_;
    std::optional<std::string> input_;
    size_t input_pos_ = 0;
    std::string pending_;
    std::string captured_;
};

}  // namespace qevos
