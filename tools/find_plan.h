// What a find searches for and the files of DIR that keep it, so that a stopped find goes on
// with --resume alone: sboxes.txt (the named S-boxes, an @FILE that names each) and
// variants.txt (the variants searched for). Each named S-box has a target list of its own: its
// variants, as sbtool targets makes them.
#pragma once

#include <string>
#include <vector>

#include "tools/shortest.h"
#include "tools/targets.h"

struct find_definition {
    std::vector<sourced_sbox> named;
    variant_options variants;
    std::vector<std::string> lists;  // per named S-box its target list, as sbtool targets writes it
};

// The variants of --variants: "none", or some of inverse, perms, in-xor and out-xor separated
// by commas. A usage error otherwise.
variant_options read_variants(const std::string& text);
// The same in the words --variants takes: "inverse,perms", or "none".
std::string variants_text(const variant_options& v);
// The constants that a program may add to compute a named S-box: those of the variants.
accepted_constants constants_of(const variant_options& v);

// The find for the named S-boxes: the target list of each one's variants, checked as sbtool
// targets and sbtool search check lists. A bad-data error otherwise, and when an S-box is
// named twice.
find_definition define_find(const std::vector<sourced_sbox>& named, const variant_options& variants);

// Writes the definition's files into dir, each whole.
void save_definition(const std::string& dir, const find_definition& d);
// Whether dir holds the files of a find.
bool holds_find(const std::string& dir);
// The definition kept in dir; a bad-data error that starts "cannot resume: " when its files are
// missing or malformed.
find_definition load_definition(const std::string& dir);

// Writes text to path through a temporary file beside it that is synced and renamed over it,
// so that path always holds a whole text. A bad-data error names the path when it fails.
void write_whole_file(const std::string& path, const std::string& text);
