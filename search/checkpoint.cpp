#include "search/checkpoint.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "classes/quikfnd3.h"
#include "foundation/fatal.h"
#include "search/output.h"
#include "search/run.h"

const char* const checkpoint_name = "prgs1b.txt.checkpoint";

namespace {

// The first line names the format: version 2 adds the subtrees merged within the pass; a
// version 1 checkpoint, written at pass starts only, is read with none.
const char* const first_line = "prgs1b checkpoint 2";
const char* const first_line_v1 = "prgs1b checkpoint 1";

// Writes all of text to fd; false on a failed write.
bool write_all(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// The checkpoint's text without its last line, which holds the hash of the rest.
std::string body_of(const checkpoint& c) {
    std::ostringstream t;
    t << first_line << "\n";
    t << "pass " << c.pass << "\n";
    t << "subtrees " << c.subtrees << "\n";
    t << "seed " << c.seed << "\n";
    t << "exhaustive " << (c.exhaustive ? 1 : 0) << "\n";
    t << "limits " << c.limits.length << " " << c.limits.deadline[0] << " " << c.limits.deadline[1] << " "
      << c.limits.deadline[2] << "\n";
    t << "list " << c.list_hash << "\n";
    t << "output " << c.output_size << " " << c.output_hash << "\n";
    const search_counters& n = c.counters;
    t << "counters " << n.l1 << " " << n.l2 << " " << n.l3 << " " << n.l4 << " " << n.l5 << " " << n.verify_calls;
    for (uint64_t v : n.nodecnt) t << " " << v;
    t << "\n";
    const generator_state& g = c.generators;
    t << "generators " << g.ransi << " " << g.rx << " " << g.ry << " " << g.r1279a << " " << g.r1279b << " "
      << g.r607a << " " << g.r607b << "\n";
    t << "r1279";
    for (unsigned short v : g.r1279) t << " " << v;
    t << "\nr607";
    for (unsigned short v : g.r607) t << " " << v;
    t << "\nreached " << c.reached.size() << "\n";
    for (const checkpoint::reached_row& r : c.reached) t << r.row << " " << r.number << " " << r.length << "\n";
    return t.str();
}

// Reads "name" and then the values, each with its range; false when anything differs.
class field_reader {
public:
    explicit field_reader(std::istream& in) : in_(in) {}
    bool name(const char* expected) {
        std::string word;
        return static_cast<bool>(in_ >> word) && word == expected;
    }
    template <typename T>
    bool value(T& out, long long least, unsigned long long most) {
        long long v;
        if (!(in_ >> v) || v < least || (v >= 0 && static_cast<unsigned long long>(v) > most)) return false;
        out = static_cast<T>(v);
        return true;
    }
    // A count or hash: decimal digits only, within 64 bits.
    bool value(uint64_t& out) {
        std::string digits;
        if (!(in_ >> digits) || digits.empty() || digits.size() > 20 ||
            digits.find_first_not_of("0123456789") != std::string::npos)
            return false;
        errno = 0;
        out = std::strtoull(digits.c_str(), nullptr, 10);
        return errno == 0;
    }

private:
    std::istream& in_;
};

bool parse_body(std::istream& in, checkpoint& c) {
    field_reader f(in);
    std::string line;
    if (!std::getline(in, line) || (line != first_line && line != first_line_v1)) return false;
    int exhaustive = 0;
    c.subtrees = 0;
    bool ok = f.name("pass") && f.value(c.pass, 0, 1000000000) &&
              (line == first_line_v1 || (f.name("subtrees") && f.value(c.subtrees))) && f.name("seed") &&
              f.value(c.seed, 0, 0xffffffffu) &&
              f.name("exhaustive") && f.value(exhaustive, 0, 1) && f.name("limits") &&
              f.value(c.limits.length, 0, 1000) && f.value(c.limits.deadline[0], 0, 1000) &&
              f.value(c.limits.deadline[1], 0, 1000) && f.value(c.limits.deadline[2], 0, 1000) && f.name("list") &&
              f.value(c.list_hash) && f.name("output") && f.value(c.output_size) && f.value(c.output_hash);
    c.exhaustive = exhaustive == 1;
    search_counters& n = c.counters;
    ok = ok && f.name("counters") && f.value(n.l1) && f.value(n.l2) && f.value(n.l3) && f.value(n.l4) &&
         f.value(n.l5) && f.value(n.verify_calls);
    for (uint64_t& v : n.nodecnt) ok = ok && f.value(v);
    generator_state& g = c.generators;
    ok = ok && f.name("generators") && f.value(g.ransi, 0, 0xffffffffu) && f.value(g.rx, 0, 0xffffffffu) &&
         f.value(g.ry, 0, 0xffffffffu) && f.value(g.r1279a, 1, 1279) && f.value(g.r1279b, 1, 1279) &&
         f.value(g.r607a, 1, 607) && f.value(g.r607b, 1, 607) && f.name("r1279");
    for (unsigned short& v : g.r1279) ok = ok && f.value(v, 0, 0xffff);
    ok = ok && f.name("r607");
    for (unsigned short& v : g.r607) ok = ok && f.value(v, 0, 0xffff);
    size_t count = 0;
    ok = ok && f.name("reached") && f.value(count, 0, sbox_capacity);
    c.reached.clear();
    for (size_t i = 0; ok && i < count; i++) {
        checkpoint::reached_row r{};
        ok = f.value(r.row, 0, sbox_capacity - 1) && f.value(r.number, 1, 0x7fffffff) && f.value(r.length, 1, 1000);
        c.reached.push_back(r);
    }
    return ok && limits_fault(c.limits).empty();
}

}  // namespace

uint64_t content_hash(const std::string& bytes) {
    uint64_t h = 14695981039346656037ull;
    for (unsigned char b : bytes) {
        h ^= b;
        h *= 1099511628211ull;
    }
    return h;
}

namespace {
// Makes the latest renames and removals in the run's directory durable.
void sync_directory(const run_context& run) {
    const int dir = ::open(run.dir.empty() ? "." : run.dir.c_str(), O_RDONLY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}
}  // namespace

void write_checkpoint(const run_context& run, const checkpoint& c) {
    const std::string body = body_of(c);
    const std::string text = body + "end " + std::to_string(content_hash(body)) + "\n";
    const std::string name = std::string(checkpoint_name) + ".new";
    const std::string temporary = run.path(name);
    const auto fail = [&](int error) {
        ::unlink(temporary.c_str());
        fatal("Error writing " + name + ": " + std::strerror(error) + "\n", 1);
    };
    // A leftover of an earlier run (a file, or a link planted there) is removed, and the file is
    // created anew without following a link, so that the write lands in this file alone.
    if (::unlink(temporary.c_str()) != 0 && errno != ENOENT)
        fatal("Error writing " + name + ": " + std::strerror(errno) + "\n", 1);
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0664);
    if (fd < 0) fail(errno);
    if (!write_all(fd, text) || ::fsync(fd) != 0) {
        const int error = errno != 0 ? errno : EIO;
        ::close(fd);
        fail(error);
    }
    if (::close(fd) != 0) fail(errno);
    if (std::rename(temporary.c_str(), run.path(checkpoint_name).c_str()) != 0) fail(errno);
    // The rename itself is made durable with the directory.
    sync_directory(run);
}

void remove_checkpoint(const run_context& run) {
    for (const std::string& name : {std::string(checkpoint_name), std::string(checkpoint_name) + ".new"})
        if (::unlink(run.path(name).c_str()) != 0 && errno != ENOENT)
            fatal("Error removing " + name + ": " + std::strerror(errno) + "\n", 1);
    sync_directory(run);
}

std::string read_checkpoint(const std::string& path, checkpoint& c) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return path + " cannot be read";
    std::ostringstream all;
    all << file.rdbuf();
    const std::string text = all.str();
    const size_t end = text.rfind("end ");
    const bool whole = end != std::string::npos && (end == 0 || text[end - 1] == '\n') && !text.empty() &&
                       text.back() == '\n';
    if (!whole || text.substr(end) != "end " + std::to_string(content_hash(text.substr(0, end))) + "\n")
        return path + " is damaged (its check does not match)";
    std::istringstream in(text.substr(0, end));
    if (!parse_body(in, c)) return path + " is damaged (a field is missing or out of range)";
    return "";
}

std::string fits_loaded_list(const checkpoint& c) {
    for (const checkpoint::reached_row& r : c.reached)
        if (static_cast<unsigned>(r.row) >= sbcnt)
            return std::string(checkpoint_name) + " is damaged (it names row " + std::to_string(r.row) +
                   " of a list of " + std::to_string(sbcnt) + ")";
    return "";
}

checkpoint checkpoint_now(run_context& run, int pass, const search_counters& counters,
                          const generator_state& generators) {
    checkpoint c;
    c.pass = pass;
    c.seed = run.settings.seed;
    c.exhaustive = run.settings.exhaustive;
    c.limits = run.limits;
    c.list_hash = run.settings.list_hash;
    sync_output(run);
    const std::string written = output_so_far(run);
    c.output_size = written.size();
    c.output_hash = content_hash(written);
    c.counters = counters;
    c.generators = generators;
    for (unsigned r = 0; r < run.dn.size(); r++)
        if (run.dn[r][0] != -1) c.reached.push_back({static_cast<int>(r), run.dn[r][0], run.dn[r][1]});
    return c;
}
