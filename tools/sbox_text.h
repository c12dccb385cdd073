// The one S-box parser of sbtool: an S-box argument is hexadecimal, S(0) first, when it is
// sixteen hexadecimal digits ("c56b90ad3ef84712"), the same after "0x" or "0X"
// ("0xc56b90ad3ef84712") or eight groups of two digits separated by blanks
// ("c5 6b 90 ad 3e f8 47 12"); otherwise it is sixteen decimal values separated by commas or
// blanks ("12,5,6,11,..." or "12 5 6 11 ..."). "@FILE" names a file of such S-boxes, one a
// line, with blank lines and "#" comments (from "#" to the end of the line) allowed; a comment
// after an S-box names it. "@-" reads the file from standard input.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "sbox/sbox.h"

using sbox_values = std::array<int, 16>;

// One S-box and where it came from ("argument \"...\"" or "FILE:LINE"), for messages.
// name is the text of the comment that follows the S-box on its line in an @FILE, trimmed;
// empty when there is none.
struct sourced_sbox {
    sbox_values values;
    std::string where;
    std::string name;
};

// Parses one S-box text. Values must lie in 0..15; with require_bijection they must also be
// distinct. Throws a bad-data error that starts with `where`.
sbox_values parse_sbox_text(const std::string& text, const std::string& where, bool require_bijection);

// One decimal value of an S-box or a target list: at most six digits, no sign, 0..15. Throws a
// bad-data error that starts with `where` otherwise.
int parse_decimal_value(const std::string& token, const std::string& where);

// Expands S-box arguments in order; an @FILE expands in place, in file order.
std::vector<sourced_sbox> expand_sbox_args(const std::vector<std::string>& args, bool require_bijection);

// The value that occurs twice, or -1 when the sixteen values are a bijection; every value must
// lie in 0..15 (in_range).
int repeated_value(const sbox_values& v);

Sbox make_sbox(const sbox_values& v);

// Whether all sixteen values lie in 0..15.
bool in_range(const sbox_values& v);

// The sixteen values in decimal, two blanks apart, as a search output prints them (any value).
std::string values_text(const sbox_values& v);

// The sixteen values as hexadecimal digits, S(0) first ("c56b90ad3ef84712"); values must lie
// in 0..15.
std::string hex_text(const sbox_values& v);

// The inverse of a bijection.
sbox_values inverse_of(const sbox_values& v);
