#include "foundation/init.h"

#include <mutex>

#include "foundation/lt.h"

unsigned char weight_array[256];

// Builds the weight table before the row tables, which count bits with it; once a process, so
// that any thread may call it first (the library's functions each do) and none rebuilds a
// table another is reading.
void init_startup() {
    static std::once_flag built;
    std::call_once(built, [] {
        init_weight();
        init_LT();
    });
}

// Fills weight_array with the number of set bits of every byte.
void init_weight() {
    for (unsigned i = 0; i < 256; i++) {
        unsigned count = 0;
        for (unsigned b = 0; b < 8; b++) count += (i >> b) & 1;
        weight_array[i] = static_cast<unsigned char>(count);
    }
}

// Two byte lookups; bits 16 and above do not count.
unsigned get_weight(unsigned x) {
    return weight_array[x & 0xff] + weight_array[(x >> 8) & 0xff];
}
