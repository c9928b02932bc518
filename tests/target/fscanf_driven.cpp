// Calls fscanf on a stream a given number of times and prints, for each call, the
// result, what each destination holds and the stream's pos and eof:
//
//   fscanf_driven SOURCE FORMAT CALLS KIND...
//
// SOURCE is "-" for standard input, or a path opened for reading. Each KIND is the
// type of one destination: d (int), c (char) or s (a word). A destination that the
// call did not store into prints as "-". Output of one call:
//
//   1 42 - pos=8 eof=0
//
//   fscanf_driven refused
//
// instead makes the calls that must be refused without reading anything (a null
// stream, a null format, streams of other kinds) and prints their results.
#include <stdint.h>
#include <stdio.h>

#include "check.h"

namespace {

constexpr char kMarker = 0x5a;
constexpr int kMaxSlots = 4;
constexpr int kSlotSize = 300;

bool same(const char *a, const char *b) {
    while (*a != 0 && *a == *b) ++a, ++b;
    return *a == *b;
}

int parse_count(const char *s) {
    int n = 0;
    while (*s >= '0' && *s <= '9') n = n * 10 + (*s++ - '0');
    return n;
}

struct Slot {
    alignas(4) char bytes[kSlotSize];
    void clear() {
        for (char &b : bytes) b = kMarker;
    }
    bool untouched() const {
        for (char b : bytes) {
            if (b != kMarker) return false;
        }
        return true;
    }
};

void put_slot(const Slot &slot, char kind) {
    check::put(" ");
    if (slot.untouched()) {
        check::put("-");
    } else if (kind == 'd') {
        uint32_t value = 0;
        for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(slot.bytes[i]);
        check::put_signed(static_cast<int32_t>(value));
    } else if (kind == 'c') {
        check::put_escaped(slot.bytes, 1);
    } else {
        check::put_escaped(slot.bytes, check::length(slot.bytes));
    }
}

void put_call(int result, const Slot *slots, const char *kinds[], int count, const FILE *stream) {
    check::put_signed(result);
    for (int i = 0; i < count; ++i) put_slot(slots[i], kinds[i][0]);
    check::put(" pos=");
    check::put_signed(stream->pos);
    check::put(" eof=");
    check::put_signed(stream->eof);
    check::put("\n");
}

int refused() {
    int value = 0;
    FILE memory = {};
    memory.kind = STREAM_MEMORY;
    FILE whole_file = {};
    whole_file.kind = STREAM_WHOLE_FILE;
    FILE zero_filled = {};
    check::put_signed(fscanf(nullptr, "%d", &value));
    check::put(" ");
    check::put_signed(fscanf(stdin, nullptr, &value));
    check::put(" ");
    check::put_signed(fscanf(&memory, "%d", &value));
    check::put(" ");
    check::put_signed(fscanf(&whole_file, "%d", &value));
    check::put(" ");
    check::put_signed(fscanf(&zero_filled, "%d", &value));
    check::put(" value=");
    check::put_signed(value);
    check::put("\n");
    return 0;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc == 2 && same(argv[1], "refused")) return refused();
    if (argc < 4 || argc - 4 > kMaxSlots) {
        check::put("usage: fscanf_driven SOURCE FORMAT CALLS KIND...\n");
        return 2;
    }
    FILE *stream = same(argv[1], "-") ? stdin : fopen(argv[1], "r");
    if (stream == nullptr) {
        check::put("fscanf_driven: cannot open the source\n");
        return 2;
    }
    const char *format = argv[2];
    const int calls = parse_count(argv[3]);
    const char **kinds = const_cast<const char **>(argv + 4);
    const int count = argc - 4;

    Slot slots[kMaxSlots];
    for (int call = 0; call < calls; ++call) {
        for (Slot &slot : slots) slot.clear();
        const int result =
            fscanf(stream, format, slots[0].bytes, slots[1].bytes, slots[2].bytes, slots[3].bytes);
        put_call(result, slots, kinds, count, stream);
    }
    return 0;
}
