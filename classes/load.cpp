// Loading the S-box lists and building the class tables, with the self-checks that prove
// every invariant the lookups rely on.
//
// The target lists are user input and are checked where they enter. Each fault ends the load
// with status 1 and one line naming the file and the record (counted from 1 in its file):
//
//   "<file>: cannot be opened\n"
//   "<file>: record <r>: \"<token>\" is not a number\n"
//   "<file>: record <r>: a value cannot be read as a number\n"
//        (every token looks like a number, yet the reader failed on one of them)
//   "<file>: record <r>: not a permutation of 0..15 (value <v> out of range)\n"
//   "<file>: record <r>: not a permutation of 0..15 (value <v> repeated)\n"
//   "<file>: record <r>: more than <36900 or 30800> records\n"
//   "<file>: record <r>: more than 2680 components\n"
//   "<file>: record <r>: more than 250000 triples\n"
//
// Values are shown as read, modulo 65536 (-1 shows as 65535); a token is shown up to 20
// characters, anything but a printable character as '?'. A record cut short by the end of the
// file is dropped without a message. Two records with the same coordinate set are not an input
// fault here: the sort check reports them ("Bad sc4 at ").
#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

#include "classes/quikfnd3.h"
#include "foundation/fatal.h"
#include "sbox/sbox.h"

int valid[65536];
uint64_t component_bits[1024];
pair_list_type list[component_capacity];
unsigned lcnt;
unsigned sbcnt;
unsigned short sb4[sbox_capacity][4];
unsigned short sc4[sbox_capacity][4];
int lmark4[component_capacity][2];
unsigned short sb3[triple_capacity][3];
unsigned sb3cnt;
int lmark3[component_capacity][2];

namespace {

// Every run of sc4 rows starts with a different component, so the runs never outnumber the
// components and the run capacity cannot be reached.
static_assert(component_capacity <= run_capacity, "runs are bounded by the components");

// Scratch for sorting: projections with their row.
struct ProjectedRow {
    uint64_t triple;
    int row;
};

constexpr unsigned triple_slot_bits = 19;
constexpr unsigned triple_slot_mask = (1u << triple_slot_bits) - 1;
static_assert(triple_capacity < (1u << triple_slot_bits) / 2, "triple set stays half empty");

// Pure helpers that read no state.
// One load of the lists: the scratch it works in (a few megabytes, on the heap while the load
// runs) and its phases, which build the class tables.
struct list_loader {
    // Coordinate words of the records read from "sb2.txt" (a) and "sb3.txt" (b), in file order.
    unsigned short a_words[sb2_capacity][4];
    unsigned short b_words[sb3_file_capacity][4];
    unsigned acnt;
    // The path the first list is read from, and its name in messages ("sb2.txt").
    std::string sb2_path;
    std::string sb2_name;
    unsigned bcnt;
    Sbox record_buffer;

    // The four partial triple lists: sc4 row numbers, one representative per distinct projection.
    int sb3p[4][sbox_capacity];
    unsigned sb3pcnt[4];

    // Scratch for sorting: rows packed into one number each, and projections with their row.
    uint64_t row_keys[sbox_capacity];
    ProjectedRow projected[sbox_capacity];

    // Distinct triples met while indexing, an open-addressing set of packed triples. Slot value 0
    // is free: no triple is 0, as no coordinate word of a bijective S-box is 0.
    uint64_t triple_slots[1u << triple_slot_bits];
    unsigned distinct_triples;

    // How the load went.
    load_outcome outcome;

    // Records the fault of this load; returns false so that phases can return it directly.
    bool fail(const std::string& message, int status) {
        outcome.failed = true;
        outcome.message = message;
        outcome.status = status;
        return false;
    }

    // "sb2.txt: record 3: " (or the list's own name) for the record behind load row i (rows of
    // the list come first).
    std::string record_prefix(unsigned i) {
        if (i < acnt) return sb2_name + ": record " + std::to_string(i + 1) + ": ";
        return "sb3.txt: record " + std::to_string(i - acnt + 1) + ": ";
    }

    // Three words as one number ordered like the triples.
    uint64_t pack3(unsigned short a, unsigned short b, unsigned short c) {
        return (uint64_t(a) << 32) | (uint64_t(b) << 16) | c;
    }

    // The triple of an ascending row that omits word 3 - order (order 0 omits w3, 3 omits w0).
    uint64_t projection(const unsigned short* w, int order) {
        switch (order) {
        case 0: return pack3(w[0], w[1], w[2]);
        case 1: return pack3(w[0], w[1], w[3]);
        case 2: return pack3(w[0], w[2], w[3]);
        default: return pack3(w[1], w[2], w[3]);
        }
    }

    // The triple set slot that holds t, or the free slot where t belongs.
    uint64_t* triple_slot(uint64_t t) {
        unsigned s = unsigned((t * 0x9E3779B97F4A7C15ull) >> (64 - triple_slot_bits));
        while (triple_slots[s] != 0 && triple_slots[s] != t) s = (s + 1) & triple_slot_mask;
        return &triple_slots[s];
    }

    // ---- Phase 1: reading ----

    // The token shown in a message: at most 20 characters, non-printable ones as '?'.
    std::string shown_token(const std::string& token) {
        std::string shown;
        for (size_t k = 0; k < token.size() && k < 20; ++k)
            shown += std::isgraph(static_cast<unsigned char>(token[k])) ? token[k] : '?';
        return token.size() > 20 ? shown + "..." : shown;
    }

    // Whether the token is an optionally signed decimal number.
    bool is_number_token(const std::string& token) {
        size_t k = (token[0] == '+' || token[0] == '-') ? 1 : 0;
        if (k == token.size()) return false;
        for (; k < token.size(); ++k)
            if (!std::isdigit(static_cast<unsigned char>(token[k]))) return false;
        return true;
    }

    // Message for a record that could not be read: names the first of its sixteen tokens that
    // is not a number.
    std::string not_a_number(std::istream& in, std::streamoff start, const std::string& where) {
        in.clear();
        in.seekg(start);
        std::string token;
        std::istream& tokens = in;
        for (int k = 0; k < 16 && tokens >> token; ++k)
            if (!is_number_token(token)) return where + "\"" + shown_token(token) + "\" is not a number\n";
        return where + "a value cannot be read as a number\n";
    }

    // Empty when the sixteen values are a permutation of 0..15, else what is wrong.
    std::string permutation_fault(const unsigned short* n) {
        unsigned seen = 0;
        for (int x = 0; x < 16; ++x) {
            if (n[x] > 15) return "value " + std::to_string(n[x]) + " out of range";
            if (seen & (1u << n[x])) return "value " + std::to_string(n[x]) + " repeated";
            seen |= 1u << n[x];
        }
        return "";
    }

    // Reads records from the file into words until the end; a record cut short by the end is
    // dropped. The file is read as a stream, so its size does not matter.
    bool read_records(std::istream& in, const std::string& name, unsigned short (*words)[4],
                      unsigned capacity, unsigned& count) {
        for (;;) {
            std::streamoff start = in.tellg();
            in >> record_buffer;
            if (in.fail() && in.eof()) return true;
            auto where = [&] { return name + ": record " + std::to_string(count + 1) + ": "; };
            if (in.bad()) return fail(name + ": cannot be read\n", 1);
            if (in.fail()) return fail(not_a_number(in, start, where()), 1);
            std::string wrong = permutation_fault(record_buffer.n);
            if (!wrong.empty()) return fail(where() + "not a permutation of 0..15 (" + wrong + ")\n", 1);
            if (count == capacity)
                return fail(where() + "more than " + std::to_string(capacity) + " records\n", 1);
            for (int k = 0; k < 4; ++k) words[count][k] = bits_to_word(record_buffer.b[k]);
            ++count;
        }
    }

    // Announces, opens and closes one list file; reads it when selected. A file that is not
    // selected may be missing.
    bool read_list(const std::string& path, const std::string& name, bool selected, unsigned short (*words)[4],
                   unsigned capacity, unsigned& count, std::ostream& out) {
        out << "reading " << name << "\n";
        count = 0;
        std::ifstream file(path);
        if (!selected) return true;
        std::error_code ignored;
        if (!file || std::filesystem::is_directory(path, ignored)) return fail(name + ": cannot be opened\n", 1);
        return read_records(file, name, words, capacity, count);
    }

    // ---- Phase 2: component index and pair map ----

    // Clears every table and the triple set. Every lmark range starts as absent ({-1, 0}), so
    // nothing of an earlier load is found and lookups answer absent until the ranges are built.
    void reset_tables() {
        std::fill(valid, valid + 65536, -1);
        std::fill(component_bits, component_bits + 1024, 0);
        for (pair_list_type& entry : list) {
            std::fill(entry.l, entry.l + 170, 0);
            entry.v = -1;
        }
        for (unsigned c = 0; c < component_capacity; ++c) {
            lmark4[c][0] = lmark3[c][0] = -1;
            lmark4[c][1] = lmark3[c][1] = 0;
        }
        std::memset(sb4, 0, sizeof sb4);
        std::memset(sc4, 0, sizeof sc4);
        std::memset(sb3, 0, sizeof sb3);
        std::memset(triple_slots, 0, sizeof triple_slots);
        lcnt = sbcnt = sb3cnt = distinct_triples = 0;
        std::fill(sb3pcnt, sb3pcnt + 4, 0u);
    }

    // Checks that the S-box with coordinate words w keeps components and triples within their
    // capacities, before anything of it is stored.
    bool fits_capacities(const unsigned short* w) {
        unsigned fresh = 0;
        for (int k = 0; k < 4; ++k) fresh += valid[w[k]] == -1;
        if (lcnt + fresh > component_capacity)
            return fail(record_prefix(sbcnt) + "more than 2680 components\n", 1);
        unsigned short s[4] = {w[0], w[1], w[2], w[3]};
        std::sort(s, s + 4);
        unsigned new_triples = 0;
        for (int order = 0; order < 4; ++order) new_triples += *triple_slot(projection(s, order)) == 0;
        if (distinct_triples + new_triples > triple_capacity)
            return fail(record_prefix(sbcnt) + "more than 250000 triples\n", 1);
        for (int order = 0; order < 4; ++order) *triple_slot(projection(s, order)) = projection(s, order);
        distinct_triples += new_triples;
        return true;
    }

    // Appends one S-box as row sbcnt of sb4 and sc4, indexing new components and setting the
    // pair bits of every two of its positions.
    bool add_sbox(const unsigned short* w) {
        if (!fits_capacities(w)) return false;
        for (int k = 0; k < 4; ++k) {
            sb4[sbcnt][k] = sc4[sbcnt][k] = w[k];
            if (valid[w[k]] != -1) continue;
            list[lcnt].v = w[k];
            valid[w[k]] = static_cast<int>(lcnt++);
            component_bits[w[k] >> 6] |= uint64_t(1) << (w[k] & 63);
        }
        for (int j = 0; j < 4; ++j)
            for (int k = 0; k < 4; ++k)
                if (j != k) {
                    int d = valid[w[k]];
                    list[valid[w[j]]].l[d >> 4] |= static_cast<unsigned short>(1u << (d & 15));
                }
        ++sbcnt;
        return true;
    }

    // Phase 2: indexes the records of "sb2.txt", then those of "sb3.txt".
    bool build_index(std::ostream& out) {
        out << acnt << "  " << bcnt << "  Setting valid array\n";
        reset_tables();
        for (unsigned i = 0; i < acnt; ++i)
            if (!add_sbox(a_words[i])) return false;
        for (unsigned i = 0; i < bcnt; ++i)
            if (!add_sbox(b_words[i])) return false;
        return true;
    }

    // Phase 3: every word of every row is indexed and every pair of a row is in the pair map.
    bool check_index() {
        for (unsigned i = 0; i < sbcnt; ++i)
            for (int j = 0; j < 4; ++j) {
                int c = valid[sc4[i][j]];
                if (c == -1) return fail("Bad valid table\n", 1);
                for (int k = 0; k < 4; ++k) {
                    int d = valid[sc4[i][k]];
                    if (k != j && (d == -1 || !((list[c].l[d >> 4] >> (d & 15)) & 1)))
                        return fail("bad list tables\n", 1);
                }
            }
        return true;
    }

    // ---- Phases 4 to 7: sc4 ----

    // A row of four words as one number ordered like the rows.
    uint64_t pack4(const unsigned short* w) {
        return (uint64_t(w[0]) << 48) | (uint64_t(w[1]) << 32) | (uint64_t(w[2]) << 16) | w[3];
    }

    // Writes a packed row back into w.
    void unpack4(uint64_t key, unsigned short* w) {
        for (int k = 3; k >= 0; --k, key >>= 16) w[k] = static_cast<unsigned short>(key);
    }

    // The mismatch report for neighbouring sc4 rows j and i.
    std::string sc4_mismatch(unsigned j, unsigned i) {
        std::string text = "Bad sc4 at " + std::to_string(j) + "  " + std::to_string(i) + "\n";
        for (int c = 0; c < 4; ++c)
            text += std::to_string(sc4[j][c]) + "  " + std::to_string(sc4[i][c]) + "\n";
        return text;
    }

    // Phase 4: every row's words in ascending order.
    void sort_level0(std::ostream& out) {
        out << "Sorting level 0\n";
        for (unsigned i = 0; i < sbcnt; ++i) std::sort(sc4[i], sc4[i] + 4);
    }

    // Phase 5: rows ordered by their first word, then checked.
    bool sort_level1(std::ostream& out) {
        out << "Sorting level 1\n";
        for (unsigned i = 0; i < sbcnt; ++i) row_keys[i] = pack4(sc4[i]);
        std::sort(row_keys, row_keys + sbcnt, [](uint64_t x, uint64_t y) { return (x >> 48) < (y >> 48); });
        for (unsigned i = 0; i < sbcnt; ++i) unpack4(row_keys[i], sc4[i]);
        out << "Verifying sc4 as sorted by item 0\n";
        for (unsigned i = 1; i < sbcnt; ++i)
            if (sc4[i - 1][0] > sc4[i][0]) return fail(sc4_mismatch(i - 1, i), 1);
        return true;
    }

    // lmark entries of the runs of table rows (count of them) that share their first word: the
    // half-open row range of each run at the list index of that word; {-1, 0} for the others.
    template <int width>
    void mark_runs(const unsigned short (*table)[width], unsigned count, int (*lmark)[2]) {
        for (unsigned c = 0; c < lcnt; ++c) {
            lmark[c][0] = -1;
            lmark[c][1] = 0;
        }
        for (unsigned start = 0, end; start < count; start = end) {
            for (end = start + 1; end < count && table[end][0] == table[start][0];) ++end;
            int c = valid[table[start][0]];
            lmark[c][0] = static_cast<int>(start);
            lmark[c][1] = static_cast<int>(end);
        }
    }

    // Phase 6: rows ordered by (w1, w2, w3) within each run of equal first words, lmark4 set,
    // then every row checked to be strictly greater than the one before.
    bool sort_level2(std::ostream& out) {
        out << "Sorting level 2\n";
        for (unsigned start = 0, end; start < sbcnt; start = end) {
            for (end = start + 1; end < sbcnt && (row_keys[end] >> 48) == (row_keys[start] >> 48);) ++end;
            std::sort(row_keys + start, row_keys + end);
            for (unsigned i = start; i < end; ++i) unpack4(row_keys[i], sc4[i]);
        }
        mark_runs<4>(sc4, sbcnt, lmark4);
        out << "Verifying sc4 as sorted\n";
        for (unsigned i = 1; i < sbcnt; ++i)
            if (pack4(sc4[i - 1]) >= pack4(sc4[i])) return fail(sc4_mismatch(i - 1, i), 1);
        return true;
    }

    // Phase 7: every loaded S-box is found in sc4.
    bool check_level4() {
        for (unsigned i = 0; i < sbcnt; ++i)
            if (!check_sb4(sb4[i][0], sb4[i][1], sb4[i][2], sb4[i][3]))
                return fail("Incomplete sc4 at " + std::to_string(i) + "\n", 1);
        return true;
    }

    // ---- Phases 8 to 12: the partial triple lists ----

    // Projection of the given order of the sc4 row at position k of partial list `order`.
    uint64_t listed(int order, unsigned k) {
        return projection(sc4[sb3p[order][k]], order);
    }

    // Partial list of one order: the distinct projections ascending, each represented by the
    // lowest row holding it, or the highest when take_highest is set.
    void build_partial(int order, bool take_highest) {
        for (unsigned i = 0; i < sbcnt; ++i) projected[i] = {projection(sc4[i], order), int(i)};
        std::sort(projected, projected + sbcnt, [](const ProjectedRow& x, const ProjectedRow& y) {
            return x.triple < y.triple || (x.triple == y.triple && x.row < y.row);
        });
        unsigned n = 0;
        for (unsigned k = 0; k < sbcnt; ++k) {
            if (k == 0 || projected[k].triple != projected[k - 1].triple)
                sb3p[order][n++] = projected[k].row;
            else if (take_highest)
                sb3p[order][n - 1] = projected[k].row;
        }
        sb3pcnt[order] = n;
    }

    // Phase 8: lists 1 to 3, each with its heading and count line.
    void build_partials_1_to_3(std::ostream& out) {
        for (int order = 0; order < 3; ++order) {
            out << "Preparing partial sb3 list " << order + 1 << "\n";
            build_partial(order, false);
            out << "sb3 partial " << order + 1 << " cnt " << sb3pcnt[order] << "\n";
        }
    }

    // Position of the first break in the strict ascending order of a partial list, or 0.
    unsigned first_disorder(int order) {
        for (unsigned k = 1; k < sb3pcnt[order]; ++k)
            if (listed(order, k - 1) >= listed(order, k)) return k;
        return 0;
    }

    // Phase 9: lists 1 to 3 are strictly ascending. The messages of lists 2 and 3 carry each
    // other's number.
    bool check_partials_1_to_3(std::ostream& out) {
        static const char* const messages[3] = {"Bad sb3 partial 1 at ", "Bad sb3 partial 3 at ",
                                                "Bad sb3 partial 2 at "};
        out << "Checking each partial list 1-3\n";
        for (int order = 0; order < 3; ++order)
            if (unsigned k = first_disorder(order))
                return fail(messages[order] + std::to_string(sb3p[order][k - 1]) + "  " +
                                std::to_string(sb3p[order][k]) + "\n",
                            1);
        return true;
    }

    // The four words of an sc4 row separated by two blanks, with a line end.
    std::string row_text(int row) {
        return std::to_string(sc4[row][0]) + "  " + std::to_string(sc4[row][1]) + "  " +
               std::to_string(sc4[row][2]) + "  " + std::to_string(sc4[row][3]) + "\n";
    }

    // Phases 10 and 11: list 4, whose equal triples are represented by the row of the later
    // run, then its order check.
    bool build_partial_4(std::ostream& out) {
        out << "Setting sb3 partial table 4\n";
        build_partial(3, true);
        out << "sb3 partial 4 cnt " << sb3pcnt[3] << "\n";
        out << "Checking partial list 4\n";
        unsigned i = first_disorder(3);
        if (i == 0) return true;
        int j = sb3p[3][i - 1];
        int k = sb3p[3][i];
        return fail("Bad sb3 partial 4 at " + std::to_string(i) + "  " + std::to_string(j) + "  " +
                        std::to_string(k) + "\n" + row_text(j) + row_text(k),
                    1);
    }

    // Whether partial list `order` holds the projection of the row with the given projection:
    // list 1 through a cursor that only moves forward, the others by binary search.
    bool partial_holds(int order, uint64_t wanted, unsigned& cursor) {
        if (order == 0) {
            while (cursor < sb3pcnt[0] && listed(0, cursor) != wanted) ++cursor;
            return cursor < sb3pcnt[0];
        }
        for (unsigned lo = 0, hi = sb3pcnt[order]; lo < hi;) {
            unsigned m = (lo + hi) / 2;
            uint64_t probe = listed(order, m);
            if (probe == wanted) return true;
            if (probe > wanted)
                hi = m;
            else
                lo = m + 1;
        }
        return false;
    }

    // Phase 12: every row's projection is in each partial list; a miss is reported and the
    // load goes on.
    void check_partials_complete(std::ostream& out) {
        static const char* const headings[4] = {
            "Checking partial tables for completeness\n", "Checking partial table 2 for completeness\n",
            "Checking partial table 3 for completeness\n", "Checking partial table 4 for completeness\n"};
        for (int order = 0; order < 4; ++order) {
            out << headings[order];
            unsigned cursor = 0;
            for (unsigned i = 0; i < sbcnt; ++i)
                if (!partial_holds(order, projection(sc4[i], order), cursor)) {
                    out << "Bad partial table " << order + 1 << "\n";
                    break;
                }
        }
    }

    // ---- Phases 13 to 17: sb3 ----

    // Phase 13: sb3 as the merge of the four ascending partial lists, every triple once.
    bool merge_triples(std::ostream& out) {
        out << "Setting sb3 table\n";
        unsigned cursor[4] = {0, 0, 0, 0};
        uint64_t last = 0;
        for (;;) {
            int best = -1;
            uint64_t smallest = 0;
            for (int order = 0; order < 4; ++order) {
                while (cursor[order] < sb3pcnt[order] && listed(order, cursor[order]) <= last) ++cursor[order];
                if (cursor[order] < sb3pcnt[order] && (best < 0 || listed(order, cursor[order]) < smallest)) {
                    best = order;
                    smallest = listed(order, cursor[order]);
                }
            }
            if (best < 0) break;
            // The triple set of phase 2 keeps the distinct triples within capacity.
            if (sb3cnt == triple_capacity) return fail("sb3: more than 250000 triples\n", 1);
            for (int k = 2; k >= 0; --k) sb3[sb3cnt][k] = static_cast<unsigned short>(smallest >> (16 * (2 - k)));
            ++sb3cnt;
            last = smallest;
        }
        out << "sb3 cnt " << sb3cnt << "\n";
        return true;
    }

    // The three words of an sb3 entry separated by two blanks, with a line end.
    std::string triple_text(unsigned e) {
        return std::to_string(sb3[e][0]) + "  " + std::to_string(sb3[e][1]) + "  " +
               std::to_string(sb3[e][2]) + "\n";
    }

    // Phases 14 and 15: sb3 strictly ascending, then lmark3.
    bool check_triples(std::ostream& out) {
        out << "Checking sb3 list\n";
        for (unsigned i = 1; i < sb3cnt; ++i)
            if (pack3(sb3[i - 1][0], sb3[i - 1][1], sb3[i - 1][2]) >= pack3(sb3[i][0], sb3[i][1], sb3[i][2]))
                return fail("Bad sb3 at " + std::to_string(i - 1) + "  " + std::to_string(i) + "\n" +
                                triple_text(i - 1) + triple_text(i),
                            1);
        mark_runs<3>(sb3, sb3cnt, lmark3);
        return true;
    }

    // Phase 16: all four triples of every row are found; a miss ends the load with status 0.
    bool check_level3(std::ostream& out) {
        out << "Checking sb3 for completeness\n";
        for (unsigned i = 0; i < sbcnt; ++i) {
            const unsigned short* w = sc4[i];
            const bool found[4] = {check_sb3(w[0], w[1], w[2]) != 0, check_sb3(w[0], w[1], w[3]) != 0,
                                   check_sb3(w[0], w[2], w[3]) != 0, check_sb3(w[1], w[2], w[3]) != 0};
            for (int order = 0; order < 4; ++order)
                if (!found[order])
                    return fail(
                        "Incomplete sb3 order " + std::to_string(order) + " at " + std::to_string(i) + "\n", 0);
        }
        return true;
    }

    // Every phase in order; false at the first fault.
    bool run_phases(int x, std::ostream& out) {
        if (!read_list(sb2_path, sb2_name, x == 1 || x == 3, a_words, sb2_capacity, acnt, out)) return false;
        if (!read_list("sb3.txt", "sb3.txt", x == 2 || x == 3, b_words, sb3_file_capacity, bcnt, out)) return false;
        if (!build_index(out) || !check_index()) return false;
        sort_level0(out);
        if (!sort_level1(out) || !sort_level2(out) || !check_level4()) return false;
        build_partials_1_to_3(out);
        if (!check_partials_1_to_3(out) || !build_partial_4(out)) return false;
        check_partials_complete(out);
        if (!merge_triples(out) || !check_triples(out) || !check_level3(out)) return false;
        out << "lcnt " << lcnt << "  sbcnt " << sbcnt << "  sb3cnt " << sb3cnt << "\n";
        return true;
    }
};

}  // namespace

// Builds every table from the selected lists; a fault is returned instead of ending the run.
load_outcome load_valid(int x, std::ostream& out, const std::string& sb2_path, const std::string& sb2_name) {
    const std::unique_ptr<list_loader> loader = std::make_unique<list_loader>();
    loader->sb2_path = sb2_path;
    loader->sb2_name = sb2_name.empty() ? sb2_path : sb2_name;
    loader->run_phases(x, out);
    return loader->outcome;
}

// Builds every table from the selected lists; a failed check ends the process.
void init_valid(int x, const std::string& sb2_path) {
    load_outcome result = load_valid(x, std::cout, sb2_path);
    if (result.failed) fatal(result.message, result.status);
}
