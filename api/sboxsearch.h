// sboxsearch: the search for the shortest straight-line programs that compute 4-bit S-boxes on
// a register machine of five 16-bit registers, as a library. Make a target list from S-boxes,
// load it, run passes of the search with callbacks for its records and progress (and cancel a
// run from any thread), analyse an S-box and turn a record into code. prgs1 is this header's
// first user. The header holds the library's whole public face and needs only the standard
// library.
//
// A process holds one loaded target list (the search's class tables): loading a list replaces
// the one loaded before. Several runs, each in a directory of its own, may run on the loaded
// list at once, on threads of their own; a list cannot be loaded while a run is going on.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace sboxsearch {

// The library's version, as prgs1 --version prints it ("1.0.0").
const char* version();

// Every refusal of the library: the message as sbtool and prgs1 word it, and the exit status
// they end with (1: bad data, 2: a request that makes no sense, as a usage error). The loader's
// messages are those prgs1 prints, with their line end; all others are one line without one.
class error : public std::runtime_error {
public:
    error(int status, const std::string& message) : std::runtime_error(message), status_(status) {}
    int status() const noexcept { return status_; }

private:
    int status_;
};

// An S-box: its values S(0) ... S(15).
using sbox = std::array<int, 16>;

// An S-box from text: sixteen hexadecimal digits ("c56b90ad3ef84712", also after "0x"), eight
// blank-separated pairs of them, or sixteen decimal values separated by commas or blanks.
// Values must lie in 0..15 and, with `bijection`, be distinct.
sbox parse_sbox(const std::string& text, bool bijection = true);
// The sixteen hexadecimal digits of an S-box whose values lie in 0..15, S(0) first.
std::string hex(const sbox& s);

// A 16 x 16 table of an S-box: row a, column b.
using table = std::array<std::array<int, 16>, 16>;

// What sbtool analyze reports on an S-box.
struct analysis {
    sbox values{};
    bool bijective = false;
    sbox inverse{};                 // when bijective
    bool involution = false;        // S(S(x)) = x for every x
    int uniformity = 0;             // largest difference table entry over input differences a != 0
    int linearity = 0;              // largest |linear table entry| over output masks b != 0
    int nonlinearity = 0;           // 8 - linearity
    int differential_branch = 0;    // least wt(x XOR x') + wt(S(x) XOR S(x')) over x != x'
    int linear_branch = 0;          // least wt(a) + wt(b) over masks with a linear table entry != 0
    int max_xor = 0;                // largest difference table entry over a, b != 0
    int max_lat = 0;                // largest count of inputs an approximation holds on, a, b != 0
    int single = 0;                 // 1 when a one-bit input difference can give a one-bit output one
    std::vector<int> fixed_points;  // the x with S(x) = x
    std::array<int, 4> degrees{};   // per output bit: its algebraic degree
    std::array<std::string, 4> anf; // per output bit: 16 ANF coefficients, monomial m at position m
    std::array<std::string, 4> polynomials;  // per output bit: the ANF as "x0x1 + x2 + 1"
    table difference_table{};       // [a][b]: the inputs x with S(x) XOR S(x XOR a) = b
    table linear_table{};           // [a][b]: on how many inputs parity(a&x) = parity(b&S(x)), minus 8
};

// The analysis of an S-box whose values lie in 0..15; one that is no bijection too.
analysis analyze(const sbox& s);

// The variants of each S-box that a target list holds besides the S-box itself.
struct variants {
    bool inverse = false;  // its inverse
    bool perms = false;    // all 24 permutations of its input bits
    bool in_xor = false;   // all 16 constants XORed to its input
    bool out_xor = false;  // all 16 constants XORed to its output
};

// The target list that sbtool targets makes: for each S-box, for S then its inverse, for each
// input permutation, input and output constant, the variant; each set of coordinate functions
// once (the search reaches an S-box with its output bits in any order). Every S-box must be a
// bijection, and the list must fit the loader.
std::vector<sbox> target_list(const std::vector<sbox>& sboxes, const variants& which = {});
// A list as a target list file holds it (sb2.txt): one S-box a line, decimal, two blanks apart.
std::string target_list_text(const std::vector<sbox>& list);

// How a list is loaded.
struct load_options {
    // Where the loader's lines go, as prgs1 prints them ("Starting Test" ... "initializing
    // perms"); nowhere when null.
    std::ostream* console = nullptr;
    // Read the list as prgs1 does: any signed number modulo 65536, a last S-box cut short dropped
    // without a word. Otherwise such a list is refused as sbtool search refuses it, naming the line.
    bool lenient = false;
};

// What the loader counted of the loaded list.
struct list_info {
    int sboxes = 0;      // rows (S-boxes with distinct coordinate sets)
    int components = 0;  // distinct coordinate functions
    int triples = 0;     // distinct triples of coordinate functions
};

// Loads a target list, given as its text (named sb2.txt in messages) or by its path, replacing
// the list loaded before in this process. Refused while a run is going on. After a refused list
// no list is loaded.
list_info load_targets(const std::string& text, const load_options& options = {});
list_info load_targets_file(const std::string& path, const load_options& options = {});

// The seed of prgs1's search.
constexpr uint32_t default_seed = 216750110;

// What a run searches and where it writes.
struct run_options {
    // The run's directory: prgs1b.txt, the checkpoint beside it, and the list it searches as
    // sb2.txt (written there when missing; a run refuses a directory whose sb2.txt holds another
    // list than the loaded one). Made when missing (its parent must exist). Empty: the current
    // directory.
    std::string dir;
    long passes = -1;         // passes in all, those of a resumed run included; -1: until cancelled
    int threads = 1;          // 1: the sequential search; 0: one per core this process may use
    uint32_t seed = default_seed;
    bool exhaustive = false;  // one pass with the random gate open: the whole tree (passes 1 or -1)
    int max_length = 16;      // programs of at most this many instructions (at most 20)
    std::array<int, 3> deadlines = {7, 11, 14};  // indices by which outputs 1, 2, 3 must be fixed
    // Write prgs1b.txt.checkpoint at every pass, within passes every checkpoint_seconds (on more
    // than one thread, and in an exhaustive run) and at the end, so that a run can go on.
    bool checkpoints = false;
    int checkpoint_seconds = 60;
    // Go on with the run in dir from its checkpoint (and keep writing checkpoints); the run's
    // seed and limits are taken from it, unless others than the defaults are asked for (refused).
    bool resume = false;
    bool force = false;       // start over where an earlier run's output holds records
    bool quiet = false;       // leave the progress lines ("addop2 ...") out of the console
    // The console lines as prgs1 prints them, written from the run's thread; nowhere when null.
    std::ostream* console = nullptr;
    double progress_seconds = 0.1;    // the longest wait between two progress calls
};

// A record as the run writes it to prgs1b.txt.
struct record {
    int number = 0;                    // its number ("found N")
    int row = 0;                       // the S-box's row in the loaded list
    int length = 0;                    // instructions
    std::vector<std::string> program;  // the instructions, "xor 0,1", "not 1", ...
    std::string text;                  // the record, every line, as written to the file
};

// How far a run has come.
struct progress {
    int pass = 0;              // the pass it is in
    int start_pair = -1;       // the start pair (0..9) of that pass begun last; -1 before the first
    int passes_done = 0;       // passes completed, a resumed run's earlier ones included
    long records = 0;          // records written, a resumed run's earlier ones included
    uint64_t verifications = 0;  // candidate verifications, as of the latest start pair or pass end
    double seconds = 0;        // since the run began
};

// Who hears of a run: called on the thread that runs it, in the order of the output.
struct run_callbacks {
    std::function<void(const record&)> on_record;
    std::function<void(const progress&)> on_progress;  // at start pairs, and every progress_seconds
};

// How a run ended.
struct run_summary {
    bool cancelled = false;
    progress figures;   // as it ended
    std::string note;   // why a resumed run started over or had nothing to do; empty when neither
};

// One run of the search on the loaded list. Constructing it checks the options and its
// directory and takes the directory's lock (one search a directory, in this process too); the
// lock is given back once the run has ended (or was refused) or the object is destroyed. A run runs once. A write to its output that fails once it runs (a full disk) ends
// the process with one line on standard output, as it ends prgs1.
class search {
public:
    explicit search(const run_options& options);
    ~search();  // cancels a run still going and waits for its end
    search(const search&) = delete;
    search& operator=(const search&) = delete;

    // Runs the passes (until cancelled when passes is -1) on a thread of its own, and calls the
    // callbacks on this thread meanwhile. A callback that throws cancels the run; the exception
    // comes out of run() once the run has ended, its files whole.
    run_summary run(const run_callbacks& callbacks = {});

    // The same run, driven step by step: start() begins it; next() waits at most `seconds` for
    // what comes next: a record, the figures when a start pair begins or the time is up, or the
    // end (then again at every call); finish() waits for the end and gives the summary.
    struct event {
        enum kind_type { record_event, progress_event, end_event } kind = progress_event;
        sboxsearch::record record;      // of a record_event
        sboxsearch::progress progress;  // of every event: the run's figures then
    };
    void start();
    event next(double seconds);
    run_summary finish();

    // Ends the run soon, from any thread: it stops at its next step and writes no further
    // checkpoint, so that a resumed run goes on from its latest one. Output files stay whole.
    void cancel();

private:
    struct impl;
    std::unique_ptr<impl> impl_;
};

// What code to make of a record (sbtool emit's options).
struct emit_options {
    std::string lang = "c";         // "c" (a C function), "asm" (x86-64) or "dot" (Graphviz)
    std::string type = "uint64_t";  // the C word type
    std::string name = "sbox";      // the function or graph name
    // Code for exactly this S-box (any form parse_sbox takes), which the record must compute up
    // to the order of its input and of its output bits: the wiring is folded into the code.
    // Empty: the record's own S-box.
    std::string sbox;
    bool inverse = false;           // with sbox: code for its inverse
};

// The code for a record given as its text (record::text, or the record's lines from a file).
std::string emit(const std::string& record_text, const emit_options& options = {});
// The code for the record with report number `number` in the search output at path.
std::string emit_from_file(const std::string& path, long number, const emit_options& options = {});

// For programs: a failed allocation anywhere ends the process with status 1 and "Out of memory"
// on standard output, as prgs1 ends then, instead of an exception.
void end_process_on_out_of_memory();

}  // namespace sboxsearch
