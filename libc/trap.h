// The one way into the kernel: software interrupt 0x80, the service number in eax,
// arguments in ebx, ecx, edx, esi, edi, ebp, the result in eax. The kernel promises
// nothing about the other registers, so every argument register counts as clobbered.
#pragma once

#include <stdint.h>

namespace qevos::sys {

inline int32_t trap(uint32_t number) {
    int32_t result;
    asm volatile("int $0x80" : "=a"(result) : "a"(number) : "ebx", "ecx", "edx", "esi", "edi", "memory");
    return result;
}

inline int32_t trap(uint32_t number, uint32_t b) {
    int32_t result;
    asm volatile("int $0x80"
                 : "=a"(result), "+b"(b)
                 : "a"(number)
                 : "ecx", "edx", "esi", "edi", "memory");
    return result;
}

inline int32_t trap(uint32_t number, uint32_t b, uint32_t c) {
    int32_t result;
    asm volatile("int $0x80"
                 : "=a"(result), "+b"(b), "+c"(c)
                 : "a"(number)
                 : "edx", "esi", "edi", "memory");
    return result;
}

inline int32_t trap(uint32_t number, uint32_t b, uint32_t c, uint32_t d) {
    int32_t result;
    asm volatile("int $0x80"
                 : "=a"(result), "+b"(b), "+c"(c), "+d"(d)
                 : "a"(number)
                 : "esi", "edi", "memory");
    return result;
}

// All six argument registers. ebp cannot be named as an operand, so it is saved and
// loaded from a block addressed through eax (never through esp, which the push
// moves), and restored after the interrupt.
inline int32_t trap(uint32_t number, uint32_t b, uint32_t c, uint32_t d, uint32_t si, uint32_t di,
                    uint32_t bp) {
    const uint32_t block[2] = {number, bp};
    int32_t result;
    asm volatile(
        "push %%ebp\n\t"
        "mov 4(%%eax), %%ebp\n\t"
        "mov (%%eax), %%eax\n\t"
        "int $0x80\n\t"
        "pop %%ebp"
        : "=a"(result), "+b"(b), "+c"(c), "+d"(d), "+S"(si), "+D"(di)
        : "a"(block)
        : "memory");
    return result;
}

}  // namespace qevos::sys
