// One process's memory: a Unicorn engine in 32-bit protected mode and the list of
// ranges mapped into it with their permissions. Every pointer and count an image
// passes to the kernel is checked here against that list, never trusted.
#pragma once

#include <unicorn/unicorn.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace qevos {

enum Access : uint32_t { kRead = UC_PROT_READ, kWrite = UC_PROT_WRITE, kExec = UC_PROT_EXEC };

struct Mapping {
    uint32_t start;
    uint32_t size;
    uint32_t access;
    uint64_t end() const { return uint64_t{start} + size; }
};

class AddressSpace {
public:
    AddressSpace();

    uc_engine *engine() const { return engine_.get(); }

    // Maps [start, start + size) with the given access; both page multiples.
    bool map(uint32_t start, uint32_t size, uint32_t access);
    bool unmap(uint32_t start, uint32_t size);
    const std::vector<Mapping> &mappings() const { return mappings_; }
    uint64_t mapped_bytes() const;

    // True when every byte of [addr, addr + len) is mapped with `access`.
    bool allows(uint32_t addr, uint64_t len, uint32_t access) const;

    // Checked copies; false when the range is not wholly accessible.
    bool read(uint32_t addr, std::span<uint8_t> out) const;
    bool write(uint32_t addr, std::span<const uint8_t> bytes);
    // Fills memory regardless of its access (the loader's view).
    bool poke(uint32_t addr, std::span<const uint8_t> bytes);
    std::optional<uint32_t> read_u32(uint32_t addr) const;

    // A NUL-terminated string of at most `max` bytes; nullopt when it reaches
    // unreadable memory or runs longer.
    std::optional<std::string> read_cstring(uint32_t addr, size_t max) const;
    // Up to `len` readable bytes from addr (fewer when memory ends): for the tracer.
    std::string peek(uint32_t addr, size_t len) const;

    uint32_t reg(int id) const;
    void set_reg(int id, uint32_t value);

private:
    struct Close {
        void operator()(uc_engine *uc) const { uc_close(uc); }
    };
    std::unique_ptr<uc_engine, Close> engine_;
    std::vector<Mapping> mappings_;  // sorted by start, never overlapping
};

}  // namespace qevos
