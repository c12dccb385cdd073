#include "tools/find_plan.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "tools/input_file.h"
#include "tools/target_list.h"
#include "tools/tool.h"

namespace {

const char* const sboxes_name = "sboxes.txt";
const char* const variants_name = "variants.txt";

std::string in(const std::string& dir, const std::string& name) {
    return dir.empty() ? name : dir + "/" + name;
}

// The named S-boxes as an @FILE: one a line, hexadecimal, with "# NAME" when it has a name.
std::string sboxes_file(const std::vector<sourced_sbox>& named) {
    std::string text;
    for (const sourced_sbox& s : named) text += hex_text(s.values) + (s.name.empty() ? "" : "  # " + s.name) + "\n";
    return text;
}

}  // namespace

variant_options read_variants(const std::string& text) {
    variant_options v;
    if (text == "none") return v;
    const std::pair<const char*, bool*> words[] = {
        {"inverse", &v.inverse}, {"perms", &v.perms}, {"in-xor", &v.in_xor}, {"out-xor", &v.out_xor}};
    size_t start = 0;
    for (bool known = true; known;) {
        const size_t comma = text.find(',', start);
        const std::string word = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        known = false;
        for (const auto& [name, flag] : words)
            if (word == name) known = *flag = true;
        if (known && comma == std::string::npos) return v;
        start = comma + 1;
    }
    usage_error("--variants takes none, or some of inverse, perms, in-xor and out-xor separated by commas, not \"" +
                printable(text) + "\"");
}

std::string variants_text(const variant_options& v) {
    std::string text;
    const std::pair<bool, const char*> words[] = {
        {v.inverse, "inverse"}, {v.perms, "perms"}, {v.in_xor, "in-xor"}, {v.out_xor, "out-xor"}};
    for (const auto& [on, word] : words)
        if (on) text += (text.empty() ? "" : ",") + std::string(word);
    return text.empty() ? "none" : text;
}

accepted_constants constants_of(const variant_options& v) {
    return {v.in_xor, v.out_xor};
}

find_definition define_find(const std::vector<sourced_sbox>& named, const variant_options& variants) {
    find_definition d{named, variants, {}};
    for (size_t i = 0; i < named.size(); i++)
        for (size_t k = 0; k < i; k++)
            if (named[i].values == named[k].values)
                data_error("S-box " + hex_text(named[i].values) + " is named twice (" + named[k].where + " and " +
                           named[i].where + ")");
    for (const sourced_sbox& one : named) {
        const std::vector<Sbox> list = target_variants({one}, variants);
        const std::string faults = capacity_faults(count_list(list));
        if (!faults.empty()) data_error("the search cannot load the list of " + hex_text(one.values) + ": " + faults);
        std::ostringstream text;
        for (const Sbox& s : list) text << s << "\n";
        check_target_list(text.str(), "sb2.txt");
        d.lists.push_back(text.str());
    }
    return d;
}

void save_definition(const std::string& dir, const find_definition& d) {
    write_whole_file(in(dir, sboxes_name), sboxes_file(d.named));
    write_whole_file(in(dir, variants_name), variants_text(d.variants) + "\n");
}

bool holds_find(const std::string& dir) {
    for (const char* name : {sboxes_name, variants_name, "find.txt", "members"})
        if (access(in(dir, name).c_str(), F_OK) == 0) return true;
    return false;
}

find_definition load_definition(const std::string& dir) {
    bool exists = false;
    const std::string variants = read_if_present(in(dir, variants_name), &exists);
    if (!exists || access(in(dir, sboxes_name).c_str(), R_OK) != 0)
        data_error("cannot resume: no find " + (dir.empty() ? std::string("here") : "in " + printable(dir)) +
                   " (it keeps sboxes.txt and variants.txt): start it without --resume");
    const std::vector<sourced_sbox> named = expand_sbox_args({"@" + in(dir, sboxes_name)}, true);
    const std::string words = variants.substr(0, variants.find('\n'));
    variant_options v;
    try {
        v = read_variants(words);
    } catch (const tool_error&) {
        data_error("cannot resume: variants.txt does not name variants (\"" + printable(words) + "\")");
    }
    if (named.empty()) data_error("cannot resume: sboxes.txt names no S-box");
    return define_find(named, v);
}

void write_whole_file(const std::string& path, const std::string& text) {
    const std::string temporary = path + ".new";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0664);
    bool written = fd >= 0;
    for (size_t done = 0; written && done < text.size();) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        written = n > 0;
        if (written) done += static_cast<size_t>(n);
    }
    written = written && ::fsync(fd) == 0;
    const int error = errno;
    if (fd >= 0) ::close(fd);
    if (!written || std::rename(temporary.c_str(), path.c_str()) != 0) {
        const int cause = written ? errno : error;
        ::unlink(temporary.c_str());
        data_error("cannot write " + printable(path) + ": " + std::strerror(cause));
    }
}
