// Streams: descriptor streams (written only on descriptor 1), memory streams that
// publish their buffer after every write, and whole-file streams written in one
// piece at fclose. All output goes through file_write_bytes; input reads the
// descriptor directly, one request per call, with nothing read ahead.
#include "stream.h"

#include <fcntl.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

namespace {

constexpr uint32_t kFirstCapacity = 256;
constexpr size_t kMaxWrite = 0x7FFFFFFF;

FILE g_stdin = {STREAM_FD, 0, nullptr, nullptr, 0, 0, nullptr, nullptr, 0, 0, 0};
FILE g_stdout = {STREAM_FD, 1, nullptr, nullptr, 0, 0, nullptr, nullptr, 0, 0, 0};
// Standard error shares descriptor 1 with standard output.
FILE g_stderr = {STREAM_FD, 1, nullptr, nullptr, 0, 0, nullptr, nullptr, 0, 0, 0};

int write_descriptor(const FILE *stream, const char *src, size_t n) {
    if (stream->fd != 1) return -1;
    while (n > 0) {
        const ssize_t sent = write(1, src, n > kMaxWrite ? kMaxWrite : n);
        if (sent <= 0) return -1;
        src += sent;
        n -= static_cast<size_t>(sent);
    }
    return 0;
}

// Appends to the heap buffer, growing it from 256 bytes by doubling. A request
// whose size cannot be represented is refused with the stream unchanged.
int append(FILE *stream, const char *src, size_t n) {
    const uint64_t need = uint64_t{stream->len} + n + 1;
    if (need > UINT32_MAX) return -1;
    uint64_t cap = stream->cap;
    if (cap < need) {
        if (cap == 0) {
            cap = kFirstCapacity;
        } else {
            cap *= 2;
        }
        while (cap < need) cap *= 2;
        if (cap > UINT32_MAX) return -1;
        char *grown = static_cast<char *>(realloc(stream->buf, static_cast<size_t>(cap)));
        if (grown == nullptr) return -1;
        stream->buf = grown;
        stream->cap = static_cast<size_t>(cap);
    }
    memcpy(stream->buf + stream->len, src, n);
    stream->len += n;
    stream->buf[stream->len] = 0;
    if (stream->kind == STREAM_MEMORY && stream->out_buf != nullptr && stream->out_size != nullptr) {
        *stream->out_buf = stream->buf;
        *stream->out_size = stream->len;
    }
    return 0;
}

bool is_standard(const FILE *stream) {
    return stream == stdin || stream == stdout || stream == stderr;
}

// Streams that fseek, ftell and rewind act on: descriptor streams on a file.
bool seekable(const FILE *stream) {
    return stream != nullptr && stream->kind == STREAM_FD && stream->fd > 2;
}

// size * count, or false when it does not fit 32 bits.
bool total(size_t size, size_t count, size_t &bytes) {
    const uint64_t product = uint64_t{size} * count;
    if (product > UINT32_MAX) return false;
    bytes = static_cast<size_t>(product);
    return true;
}

}  // namespace

FILE *stdin = &g_stdin;
FILE *stdout = &g_stdout;
FILE *stderr = &g_stderr;

namespace qevos::stdio {

int file_write_bytes(FILE *stream, const void *src, size_t n) {
    if (stream == nullptr || src == nullptr) return -1;
    if (n == 0) return 0;
    const char *bytes = static_cast<const char *>(src);
    if (stream->kind == STREAM_FD) return write_descriptor(stream, bytes, n);
    return append(stream, bytes, n);
}

}  // namespace qevos::stdio

using qevos::stdio::file_write_bytes;

FILE *fopen(const char *path, const char *mode) {
    if (mode == nullptr) return nullptr;
    if (path == nullptr || strcmp(path, "-") == 0) {
        if (mode[0] == 'r') return stdin;
        if (mode[0] == 'w') return stdout;
        return nullptr;
    }
    if (mode[0] == 'r') {
        const int fd = open(path, O_RDONLY, 0);
        if (fd < 0) return nullptr;
        FILE *stream = static_cast<FILE *>(calloc(1, sizeof(FILE)));
        if (stream == nullptr) {
            close(fd);
            return nullptr;
        }
        stream->kind = STREAM_FD;
        stream->fd = fd;
        return stream;
    }
    if (mode[0] == 'w') {
        FILE *stream = static_cast<FILE *>(calloc(1, sizeof(FILE)));
        if (stream == nullptr) return nullptr;
        stream->kind = STREAM_WHOLE_FILE;
        stream->path = strdup(path);
        if (stream->path == nullptr) {
            free(stream);
            return nullptr;
        }
        return stream;
    }
    return nullptr;
}

int fclose(FILE *stream) {
    if (stream == nullptr) return -1;
    if (is_standard(stream)) return 0;
    int result = 0;
    if (stream->kind == STREAM_FD) {
        if (stream->fd > 2) result = close(stream->fd);
    } else if (stream->kind == STREAM_WHOLE_FILE) {
        if (stream->path == nullptr) {
            result = -1;
        } else {
            const char *data = stream->buf != nullptr ? stream->buf : "";
            result = writefile(stream->path, data, stream->len) < 0 ? -1 : 0;
        }
    }
    if (stream->buf != nullptr && stream->kind != STREAM_MEMORY) free(stream->buf);
    if (stream->path != nullptr) free(stream->path);
    free(stream);
    return result;
}

size_t fread(void *dst, size_t size, size_t count, FILE *stream) {
    size_t bytes;
    if (dst == nullptr || stream == nullptr || size == 0 || count == 0) return 0;
    if (stream->kind != STREAM_FD || !total(size, count, bytes)) return 0;
    const ssize_t got = read(stream->fd, dst, bytes);
    if (got <= 0) {
        stream->eof = 1;
        return 0;
    }
    stream->pos += got;
    if (static_cast<size_t>(got) < bytes) stream->eof = 1;
    return static_cast<size_t>(got) / size;
}

size_t fwrite(const void *src, size_t size, size_t count, FILE *stream) {
    size_t bytes;
    if (src == nullptr || stream == nullptr || size == 0 || count == 0) return 0;
    if (!total(size, count, bytes)) return 0;
    return file_write_bytes(stream, src, bytes) == 0 ? count : 0;
}

int fgetc(FILE *stream) {
    if (stream == nullptr || stream->kind != STREAM_FD) return -1;
    unsigned char byte;
    const ssize_t got = read(stream->fd, &byte, 1);
    if (got <= 0) {
        stream->eof = 1;
        return -1;
    }
    stream->pos += got;
    return got == 1 ? byte : -1;
}

int getchar() { return stdin == nullptr ? -1 : fgetc(stdin); }

int fputc(int ch, FILE *stream) {
    const unsigned char byte = static_cast<unsigned char>(ch);
    return file_write_bytes(stream, &byte, 1) == 0 ? ch : -1;
}

int putchar(int ch) { return fputc(ch, stdout); }

int fputs(const char *s, FILE *stream) {
    if (s == nullptr) return -1;
    const size_t n = strlen(s);
    return file_write_bytes(stream, s, n) == 0 ? static_cast<int>(n) : -1;
}

int puts(const char *s) {
    if (s == nullptr) return -1;
    FILE *out = stdout;
    if (file_write_bytes(out, s, strlen(s)) != 0) return -1;
    return file_write_bytes(out, "\n", 1) == 0 ? 0 : -1;
}

int fseek(FILE *stream, long offset, int whence) {
    if (!seekable(stream)) return -1;
    const off_t at = lseek(stream->fd, offset, whence);
    if (at < 0) return -1;
    stream->eof = 0;
    stream->pos = at;
    return 0;
}

long ftell(FILE *stream) { return seekable(stream) ? stream->pos : -1; }

void rewind(FILE *stream) {
    if (stream == nullptr) return;
    if (seekable(stream)) {
        const off_t at = lseek(stream->fd, 0, SEEK_SET);
        if (at >= 0) stream->pos = at;
    }
    stream->error = 0;
    stream->eof = 0;
}

int feof(FILE *stream) { return stream == nullptr ? 1 : stream->eof; }

int ferror(FILE *stream) { return stream == nullptr ? 1 : stream->error; }

int fflush(FILE *) { return 0; }

void setbuf(FILE *, char *) {}

FILE *open_memstream(char **bufp, size_t *sizep) {
    if (bufp == nullptr || sizep == nullptr) return nullptr;
    FILE *stream = static_cast<FILE *>(calloc(1, sizeof(FILE)));
    if (stream == nullptr) return nullptr;
    stream->kind = STREAM_MEMORY;
    stream->out_buf = bufp;
    stream->out_size = sizep;
    *bufp = nullptr;
    *sizep = 0;
    return stream;
}
