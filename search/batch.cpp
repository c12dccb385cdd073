#include "search/batch.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <type_traits>

#include "search/enumerate.h"
#include "search/machine.h"

static_assert(sizeof(ot) == 3 * sizeof(int), "programs compare as their bytes");
static_assert(std::is_trivially_copyable<machine_state>::value, "a machine is packed as its bytes");
static_assert(std::is_trivially_copyable<program_facts>::value, "facts are packed as their bytes");

namespace {

// Bytes of a packed instruction, of a call of a group, and of a group's fixed part.
constexpr size_t instruction_bytes = 2;
constexpr size_t call_bytes = instruction_bytes + 2;
constexpr size_t group_head_bytes = 2 + sizeof(machine_state) + sizeof(program_facts);

template <typename T>
T read_raw(const uint8_t* at) {
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

// Whether a machine read from bytes is one the search could be in.
bool plausible(const machine_state& m) {
    if (m.maxused < 3 || m.maxused > 7 || m.lockcnt < 0 || m.lockcnt > 3) return false;
    for (int r = 0; r < 8; r++) {
        const int state = m.read[r];
        if (m.neg[r] > 1 || (state > read_untouched && state != read_moved)) return false;
    }
    for (int i = 0; i < m.lockcnt; i++)
        if (m.locks[i] < 0 || m.locks[i] > m.maxused) return false;
    return true;
}

// The keeper of S-boxes completed while running a batch.
void keep_found(search_state& s, int N, int length, const int* lock_regs, const uint16_t* words) {
    assert(length <= longest_program);
    auto* found = static_cast<std::vector<found_sbox>*>(s.hooks.context);
    found->emplace_back();
    found_sbox& f = found->back();
    f.N = N;
    f.length = length;
    std::copy(s.prog, s.prog + length, f.prog);
    std::copy(lock_regs, lock_regs + 4, f.lock_regs);
    std::copy(words, words + 4, f.words);
}

}  // namespace

void pack_instruction(ot x, uint8_t* out) {
    assert(x.o >= op_nop && x.o <= op_not && x.r1 >= 0 && x.r1 < 16 && x.r2 >= 0 && x.r2 < 16);
    out[0] = static_cast<uint8_t>(x.o);
    out[1] = static_cast<uint8_t>(x.r1 << 4 | x.r2);
}

ot unpack_instruction(const uint8_t* in) {
    return {in[0], in[1] >> 4, in[1] & 15};
}

void subtree_batch::add(const search_state& parent, int j, ot x, int outputs, int last) {
    assert(j > start_pair_length && j <= longest_program && last >= -1 && last < 8);
    assert(outputs == parent.lockcnt || outputs == parent.lockcnt + 1);
    const int p = j - 1;
    const bool same_parent = group_j_ == j && bytes_[group_ + 1] < 255 &&
                             std::memcmp(parent.prog, group_prog_, sizeof(ot) * p) == 0;
    if (!same_parent) {
        if (bytes_.empty()) bytes_.reserve(16384);  // a first guess; the bytes grow as needed
        uint8_t head[group_head_bytes + instruction_bytes * longest_program];
        head[0] = static_cast<uint8_t>(j);
        head[1] = 0;
        for (int i = 0; i < p; i++) pack_instruction(parent.prog[i], head + 2 + instruction_bytes * i);
        uint8_t* rest = head + 2 + instruction_bytes * p;
        std::memcpy(rest, &parent.machine(), sizeof(machine_state));
        std::memcpy(rest + sizeof(machine_state), &parent.facts[p], sizeof(program_facts));
        group_ = bytes_.size();
        group_j_ = j;
        bytes_.insert(bytes_.end(), head, rest + sizeof(machine_state) + sizeof(program_facts));
        std::copy(parent.prog, parent.prog + p, group_prog_);
    }
    uint8_t call[call_bytes];
    pack_instruction(x, call);
    call[2] = static_cast<uint8_t>(outputs);
    call[3] = static_cast<uint8_t>(last + 1);
    bytes_.insert(bytes_.end(), call, call + call_bytes);
    bytes_[group_ + 1]++;
    subtrees_++;
}

bool subtree_batch::assign(const uint8_t* bytes, size_t size) {
    *this = subtree_batch();
    size_t at = 0, subtrees = 0;
    auto well_formed = [](ot x) { return x.o >= op_nop && x.o <= op_not && x.r1 < 8 && x.r2 < 8; };
    while (at < size) {
        if (size - at < group_head_bytes) return false;
        const int j = bytes[at], calls = bytes[at + 1];
        const size_t fixed = group_head_bytes + instruction_bytes * (j - 1);
        if (j <= start_pair_length || j > longest_program || calls == 0 || size - at < fixed + call_bytes * calls)
            return false;
        for (int i = 0; i < j - 1; i++)
            if (!well_formed(unpack_instruction(bytes + at + 2 + instruction_bytes * i))) return false;
        const machine_state parent = read_raw<machine_state>(bytes + at + 2 + instruction_bytes * (j - 1));
        if (!plausible(parent)) return false;
        for (int c = 0; c < calls; c++) {
            const uint8_t* call = bytes + at + fixed + call_bytes * c;
            const int outputs = call[2];
            if (!well_formed(unpack_instruction(call)) || outputs < parent.lockcnt || outputs > parent.lockcnt + 1 ||
                outputs > 3 || call[3] > 8)
                return false;
        }
        at += fixed + call_bytes * calls;
        subtrees += calls;
    }
    bytes_.assign(bytes, bytes + size);
    subtrees_ = subtrees;
    return true;
}

void subtree_batch::run(search_state& s) const {
    const uint8_t* at = bytes_.data();
    const uint8_t* const end = at + bytes_.size();
    while (at < end) {
        const int j = at[0], calls = at[1], parent = j - 1;
        at += 2;
        for (int i = 0; i < parent; i++, at += instruction_bytes) s.prog[i] = unpack_instruction(at);
        const machine_state m = read_raw<machine_state>(at);
        at += sizeof(machine_state);
        s.facts[parent] = read_raw<program_facts>(at);
        at += sizeof(program_facts);
        for (int c = 0; c < calls; c++, at += call_bytes) {
            restore_state(s, m);
            enter_call(s, parent, unpack_instruction(at), at[2]);
            enumerate_from(s, j, at[3] - 1);
        }
    }
}

std::unique_ptr<search_state> batch_runner(run_context& run) {
    std::unique_ptr<search_state> s = std::make_unique<search_state>(search_for(run));
    s->hooks.completed = keep_found;
    return s;
}

void run_batch(search_state& s, const subtree_batch& batch, batch_result& result) {
    const search_counters before = s.counters();
    result.found.clear();
    s.hooks.context = &result.found;
    batch.run(s);
    result.delta = s.counters() - before;
}
