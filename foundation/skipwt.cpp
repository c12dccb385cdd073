#include <istream>

#include "foundation/bits.h"

// Skips blanks, tabs and line ends; at the end of the input takes one more character so that
// the stream's end-of-file state is set.
void skipwhite(std::istream& in) {
    for (;;) {
        int c = in.peek();
        if (c == std::istream::traits_type::eof()) {
            in.get();
            return;
        }
        if (c != ' ' && c != '\n' && c != '\r' && c != '\t') return;
        in.get();
    }
}

// Skips white space, then tells whether the input is exhausted.
bool skipwt_eof(std::istream& in) {
    skipwhite(in);
    return in.eof();
}
