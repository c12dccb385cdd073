#include <cstring>
#include <string>

#include "foundation/bits.h"
#include "foundation/fatal.h"

namespace {

constexpr unsigned max_len = 65536;

// Words needed for n bits.
unsigned short words_for(unsigned n) {
    return static_cast<unsigned short>((n + 15) / 16);
}

// Length of a "0"/"1" text, which must be 1 to 65536 characters.
unsigned text_length(const char* text) {
    size_t n = text ? std::strlen(text) : 0;
    if (n == 0 || n > max_len) fatal("ERROR in Bits::Bits(char *) : Invalid Length\n", 1);
    return static_cast<unsigned>(n);
}

// The message for a character that is neither '0' nor '1'.
[[noreturn]] void invalid_character(char c) {
    int code = static_cast<signed char>(c);
    std::string shown = code >= 33 && code <= 126 ? std::string(1, c) : std::to_string(code);
    fatal("ERROR in Bits::Bits(char *) : Invalid Character (" + shown + ")\n", 1);
}

}  // namespace

// An all-zero vector of 1 to 65536 bits with weight 0.
Bits::Bits(unsigned length) : len(length), weight(0), words(0), seq{} {
    if (length == 0 || length > max_len) fatal("ERROR in Bits::Bits(unsigned) : Invalid Length\n", 1);
    resize_storage(words_for(length));
}

// Character i of a "0"/"1" text gives bit i.
Bits::Bits(const char* new_bits) : Bits(text_length(new_bits)) {
    for (unsigned i = 0; i < len; i++) {
        if (new_bits[i] == '1') set_bit(i);
        else if (new_bits[i] == '0') clr_bit(i);
        else invalid_character(new_bits[i]);
    }
}

// Takes the first words of an array, e.g. a register word; the weight is counted on demand.
Bits::Bits(const unsigned short* old, unsigned short old_len) : len(old_len), weight(no_weight), words(0), seq{} {
    resize_storage(words_for(old_len));
    std::memcpy(storage(), old, words * sizeof(unsigned short));
}

// Deep copy.
Bits::Bits(const Bits& old) : len(old.len), weight(old.weight), words(0), seq{} {
    resize_storage(old.words);
    std::memcpy(storage(), old.storage(), words * sizeof(unsigned short));
}

Bits::~Bits() {
    if (words > 2 && seq.p) delete[] seq.p;
}

// Copies length, weight and storage; the storage follows the source's word count.
Bits& Bits::operator=(const Bits& old) {
    if (this == &old) return *this;
    resize_storage(old.words);
    std::memcpy(storage(), old.storage(), words * sizeof(unsigned short));
    len = old.len;
    weight = old.weight;
    return *this;
}

// Up to two words live inline in seq; more own a zero-filled heap array.
void Bits::resize_storage(unsigned short count) {
    if (count == words) return;
    if (words > 2 && seq.p) delete[] seq.p;
    if (count > 2) {
        seq.p = new unsigned short[count]();
    } else {
        seq.w.l = 0;
        seq.w.h = 0;
    }
    words = count;
}
