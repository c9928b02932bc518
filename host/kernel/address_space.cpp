#include "address_space.h"

#include <algorithm>
#include <stdexcept>

namespace qevos {

AddressSpace::AddressSpace() {
    uc_engine *uc = nullptr;
    if (uc_err err = uc_open(UC_ARCH_X86, UC_MODE_32, &uc); err != UC_ERR_OK)
        throw std::runtime_error(std::string("cannot start the CPU emulator: ") + uc_strerror(err));
    engine_.reset(uc);
}

bool AddressSpace::map(uint32_t start, uint32_t size, uint32_t access) {
    if (size == 0 || uint64_t{start} + size > (uint64_t{1} << 32)) return false;
    for (const Mapping &m : mappings_)
        if (start < m.end() && m.start < uint64_t{start} + size) return false;
    if (uc_mem_map(engine(), start, size, access) != UC_ERR_OK) return false;
    Mapping added{start, size, access};
    mappings_.insert(std::upper_bound(mappings_.begin(), mappings_.end(), added,
                                      [](const Mapping &a, const Mapping &b) { return a.start < b.start; }),
                     added);
    return true;
}

bool AddressSpace::unmap(uint32_t start, uint32_t size) {
    if (uc_mem_unmap(engine(), start, size) != UC_ERR_OK) return false;
    const uint64_t end = uint64_t{start} + size;
    std::vector<Mapping> kept;
    for (const Mapping &m : mappings_) {
        if (m.end() <= start || m.start >= end) {
            kept.push_back(m);
            continue;
        }
        if (m.start < start) kept.push_back({m.start, start - m.start, m.access});
        if (m.end() > end)
            kept.push_back({static_cast<uint32_t>(end), static_cast<uint32_t>(m.end() - end), m.access});
    }
    mappings_ = std::move(kept);
    return true;
}

uint64_t AddressSpace::mapped_bytes() const {
    uint64_t total = 0;
    for (const Mapping &m : mappings_) total += m.size;
    return total;
}

bool AddressSpace::allows(uint32_t addr, uint64_t len, uint32_t access) const {
    uint64_t at = addr;
    const uint64_t end = at + len;
    if (end > (uint64_t{1} << 32)) return false;
    for (const Mapping &m : mappings_) {
        if (at >= end) break;
        if (m.end() <= at) continue;
        if (m.start > at || (m.access & access) != access) return false;
        at = m.end();
    }
    return at >= end;
}

bool AddressSpace::read(uint32_t addr, std::span<uint8_t> out) const {
    if (!allows(addr, out.size(), kRead)) return false;
    return out.empty() || uc_mem_read(engine(), addr, out.data(), out.size()) == UC_ERR_OK;
}

bool AddressSpace::write(uint32_t addr, std::span<const uint8_t> bytes) {
    if (!allows(addr, bytes.size(), kWrite)) return false;
    return poke(addr, bytes);
}

bool AddressSpace::poke(uint32_t addr, std::span<const uint8_t> bytes) {
    return bytes.empty() || uc_mem_write(engine(), addr, bytes.data(), bytes.size()) == UC_ERR_OK;
}

std::optional<uint32_t> AddressSpace::read_u32(uint32_t addr) const {
    uint8_t b[4];
    if (!read(addr, b)) return std::nullopt;
    return uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24;
}

std::optional<std::string> AddressSpace::read_cstring(uint32_t addr, size_t max) const {
    std::string s;
    uint8_t chunk[256];
    uint64_t at = addr;
    while (s.size() <= max) {
        // Read up to the end of the current page at most, so that a string ending
        // just before unmapped memory is still read whole.
        const uint64_t page_end = (at / 4096 + 1) * 4096;
        const size_t n = static_cast<size_t>(std::min<uint64_t>(sizeof chunk, page_end - at));
        if (at + n > (uint64_t{1} << 32) || !read(static_cast<uint32_t>(at), {chunk, n}))
            return std::nullopt;
        for (size_t i = 0; i < n; ++i) {
            if (chunk[i] == 0) return s;
            s.push_back(static_cast<char>(chunk[i]));
        }
        at += n;
    }
    return std::nullopt;
}

std::string AddressSpace::peek(uint32_t addr, size_t len) const {
    std::string s;
    uint8_t b;
    for (size_t i = 0; i < len && uint64_t{addr} + i < (uint64_t{1} << 32); ++i) {
        if (!read(static_cast<uint32_t>(addr + i), {&b, 1})) break;
        s.push_back(static_cast<char>(b));
    }
    return s;
}

uint32_t AddressSpace::reg(int id) const {
    uint32_t v = 0;
    uc_reg_read(engine(), id, &v);
    return v;
}

void AddressSpace::set_reg(int id, uint32_t value) { uc_reg_write(engine(), id, &value); }

}  // namespace qevos
