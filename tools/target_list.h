// The check of a target list (the search's sb2.txt) before the search's loader reads it. The
// loader reads any signed number modulo 65536 (so "65548", "+12" and "-65524" all load as 12)
// and drops a last S-box cut short without a word; sbtool's commands refuse such a list first.
#pragma once

#include <string>

// Refuses (bad data, one line that starts with name) a text that cannot serve as a target
// list: a search output named by mistake; a token that is not a decimal value 0..15 as sbtool
// targets writes them, naming its line; a text without a single value; and a last S-box with
// fewer than sixteen values, naming the line where it starts. What only loading can tell (a
// repeated value, capacities, two S-boxes with one coordinate set) is left to the loader.
void check_target_list(const std::string& text, const std::string& name);

// The target list at path ("-" for standard input), checked by check_target_list; a directory
// or a file that cannot be read is refused as read_input refuses it.
std::string read_target_list(const std::string& path);
