#include "search/enumerate.h"

#include <cassert>
#include <cstring>
#include <sstream>

#include "random/random.h"
#include "search/run.h"
#include "search/status.h"
#include "search/idle_call.h"
#include "search/perm.h"
#include "search/verify.h"

namespace {

constexpr unsigned bit(int r) {
    return 1u << r;
}
// The bit of register r, none for -1.
constexpr unsigned bit_if(int r) {
    return r < 0 ? 0u : bit(r);
}
// Registers 0..r-1.
constexpr unsigned below(int r) {
    return bit(r) - 1;
}
// Every register of a set but its lowest.
constexpr unsigned all_but_lowest(unsigned set) {
    return set & (set - 1);
}
inline int lowest(unsigned set) {
    return __builtin_ctz(set);
}
// The registers in a set of at most eight.
inline unsigned count(unsigned set) {
    set = (set & 0x55u) + ((set >> 1) & 0x55u);
    set = (set & 0x33u) + ((set >> 2) & 0x33u);
    return (set & 0x0fu) + (set >> 4);
}
// Untouched inputs are taken up in ascending order: of the untouched registers, all but the
// lowest are out of turn as destinations.
constexpr unsigned inputs_out_of_turn(unsigned untouched) {
    return all_but_lowest(untouched);
}

// The pair-order rule as a set of destinations: mask[i][P.o][P.r1][P.r2] has bit k set when
// the rule lets opcode i into destination k follow P. The rule's restarts only skip
// destinations that it refuses, and a refusal that ends the opcode refuses every higher
// destination too, so the rule acts exactly as a filter on the destination.
struct pair_table {
    uint8_t mask[6][6][8][8];
};
constexpr pair_table make_pair_table() {
    pair_table t{};
    for (int i = 0; i < 6; i++)
        for (int o = 0; o < 6; o++)
            for (int r1 = 0; r1 < 8; r1++)
                for (int r2 = 0; r2 < 8; r2++)
                    for (int k = 0; k < 8; k++) {
                        int restart = 0;
                        if (pair_order(i, k, ot{o, r1, r2}, &restart) == pair_ok)
                            t.mask[i][o][r1][r2] = static_cast<uint8_t>(t.mask[i][o][r1][r2] | bit(k));
                    }
    return t;
}
constexpr pair_table pair_masks = make_pair_table();

// What the rules ask of the call at index j, worked out once per call.
struct node {
    int j;
    int last;           // -1 at the first slot of a pair, else the destination of prog[j-1]
    ot prev;            // prog[j-1]
    int nop_before;     // after a nop: the destination of prog[j-2], which x must name; else -1
    unsigned in_use;    // registers 0..maxused
    unsigned untouched; // registers in use that still hold their untouched input
    unsigned consumed;  // registers in use whose value has been read since it was written
    unsigned negated;   // registers in use whose neg flag is set
    unsigned free;      // destinations any opcode may write (see destinations)
    bool pair_rule;     // the pair-order rule applies to opcodes other than mov
    // The deadline has come for the outputs fixed so far: only a candidate that fixes one more
    // output (whose value is a coordinate function of a listed S-box) can pass the
    // verification; every other one fails it without touching a counter but verify_calls.
    bool must_fix_output;
    // What each of registers 0..4 separates (see perm.h), for the injectivity test; worked out
    // where candidates are many (not at a node that must fix an output).
    separation separates[5];
    // Per destination k (bit k), for the calls this node makes: whether it is known yet if the
    // registers other than k can build a value that fixes one more output, and whether they can.
    mutable unsigned among_known = 0, among_fixes = 0;
};

// The outputs in force.
unsigned locked_registers(const machine_state& m) {
    unsigned set = 0;
    for (int i = 0; i < m.lockcnt; i++) set |= bit(m.locks[i]);
    return set;
}

// A first instruction at a deadline's index that fixed an output (the last one fixed) may not
// change places with the second, so the pair-order rule is waived after it.
bool pair_rule_waived(const search_state& s, int j) {
    return s.limits.is_deadline(j - 1) && s.lockcnt >= 1 && s.prog[j - 1].r1 == s.locks[s.lockcnt - 1];
}

node describe(const search_state& s, int j, int last) {
    assert(j >= start_pair_length && j < s.limits.length);
    assert(s.lockcnt >= 0 && s.lockcnt <= 3 && s.maxused >= 3 && s.maxused <= 4);
    node n;
    n.j = j;
    n.last = last;
    n.prev = s.prog[j - 1];
    n.nop_before = n.prev.o == op_nop ? s.prog[j - 2].r1 : -1;
    n.in_use = below(s.maxused + 1);
    assert((registers_where(s.read, read_written) | registers_where(s.read, read_consumed) |
            registers_where(s.read, read_untouched) | registers_where(s.read, read_moved)) == 0xff);
    n.untouched = registers_where(s.read, read_untouched) & n.in_use;
    n.consumed = registers_where(s.read, read_consumed) & n.in_use;
    n.negated = ~registers_where(s.neg, 0) & n.in_use;
    // Untouched inputs are taken up in ascending order, and outputs stay fixed; the instruction
    // after a mov overwrites the register the mov copied.
    n.free = n.in_use & ~bit_if(last) & ~locked_registers(s) & ~inputs_out_of_turn(n.untouched);
    if (n.prev.o == op_mov) n.free &= bit(n.prev.r2);
    n.pair_rule = last != -1 && s.prog[j - 2].o != op_mov && !pair_rule_waived(s, j);
    n.must_fix_output = s.lockcnt < 3 && j >= s.limits.deadline[s.lockcnt];
    if (!n.must_fix_output)
        for (int r = 0; r <= 4; r++) n.separates[r] = separation_of(s.reg[r]);
    return n;
}

// The destinations opcode i (1..5) may write at this node, by the destination rules.
unsigned destinations(const node& n, int i) {
    unsigned set = n.free;
    // A mov overwrites only a value that has been read; and and not leave a fresh negation
    // alone; or and and never take up an untouched input.
    if (i == op_mov) set &= n.consumed;
    if (i == op_and || i == op_not) set &= ~n.negated;
    if (i == op_or || i == op_and) set &= ~n.untouched;
    if (n.pair_rule && i != op_mov) set &= pair_masks.mask[i][n.prev.o][n.prev.r1][n.prev.r2];
    return set;
}

// The source of an xor that would cancel the latest writer of k (the same xor again, its
// source unchanged since), as a set of at most one register.
unsigned repeated_xor(const program_facts& f, int k) {
    const int l = f.writer_xor_source[k];
    return l >= 0 && f.writer[l] < f.writer[k] ? bit(l) : 0;
}

// The sources l (registers in use) for which instruction {i, k, l} passes the redundancy test.
unsigned usage_sources(const search_state& s, const node& n, int i, int k) {
    unsigned set = n.in_use;
    // The instruction after a nop depends on the instruction before it.
    if (n.nop_before >= 0 && k != n.nop_before) set &= bit(n.nop_before);
    if (i == op_not) return set;
    // An untouched input is read only when no lower register but k is untouched.
    set &= ~all_but_lowest(n.untouched & ~bit(k));
    const program_facts& f = s.facts[n.j];
    switch (i) {
    case op_xor:
        // An xor that answers an earlier xor of k into its source, or repeats k's writer.
        if (s.read[k] == read_consumed) set &= ~bit_if(f.reader_xor_dest[k]);
        if (s.read[k] == read_written) set &= ~repeated_xor(f, k);
        return set;
    case op_or:
    case op_and:
        if (s.read[k] == read_untouched) return 0;
        // An or of two functions without a common 1 equals their xor.
        if (i == op_or) set &= ~registers_disjoint_from(s.reg, s.reg[k]);
        if (s.read[k] == read_written) set &= ~repeated_xor(f, k);
        return set;
    default:
        return set;
    }
}

// The random gate at the entry of a call at index j with `outputs` fixed: draws where it
// applies and says whether the call goes on.
inline bool gate_admits(search_state& s, int j, int outputs) {
    const bool gated = j > gate_after && j <= gate_last && outputs <= gate_max_locks;
    if (!gated || s.open_gate) return true;
    return (rand_1279il(s.run->generators) & 0xffff) <= gate_threshold;
}

// Below a call at index j with `outputs` fixed nothing draws: it can run anywhere, in any
// order (from index gate_last on, or with three outputs fixed; anywhere past the first few
// indices when the gate is open).
inline bool draw_free(const search_state& s, int j, int outputs) {
    return s.open_gate ? j >= open_gate_handover_index : j >= gate_last || outputs > gate_max_locks;
}

// Whether the call at index j that x (writing v, fixing `locked` outputs) would make from this
// node has nothing to do (see idle_call.h); such a call is not made. Calls at indices 2 and 3
// are always made, for their progress lines. What the registers other than x's destination can
// build is the same for every x into that destination that fixes no output, and is worked out
// once per node and destination.
inline bool call_is_idle(const search_state& s, const node& n, int j, ot x, uint16_t v, int locked) {
    if (locked >= 3 || j < s.limits.deadline[locked] || j <= 3) return false;
    const int k = x.r1;
    const unsigned others = below((k > s.maxused ? k : s.maxused) + 1) & ~bit(k);
    if (locked == s.lockcnt) {
        // The outputs and their registers are the node's: no destination is a locked register.
        if (!(n.among_known & bit(k))) {
            n.among_known |= bit(k);
            if (could_fix_among(s.reg, others, s.locks, locked)) n.among_fixes |= bit(k);
        }
        return !(n.among_fixes & bit(k)) && !could_fix_with(v, s.reg, others, s.locks, locked);
    }
    // x fixes an output itself: the child's locks and registers differ from the node's.
    uint16_t reg[8];
    std::memcpy(reg, s.reg, sizeof reg);
    reg[k] = v;
    int8_t locks[4];
    std::memcpy(locks, s.locks, sizeof locks);
    locks[locked - 1] = static_cast<int8_t>(k);
    return !could_fix_among(reg, others, locks, locked) && !could_fix_with(v, reg, others, locks, locked);
}

// Goes one instruction deeper with x, which fixes `locked` outputs: the call at index j + 1.
// A search that hands draw-free calls over passes it on from here, in this node's state,
// without executing x; otherwise x is executed, the call made and the node's state restored.
inline void descend(search_state& s, const node& n, ot x, uint16_t v, int locked) {
    const int j = n.j + 1;
    const int last = n.last == -1 ? x.r1 : -1;
    // The gate draws before x is executed, as the call would draw first: a call it turns away
    // costs no execution and no restore.
    if (!gate_admits(s, j, locked)) return;
    if (call_is_idle(s, n, j, x, v, locked)) return;
    if (s.hooks.subtree && draw_free(s, j, locked)) {
        s.hooks.subtree(s, j, x, locked, last);
        return;
    }
    enter_call(s, n.j, x, locked);
    enumerate_from(s, j, last);
    restore_state(s, s.st[n.j]);
}

// Runs candidate x at this node: the verification, then one instruction deeper when it allows
// and x changed its destination (always for a new register).
// `others`: what the registers in use other than x.r1 separate.
inline void try_candidate(search_state& s, const node& n, ot x, const separation& others, bool must_change) {
    const uint16_t v = value_after(s, x);
    int locked;
    if (!judge(s, n.j, x, v, x.r1 > s.maxused ? x.r1 : s.maxused, others, locked)) return;
    if (must_change && v == s.reg[x.r1]) return;
    descend(s, n, x, v, locked);
}

// The value opcode i (not nop or movc) writes over d with source value r.
template <int i>
inline uint16_t result_of(uint16_t d, uint16_t r) {
    switch (i) {
    case op_or: return static_cast<uint16_t>(d | r);
    case op_and: return static_cast<uint16_t>(d & r);
    case op_xor: return static_cast<uint16_t>(d ^ r);
    case op_mov: return r;
    default: return static_cast<uint16_t>(~d);
    }
}

// Of the sources ls of opcode i into destination k, those whose value is a component: at a
// node that must fix an output, the only candidates that can pass. The others are counted as
// verified, which is all their verification would do.
template <int i>
inline unsigned component_sources(search_state& s, int k, unsigned ls) {
    // Every register a source can be (0..4) is tested, without a branch; a register not in
    // use holds some value, and its answer is masked out.
    const uint16_t d = s.reg[k];
    unsigned fixing = 0;
    for (int l = 0; l <= 4; l++) fixing |= static_cast<unsigned>(is_component(result_of<i>(d, s.reg[l]))) << l;
    fixing &= ls;
    s.verify_calls += count(ls & ~fixing);
    return fixing;
}

// What the registers 0..top other than k separate.
inline separation separated_by_others(const search_state& s, const node& n, int top, int k) {
    if (n.must_fix_output) return separation_of_registers(s, top, k);
    separation all = no_separation();
    const int last = top > 3 ? 4 : 3;
    for (int r = 0; r <= last; r++)
        if (r != k) all = all | n.separates[r];
    return all;
}

// Opcode i into every admissible destination, by ascending destination then source; a not
// is tried once per destination, with its first admissible source.
template <int i>
void try_opcode(search_state& s, const node& n) {
    for (unsigned ks = destinations(n, i); ks; ks &= ks - 1) {
        const int k = lowest(ks);
        unsigned ls = usage_sources(s, n, i, k) & ~bit(k) & ~bit_if(n.last);
        if (i == op_not) ls &= 0u - ls;
        if (n.must_fix_output) ls = component_sources<i>(s, k, ls);
        if (!ls) continue;
        // Only or, and and mov can merge inputs, so only they need the injectivity test.
        const bool merges = i == op_or || i == op_and || i == op_mov;
        const separation others = merges ? separated_by_others(s, n, s.maxused, k) : no_separation();
        for (; ls; ls &= ls - 1) try_candidate(s, n, ot{i, k, lowest(ls)}, others, true);
    }
}

// Creates the next register by a mov from each admissible source.
void try_new_register(search_state& s, const node& n) {
    const int r = s.maxused + 1;
    unsigned ls = usage_sources(s, n, op_mov, r) & ~bit_if(n.last);
    if (n.must_fix_output) ls = component_sources<op_mov>(s, r, ls);
    if (!ls) return;
    const separation others = separated_by_others(s, n, r, r);
    for (; ls; ls &= ls - 1) try_candidate(s, n, ot{op_mov, r, lowest(ls)}, others, false);
}

// A nop fills the second slot of a pair once three outputs are fixed, not after a mov, and
// not at the last index.
void try_nop(search_state& s, const node& n) {
    if (s.lockcnt < 3 || n.last == -1 || n.prev.o == op_mov || n.j >= s.limits.last_index()) return;
    descend(s, n, ot{op_nop, 0, 0}, s.reg[0], s.lockcnt);
}

}  // namespace

int start_pair_of(const ot* prog) {
    for (int pair = 0; pair < start_pairs; pair++) {
        ot first[2];
        select2(pair, first);
        const bool same = first[0].o == prog[0].o && first[0].r1 == prog[0].r1 && first[0].r2 == prog[0].r2 &&
                          first[1].o == prog[1].o && first[1].r1 == prog[1].r1 && first[1].r2 == prog[1].r2;
        if (same) return pair;
    }
    return -1;
}

void print_progress(run_context& run, const search_counters& s, const ot* prog, int j) {
    if (run.status) {
        if (j == 2) run.status->start_pair(start_pair_of(prog));
        run.status->counters(s);
    }
    if (j == 2 && run.observer.start_pair) run.observer.start_pair(run.pass, start_pair_of(prog), s);
    if (run.settings.quiet) return;
    std::ostringstream text;
    if (j == 2) {
        text << "addop2 " << j << "  " << prog[0] << " " << prog[1] << "  " << 11 << "-" << s.nodecnt[11] << "  "
             << s.nodecnt[12] << "  " << 13 << "-" << s.nodecnt[13] << "  " << s.nodecnt[14] << "  " << s.nodecnt[15]
             << "\n";
    } else if (j == 3) {
        text << "addop2 " << j << "  " << s.l1 << "  " << s.l2 << "  " << s.l3 << "  " << s.l4 << "  " << s.l5 << "  "
             << prog[0] << " " << prog[1] << " " << prog[2] << "\n";
    }
    // Shown at once even when standard output is a pipe or a file: these lines are rare.
    run.console_write(text.str());
}

void addop2(search_state& s, int j, int last) {
    if (gate_admits(s, j, s.lockcnt)) enumerate_from(s, j, last);
}

void enumerate_from(search_state& s, int j, int last) {
    if (j == 2 || j == 3) {
        if (s.run->cancelled.load(std::memory_order_relaxed)) return;
        if (s.hooks.progress) s.hooks.progress(s, j);
        else print_progress(*s.run, s, s.prog, j);
    }
    save_state(s, s.st[j]);
    // With only the inputs in use, register 4 must come soon, and or, and and mov wait for it.
    if (s.maxused == 3 && j > new_register_last_index) return;
    const node n = describe(s, j, last);
    try_nop(s, n);
    if (s.maxused != 3) {
        try_opcode<op_or>(s, n);
        try_opcode<op_and>(s, n);
    }
    try_opcode<op_xor>(s, n);
    if (s.maxused != 3 && n.prev.o != op_mov) try_opcode<op_mov>(s, n);
    try_opcode<op_not>(s, n);
    if (s.maxused <= 3 && n.prev.o != op_mov) try_new_register(s, n);
}

void select2(int s, ot* prog) {
    if (s <= 5) {
        prog[0] = mov1(0);
        prog[1] = mov2c(s);
    } else {
        prog[0] = mov1(1);
        prog[1] = mov2a(s - 6);
    }
}

ot mov1(int selector) {
    return selector == 0 ? ot{op_xor, 0, 1} : ot{op_mov, 4, 0};
}

ot mov2a(int selector) {
    static const ot table[4] = {{op_or, 0, 1}, {op_and, 0, 1}, {op_xor, 0, 1}, {op_not, 0, 0}};
    return table[selector];
}

ot mov2c(int selector) {
    static const ot table[6] = {{op_xor, 1, 2}, {op_xor, 2, 1}, {op_xor, 2, 3},
                                {op_mov, 4, 1}, {op_mov, 4, 2}, {op_not, 1, 0}};
    return table[selector];
}

int check_r1(const machine_state& m, int r) {
    return (inputs_out_of_turn(registers_where(m.read, read_untouched)) >> r) & 1 ? 0 : 1;
}

int check_usage(const search_state& s, ot x, int j) {
    if (x.o == op_nop) return 1;
    assert(x.r2 >= 0 && x.r2 <= s.maxused);
    const node n = describe(s, j, -1);
    return (usage_sources(s, n, x.o, x.r1) >> x.r2) & 1;
}
