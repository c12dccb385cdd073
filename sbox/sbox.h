// Sbox: a 4-bit S-box held both as its value table n[x] = S(x) and as the four truth tables
// of its output bits (bit x of b[j] is bit j of S(x)).
#pragma once

#include <iosfwd>

#include "foundation/bits.h"

class Sbox {
public:
    Sbox();
    Sbox(const Bits& b1, const Bits& b2, const Bits& b3, const Bits& b4);
    explicit Sbox(const int* x);
    Sbox(const Sbox& other) = default;
    Sbox& operator=(const Sbox& other) = default;
    ~Sbox() = default;

    Sbox inverse() const;
    int max_xor();  // largest entry of the difference table outside row and column 0
    int single();   // 1 when a one-bit input difference can give an output difference of <= 1 bit
    int max_lat();  // largest count of the linear approximation table over non-zero masks
    int good();     // 1 when the table is a permutation of 0..15

private:
    int xor_max = -1;
    int single_bit = -1;
    int lat_max = -1;

public:
    Bits b[4];
    unsigned short n[16];
};

// Sixteen values separated by two blanks, no line end.
std::ostream& operator<<(std::ostream& out, const Sbox& s);
// Sixteen integers taken modulo 65536; on failure the stream carries the failure state.
std::istream& operator>>(std::istream& in, Sbox& s);
