// Bits: a bit vector of 1 to 65536 bits, chiefly the truth table of a Boolean function.
// Bit x of a truth table is the function's value at input x; input variable v is bit v of x.
// Vectors of up to two 16-bit words live inside the object; longer ones own a heap array.
#pragma once

#include <cstdint>
#include <iosfwd>

class Bits {
public:
    explicit Bits(unsigned length);
    explicit Bits(const char* new_bits);
    Bits(const unsigned short* old, unsigned short old_len);
    Bits(const Bits& old);
    ~Bits();

    unsigned get_len() const { return len; }
    unsigned get_weight();
    int get_bit(unsigned location) const;
    void set_bit(unsigned location, unsigned value);
    void set_bit(unsigned location);
    void clr_bit(unsigned location);
    void comp_bit(unsigned location);
    void print_bit(unsigned location) const;

    // Storage word k (bits 16k..16k+15); k must be below the word count.
    unsigned short word(unsigned k) const { return words > 2 ? seq.p[k] : (k == 0 ? seq.w.l : seq.w.h); }
    unsigned short get_words() const { return words; }

    Bits& operator=(const Bits& old);
    Bits operator^(const Bits& y) const;
    Bits operator&(const Bits& y) const;
    Bits operator|(const Bits& y) const;
    Bits operator^(const unsigned short* y) const;
    friend Bits operator^(const unsigned short* x, const Bits& y);
    Bits operator+(const Bits& y) const;
    // -1 when equal, 0 otherwise; vectors of different lengths are unequal.
    int operator==(const Bits& y) const;

    // Complement of every bit below the length.
    Bits invert() const;
    // Nonlinearity: distance to the nearest affine function.
    unsigned N() const;
    // Distance to the nearest affine function whose linear part uses at most x variables.
    unsigned LR(int x) const;
    // Affine change of the input variables by the rows A[0..n-1] and the constant u.
    Bits transform(const unsigned* A, unsigned u) const;
    // Input translation: bit i moves to bit i XOR x.
    Bits transmute(unsigned short x) const;

    friend std::ostream& operator<<(std::ostream& out, const Bits& b);
    friend std::istream& operator>>(std::istream& in, Bits& ob);

protected:
    uint32_t len;
    uint32_t weight;   // cached weight; no_weight means not counted yet
    unsigned short words;
    union {
        uint32_t l;
        unsigned short* p;
        uint32_t* pl;
        struct {
            unsigned short l;
            unsigned short h;
        } w;
    } seq;

    static constexpr uint32_t no_weight = 65535;

    unsigned short* storage() { return words > 2 ? seq.p : &seq.w.l; }
    const unsigned short* storage() const { return words > 2 ? seq.p : &seq.w.l; }
    // Makes the storage hold exactly `count` words, freeing or allocating as needed.
    void resize_storage(unsigned short count);
    // Words that hold bits below len (the reader may leave more words than that).
    unsigned live_words() const { return (len + 15) / 16; }
    // Mask of the bits below len in live word k.
    unsigned short live_mask(unsigned k) const {
        return (k + 1) * 16 <= len ? 0xffff : static_cast<unsigned short>((1u << (len & 15)) - 1);
    }
    // Distance to the linear function with mask a over this vector's length.
    unsigned linear_distance(unsigned a) const;
    // Word-wise XOR ('^'), AND ('&') or OR ('|') over the shorter length.
    Bits logic(const Bits& y, char op) const;
    // The text reader shared with ANF; `who` names the class in the messages.
    void read_text(std::istream& in, const char* who);
};

// Hamming distance: the weight of x ^ y.
unsigned d(const Bits& x, const Bits& y);
// The array operand is first made into a vector of the other operand's length.
unsigned d(const Bits& x, const unsigned short* y);
unsigned d(const unsigned short* x, const Bits& y);

// Skips blanks, tabs and line ends; at the end of the input takes one character so that the
// stream's end-of-file state is set.
void skipwhite(std::istream& in);
// As skipwhite, then tells whether the stream is at end of file.
bool skipwt_eof(std::istream& in);
