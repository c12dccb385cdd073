// The code sbtool emit writes, for the commands that write code of their own (sbtool find).
#pragma once

#include <string>

#include "tools/record.h"
#include "tools/sbox_text.h"
#include "tools/shortest.h"

// The C function of sbtool emit --sbox for record r wired by match m to compute target (each
// complemented input or output read or written with ~), with its comment, which names the
// record as `source` ("report 3"), but without the #include line: the function `name` on
// uint64_t words. The code is first run on all 16 inputs as it is wired; a bad-data error when
// it does not compute target, or when the program loads a constant that has no bitsliced form.
std::string c_function_for(const record& r, const program_match& m, const sbox_values& target,
                           const std::string& name, const std::string& source);

// Whether s is a C identifier that is not a keyword.
bool is_c_identifier(const std::string& s);
