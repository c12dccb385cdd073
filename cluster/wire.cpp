#include "cluster/wire.h"

#include <cassert>
#include <cstring>
#include <type_traits>

#include "classes/quikfnd3.h"
#include "foundation/fatal.h"

static_assert(std::is_trivially_copyable<search_counters>::value, "counters travel as their bytes");

namespace {

// Writes into a message sized beforehand, so that packing is plain stores.
class writer {
public:
    writer(std::vector<char>& out, size_t size) : out_(out) { out_.resize(size); }
    template <typename T>
    void raw(const T& value) {
        assert(at_ + sizeof value <= out_.size());
        std::memcpy(out_.data() + at_, &value, sizeof value);
        at_ += sizeof value;
    }
    void byte(int value) {
        assert(value >= 0 && value <= 255 && at_ < out_.size());
        out_[at_++] = static_cast<char>(value);
    }
    void bytes(const void* data, size_t n) {
        assert(at_ + n <= out_.size());
        if (n > 0) std::memcpy(out_.data() + at_, data, n);
        at_ += n;
    }
    void instructions(const ot* prog, int n) {
        for (int i = 0; i < n; i++) {
            uint8_t packed[2];
            pack_instruction(prog[i], packed);
            bytes(packed, sizeof packed);
        }
    }

private:
    std::vector<char>& out_;
    size_t at_ = 0;
};

// Bytes of a program of n instructions, and of the fixed part of a find.
constexpr size_t program_bytes(int n) {
    return 2 * static_cast<size_t>(n);
}
constexpr size_t found_bytes = sizeof(int32_t) + 1 + 4 + 4 * sizeof(uint16_t);

// Reads what a writer wrote; running past the end, or a value out of range, is a fault of the
// sender, which runs this same code.
class reader {
public:
    explicit reader(const std::vector<char>& in) : in_(in) {}
    template <typename T>
    T raw() {
        T value;
        std::memcpy(&value, take(sizeof value), sizeof value);
        return value;
    }
    int byte() { return static_cast<unsigned char>(*take(1)); }
    int byte_in(int least, int most) {
        const int value = byte();
        if (value < least || value > most) malformed();
        return value;
    }
    void instructions(ot* prog, int n) {
        for (int i = 0; i < n; i++) {
            prog[i] = unpack_instruction(reinterpret_cast<const uint8_t*>(take(2)));
            if (prog[i].o < op_nop || prog[i].o > op_not) malformed();
        }
    }
    bool at_end() const { return at_ == in_.size(); }
    [[noreturn]] static void malformed() { fatal("internal error: a malformed message between ranks\n", 3); }

private:
    const char* take(size_t n) {
        if (in_.size() - at_ < n) malformed();
        const char* p = in_.data() + at_;
        at_ += n;
        return p;
    }
    const std::vector<char>& in_;
    size_t at_ = 0;
};

}  // namespace

std::vector<char> pack_batch(uint64_t position, const subtree_batch& batch) {
    const std::vector<uint8_t>& subtrees = batch.bytes();
    std::vector<char> bytes;
    writer w(bytes, sizeof position + subtrees.size());
    w.raw(position);
    w.bytes(subtrees.data(), subtrees.size());
    return bytes;
}

uint64_t unpack_batch(const std::vector<char>& bytes, subtree_batch& batch) {
    reader r(bytes);
    const uint64_t position = r.raw<uint64_t>();
    const size_t head = sizeof position;
    if (!batch.assign(reinterpret_cast<const uint8_t*>(bytes.data()) + head, bytes.size() - head) || batch.empty())
        reader::malformed();
    return position;
}

std::vector<char> pack_result(uint64_t position, const batch_result& result) {
    size_t size = sizeof position + sizeof result.delta + sizeof(uint32_t);
    for (const found_sbox& f : result.found) size += found_bytes + program_bytes(f.length);
    std::vector<char> bytes;
    writer w(bytes, size);
    w.raw(position);
    w.raw(result.delta);
    w.raw(static_cast<uint32_t>(result.found.size()));
    for (const found_sbox& f : result.found) {
        w.raw(static_cast<int32_t>(f.N));
        w.byte(f.length);
        for (int r : f.lock_regs) w.byte(r);
        for (uint16_t word : f.words) w.raw(word);
        w.instructions(f.prog, f.length);
    }
    return bytes;
}

uint64_t unpack_result(const std::vector<char>& bytes, batch_result& result) {
    reader r(bytes);
    const uint64_t position = r.raw<uint64_t>();
    result.delta = r.raw<search_counters>();
    const uint32_t count = r.raw<uint32_t>();
    result.found.clear();
    for (uint32_t i = 0; i < count; i++) {
        result.found.emplace_back();
        found_sbox& f = result.found.back();
        f.N = r.raw<int32_t>();
        if (f.N < 0 || f.N >= static_cast<int>(sbox_capacity)) reader::malformed();
        f.length = r.byte_in(1, longest_program);
        for (int& reg : f.lock_regs) reg = r.byte_in(0, 7);
        for (uint16_t& word : f.words) word = r.raw<uint16_t>();
        r.instructions(f.prog, f.length);
    }
    if (!r.at_end()) reader::malformed();
    return position;
}
