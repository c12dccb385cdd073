// Class tables of the listed S-boxes: which words are coordinate functions (valid), which
// pairs occur together (list), every triple (sb3) and every full coordinate set (sc4).
// load_valid (or init_valid) builds them from a target list; loading another list replaces
// them. They are the process's one set of tables, shared read-only by every run on the list
// while it runs: the lookups below only read them.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

#include "foundation/bits.h"

// One entry of `list`, the pair map of one component (list index c).
struct pair_list_type {
    unsigned short l[170];  // pair map: bit d of word d/16 set when list indices c and d share an S-box
    int v;                  // the component word of this list index, -1 when unused
};

constexpr unsigned sb2_capacity = 36900;       // records of the target list ("sb2.txt")
constexpr unsigned sb3_file_capacity = 30800;  // records of the second list ("sb3.txt")
constexpr unsigned sbox_capacity = 67700;      // rows of sb4 and sc4
constexpr unsigned component_capacity = 2680;  // distinct coordinate words (list indices)
constexpr unsigned triple_capacity = 250000;   // entries of sb3
constexpr unsigned run_capacity = 2770;        // runs of rows sharing a first word

// valid[w]: the list index of coordinate word w ("component"), -1 when w is no coordinate
// function of a listed S-box.
extern int valid[65536];
// Bit w of this map is set exactly when valid[w] is not -1: the same question asked of 8 KiB
// instead of 256 KiB, so that the search's first test stays in the fastest cache.
extern uint64_t component_bits[1024];
// list[c]: the pair map of the component with list index c (which components share an S-box).
extern pair_list_type list[component_capacity];
// lcnt: the number of components (list indices in use).
extern unsigned lcnt;
// sbcnt: the number of listed S-boxes (rows of sb4 and sc4).
extern unsigned sbcnt;
// sb4[r]: the coordinate words of listed S-box r in load order, output bit 0 first.
extern unsigned short sb4[sbox_capacity][4];
// sc4[r]: the coordinate set of row r, its four words ascending; rows sorted. A row number
// of sc4 is the S-box number by which the search's per-row tables are indexed.
extern unsigned short sc4[sbox_capacity][4];
// lmark4[c]: the half-open range of sc4 rows whose first word has list index c; {-1, 0} none.
extern int lmark4[component_capacity][2];
// sb3[e]: every 3-word subset of a coordinate set, ascending within and across entries.
extern unsigned short sb3[triple_capacity][3];
// sb3cnt: the number of sb3 entries.
extern unsigned sb3cnt;
// lmark3[c]: the half-open range of sb3 entries whose first word has list index c.
extern int lmark3[component_capacity][2];

// Loads "sb2.txt" (x = 1 or 3) and "sb3.txt" (x = 2 or 3) and builds and checks every table.
// sb2_path names another file to read in place of "sb2.txt"; the messages then name it.
void init_valid(int x, const std::string& sb2_path = "sb2.txt");

// How a load that does not end the process went: on a fault, message is the text that
// init_valid prints before it exits with status.
struct load_outcome {
    bool failed = false;
    std::string message;
    int status = 0;
};

// init_valid without the exit: the phase lines go to out and a fault is returned; the first
// list is read from sb2_path and named sb2_name in the messages (empty: by its path). Every
// table is reset first, so it may run again in the same process; after a fault the tables hold
// what was built so far, and any range not yet built answers absent.
load_outcome load_valid(int x, std::ostream& out, const std::string& sb2_path = "sb2.txt",
                        const std::string& sb2_name = "");

// 1 when the word is a coordinate function of some listed S-box (valid[w] is not -1).
inline int is_component(unsigned short w) {
    return static_cast<int>((component_bits[w >> 6] >> (w & 63)) & 1);
}

// 1 when the components with list indices c and d are coordinates of one listed S-box: bit d
// of the pair map of c.
inline int pair_bit(int c, int d) {
    return (list[c].l[d >> 4] >> (d & 15)) & 1;
}

// The 16-bit word of a 16-bit truth table.
unsigned short bits_to_word(const Bits& b);
// 1 when the two words are coordinates of one listed S-box (the pair map).
int check_list(unsigned short a, unsigned short b);
int check_sb3(unsigned short a, unsigned short b, unsigned short c);
int check_sb4(unsigned short a, unsigned short b, unsigned short c, unsigned short d);
int get_sb4(unsigned short a, unsigned short b, unsigned short c, unsigned short d);

// The searches behind check_sb3, check_sb4 and get_sb4 are defined here so that the search
// loop can inline them.
namespace classes_detail {

// Swaps a and b when a is the greater, so that a <= b afterwards.
inline void order_pair(unsigned short& a, unsigned short& b) {
    if (a > b) {
        unsigned short t = a;
        a = b;
        b = t;
    }
}

// A row of 3 or 4 words as one number whose order is the lexicographic order of the rows.
inline uint64_t row_key(const unsigned short* w, int width) {
    uint64_t key = 0;
    for (int k = 0; k < width; ++k) key = (key << 16) | w[k];
    return key;
}

// Row of the ascending key among the rows of table that start with key[0], found by binary
// search in their lmark range; -1 when the set is absent.
template <int width>
inline int find_row(const unsigned short (*table)[width], const int (*lmark)[2],
                    const unsigned short* key) {
    int index = valid[key[0]];
    if (index < 0) return -1;
    int lo = lmark[index][0];
    if (lo < 0) return -1;
    int hi = lmark[index][1];
    uint64_t wanted = row_key(key, width);
    do {
        int m = (lo + hi) / 2;
        uint64_t probe = row_key(table[m], width);
        if (probe == wanted) return m;
        if (probe < wanted)
            lo = m + 1;
        else
            hi = m;
    } while (lo < hi);
    return -1;
}

// sb3 entry of the three words in any order, or -1.
inline int find_triple(unsigned short a, unsigned short b, unsigned short c) {
    order_pair(a, c);
    order_pair(a, b);
    order_pair(b, c);
    const unsigned short key[3] = {a, b, c};
    return find_row<3>(sb3, lmark3, key);
}

// sc4 row of the four words in any order, or -1.
inline int find_set(unsigned short a, unsigned short b, unsigned short c, unsigned short d) {
    order_pair(a, d);
    order_pair(a, c);
    order_pair(a, b);
    order_pair(b, d);
    order_pair(b, c);
    order_pair(c, d);
    const unsigned short key[4] = {a, b, c, d};
    return find_row<4>(sc4, lmark4, key);
}

}  // namespace classes_detail

// 1 when the three words are a subset of the coordinate set of a listed S-box.
inline int check_sb3(unsigned short a, unsigned short b, unsigned short c) {
    return classes_detail::find_triple(a, b, c) >= 0;
}

// 1 when the four words are exactly the coordinate set of a listed S-box.
inline int check_sb4(unsigned short a, unsigned short b, unsigned short c, unsigned short d) {
    return classes_detail::find_set(a, b, c, d) >= 0;
}

// The sc4 row number of the set of the four words, or -1.
inline int get_sb4(unsigned short a, unsigned short b, unsigned short c, unsigned short d) {
    return classes_detail::find_set(a, b, c, d);
}
