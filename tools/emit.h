// Code from a record of the search output: bitsliced C, x86-64 assembly or a Graphviz graph of
// its program's data flow, for the record's own S-box or for one it computes up to the order
// of its input and output bits (sbtool emit, and the library's emit).
#pragma once

#include <optional>
#include <string>

#include "tools/record.h"
#include "tools/sbox_text.h"
#include "tools/shortest.h"

// What code to make of a record.
struct emit_request {
    std::string lang = "c";          // "c", "asm" or "dot"
    std::string type = "uint64_t";   // the C word type
    std::string name = "sbox";       // the function or graph name
    std::optional<std::string> sbox; // code for exactly this S-box; none: the record's own
    bool inverse = false;            // with sbox: code for its inverse instead
};

// The request's usage faults, in the order sbtool emit reports them: an unknown language,
// assembly on another type than uint64_t, an inverse without an S-box (usage errors).
void check_emit_usage(const emit_request& q);
// The request's names: a type that is no C type name, a name that is no C identifier (bad data).
void check_emit_names(const emit_request& q);

// The record `number` of the file at path as split_output gives it, parsed and checked: whole,
// with its S-box in 0..15 and computed by its program (bad data naming path otherwise).
record checked_record(const raw_record& raw, const std::string& path, long number);

// The record with report number `number` in the search output at path ("-": standard input),
// checked as checked_record checks it; bad data naming path when there is none.
record find_record(const std::string& path, long number);

// The code the request asks for, for a checked record of the file at path (named in messages);
// refuses (bad data) a request's S-box that the record does not compute up to relabelling.
std::string emit_code(const record& r, const emit_request& q, const std::string& path);

// The C function of sbtool emit --sbox for record r wired by match m to compute target (each
// complemented input or output read or written with ~), with its comment, which names the
// record as `source` ("report 3"), but without the #include line: the function `name` on
// uint64_t words. The code is first run on all 16 inputs as it is wired; a bad-data error when
// it does not compute target, or when the program loads a constant that has no bitsliced form.
std::string c_function_for(const record& r, const program_match& m, const sbox_values& target,
                           const std::string& name, const std::string& source);

// Whether s is a C identifier that is not a keyword.
bool is_c_identifier(const std::string& s);
