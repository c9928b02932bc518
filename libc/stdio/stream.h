// Internal to the stdio area: the one write primitive all stream output goes through.
#pragma once

#include <stddef.h>
#include <stdio.h>

namespace qevos::stdio {

// 0 on success, -1 on failure; see stream.cpp.
int file_write_bytes(FILE *stream, const void *src, size_t n);

}  // namespace qevos::stdio
