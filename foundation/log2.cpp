#include "foundation/log2.h"

#include <string>

#include "foundation/fatal.h"

// Only the table lengths 2..512 have a variable count; anything else stops the run.
int get_log2(unsigned x, const char* y) {
    for (int n = 1; n <= 9; n++)
        if (x == (1u << n)) return n;
    fatal(std::string("ERROR in ") + (y ? y : "") + " not a power" + " of 2\n", 0);
}
