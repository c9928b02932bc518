// Formatted input: a small exact scanner over strings, and fscanf, which reads one
// word from a descriptor stream and scans that word with the same engine. The
// scanner knows d i u x X c s %, suppression with '*', 32-bit results only, and
// stops at the first thing that does not match.
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <unistd.h>

namespace {

using Byte = unsigned char;

// Four classes of whitespace, each with its own users; they differ on purpose.
// One bit per class, looked up in one table.
enum : Byte {
    kFormatSpace = 1,  // whitespace in a format, and the input it skips
    kBlank = 2,        // what s and the integer conversions skip before their field
    kWordEnd = 4,      // what ends an s field
    kTokenSpace = 8,   // what separates the words fscanf reads
};

// Digit values of the characters 0-9, a-f and A-F; every other byte is this.
constexpr Byte kNotDigit = 0xff;

struct ByteTable {
    Byte at[256];
};

constexpr ByteTable make_classes() {
    ByteTable t{};
    t.at[0] = kWordEnd;
    t.at['\t'] = kFormatSpace | kBlank | kWordEnd | kTokenSpace;
    t.at['\n'] = kFormatSpace | kWordEnd | kTokenSpace;
    t.at['\r'] = kTokenSpace;
    t.at[' '] = kFormatSpace | kBlank | kWordEnd | kTokenSpace;
    return t;
}

constexpr ByteTable make_digits() {
    ByteTable t{};
    for (Byte &v : t.at) v = kNotDigit;
    for (int i = 0; i < 10; ++i) t.at['0' + i] = static_cast<Byte>(i);
    for (int i = 0; i < 6; ++i) {
        t.at['a' + i] = static_cast<Byte>(10 + i);
        t.at['A' + i] = static_cast<Byte>(10 + i);
    }
    return t;
}

constexpr ByteTable kClasses = make_classes();
constexpr ByteTable kDigits = make_digits();

constexpr bool is(Byte c, Byte cls) { return (kClasses.at[c] & cls) != 0; }

// fscanf's word buffer holds this many characters and the terminating zero.
constexpr int kWordMax = 255;

const Byte *skip_blanks(const Byte *in) {
    while (is(*in, kBlank)) ++in;
    return in;
}

// Reads an integer field after its blanks: an optional sign when signed_field,
// then digits of base, where base 0 means a 0x prefix selects 16, a leading 0
// selects 8 (that 0 being the first digit) and anything else 10. Values wrap in 32
// bits. Returns the position after the last digit, or null when there is no digit.
const Byte *scan_integer(const Byte *in, unsigned base, bool signed_field, uint32_t *value) {
    in = skip_blanks(in);
    bool negative = false;
    if (signed_field && (*in == '-' || *in == '+')) negative = *in++ == '-';
    if (base == 0) {
        base = 10;
        if (in[0] == '0') {
            base = 8;
            if ((in[1] | 0x20) == 'x') {
                base = 16;
                in += 2;
            }
        }
    }
    const Byte *const first = in;
    uint32_t v = 0;
    for (unsigned digit; (digit = kDigits.at[*in]) < base; ++in) v = v * base + digit;
    if (in == first) return nullptr;
    *value = negative ? 0u - v : v;
    return in;
}

// Reads one byte of the stream's descriptor into byte. The end of the data or an
// error sets eof and gives false; every byte obtained advances pos.
bool read_byte(FILE *stream, Byte *byte) {
    const ssize_t got = read(stream->fd, byte, 1);
    if (got <= 0) {
        stream->eof = 1;
        return false;
    }
    stream->pos = static_cast<int>(static_cast<uint32_t>(stream->pos) + static_cast<uint32_t>(got));
    return true;
}

// Reads the next word of the stream into word (kWordMax + 1 bytes), one byte per
// read and never past the whitespace byte that ends the word, which is dropped.
// Characters beyond kWordMax are read and dropped. False when no word starts
// before the end of the data.
bool read_word(FILE *stream, char *word) {
    Byte c;
    do {
        if (!read_byte(stream, &c)) return false;
    } while (is(c, kTokenSpace));
    int length = 0;
    do {
        if (length < kWordMax) word[length++] = static_cast<char>(c);
    } while (read_byte(stream, &c) && !is(c, kTokenSpace));
    word[length] = 0;
    return true;
}

}  // namespace

int vsscanf(const char *input, const char *format, va_list ap) {
    if (input == nullptr || format == nullptr) return 0;
    const Byte *in = reinterpret_cast<const Byte *>(input);
    const Byte *fmt = reinterpret_cast<const Byte *>(format);
    int stored = 0;
    for (;;) {
        const Byte f = *fmt;
        if (f == 0) return stored;
        if (is(f, kFormatSpace)) {
            while (is(*in, kFormatSpace)) ++in;
            while (is(*fmt, kFormatSpace)) ++fmt;
            continue;
        }
        ++fmt;
        if (f != '%') {
            if (*in != f) return stored;
            ++in;
            continue;
        }

        const bool assign = *fmt != '*';
        if (!assign) ++fmt;
        // Field widths are not supported: their digits are read and ignored.
        while (static_cast<unsigned>(*fmt - '0') < 10) ++fmt;
        unsigned base = 10;
        bool signed_field = true;
        switch (*fmt++) {
            case '%':
                if (*in != '%') return stored;
                ++in;
                continue;
            case 'c': {
                if (*in == 0) return stored;
                const Byte c = *in++;
                if (assign) {
                    *va_arg(ap, char *) = static_cast<char>(c);
                    ++stored;
                }
                continue;
            }
            case 's': {
                in = skip_blanks(in);
                if (*in == 0) return stored;
                // A line feed here makes an empty word, stored and counted like any
                // other; it stays unread. A null destination consumes the word only.
                char *dst = assign ? va_arg(ap, char *) : nullptr;
                if (dst == nullptr) {
                    while (!is(*in, kWordEnd)) ++in;
                    continue;
                }
                while (!is(*in, kWordEnd)) *dst++ = static_cast<char>(*in++);
                *dst = 0;
                ++stored;
                continue;
            }
            case 'u':
                signed_field = false;
                break;
            case 'd':
                break;
            case 'i':
                base = 0;
                break;
            case 'x':
            case 'X':
                base = 16;
                break;
            default:  // length letters, unknown conversions, the end of the format
                return stored;
        }
        uint32_t value;
        in = scan_integer(in, base, signed_field, &value);
        if (in == nullptr) return stored;
        if (assign) {
            *va_arg(ap, int *) = static_cast<int>(value);
            ++stored;
        }
    }
}

int sscanf(const char *input, const char *format, ...) {
    va_list ap;
    va_start(ap, format);
    const int stored = vsscanf(input, format, ap);
    va_end(ap);
    return stored;
}

int fscanf(FILE *stream, const char *format, ...) {
    if (stream == nullptr || format == nullptr || stream->kind != STREAM_FD) return -1;
    char word[kWordMax + 1];
    if (!read_word(stream, word)) return -1;
    va_list ap;
    va_start(ap, format);
    const int stored = vsscanf(word, format, ap);
    va_end(ap);
    return stored;
}
