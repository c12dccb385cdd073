// sbtool emit on the records of a real search: the C and the assembly are compiled with the
// system's tools and run on all 16 inputs in every bit lane; the graph is evaluated. With
// --sbox, the code for each cipher that a committed one-pass search of the bundled list reached
// (and for its inverse) computes that cipher's published table.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "child_process.h"
#include "tools_json_reader.h"
#include "tools_support.h"

namespace {

using values = std::array<int, 16>;

class EmitRealRun : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        output = real_search_output(&problem);
        dir = make_temp_dir();
        write_file(dir + "/prgs1b.txt", output);
        write_file(dir + "/ciphers.txt", read_file(std::string(TEST_LIST_DIR) + "/ciphers-one-pass.prgs1b.txt"));
    }
    void SetUp() override { ASSERT_FALSE(output.empty()) << problem; }

    // The lines of record k.
    static std::vector<std::string> record_lines(int k) {
        const std::vector<std::string> lines = lines_of(output);
        std::vector<std::string> record;
        for (size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].rfind("found " + std::to_string(k) + " ", 0) != 0) continue;
            const size_t length = std::stoul(lines[i].substr(lines[i].find(" r ") + 3));
            record.assign(lines.begin() + static_cast<long>(i), lines.begin() + static_cast<long>(i + 9 + length));
        }
        return record;
    }
    static values sbox_of(int k) {
        std::istringstream in(record_lines(k)[7].substr(2));
        values v{};
        for (int& x : v) in >> x;
        return v;
    }
    static tool_result emit(const std::vector<std::string>& options, int k) {
        std::vector<std::string> args = {"emit"};
        args.insert(args.end(), options.begin(), options.end());
        args.push_back("prgs1b.txt");
        args.push_back(std::to_string(k));
        return sbtool_program(args, dir);
    }

    // One program for exactly a named S-box: what sbtool report found in ciphers.txt.
    struct exact_case {
        std::string cipher;  // the cipher's name, with " inverse" for its inverse
        std::string sbox;    // the S-box given to --sbox
        bool inverse;        // --inverse: the code computes the inverse of sbox
        long record;
        long length;
        values table;  // what the code must compute
    };
    static std::vector<exact_case> exact_cases() {
        const tool_result r = sbtool_program(
            {"report", "--json", "--sboxes", "@" + std::string(TEST_DATA_DIR) + "/cipher-sboxes.txt", "ciphers.txt"}, dir);
        json_value doc;
        std::string error;
        EXPECT_TRUE(parse_json(r.out, doc, &error)) << error << r.err;
        std::vector<exact_case> cases;
        for (const json_value& s : doc["sboxes"].items)
            for (bool inverse : {false, true}) {
                const json_value& found = s[inverse ? "inverse_shortest" : "shortest"];
                if (found.kind == json_value::null_value) continue;
                values table{};
                const std::string hex = s[inverse ? "inverse" : "sbox"].text;
                for (int x = 0; x < 16; ++x) table[x] = std::stoi(hex.substr(x, 1), nullptr, 16);
                cases.push_back({s["name"].text + (inverse ? " inverse" : ""), s["sbox"].text, inverse,
                                 found["record"].integer(), found["length"].integer(), table});
            }
        EXPECT_EQ(cases.size(), 9u) << "the ciphers the one pass reached, with their inverses";
        return cases;
    }
    static tool_result emit_exact(const std::vector<std::string>& options, const exact_case& c) {
        std::vector<std::string> args = {"emit", "--sbox", c.sbox};
        if (c.inverse) args.push_back("--inverse");
        args.insert(args.end(), options.begin(), options.end());
        args.push_back("ciphers.txt");
        args.push_back(std::to_string(c.record));
        return sbtool_program(args, dir);
    }

    static std::string output;
    static std::string problem;
    static std::string dir;
};
std::string EmitRealRun::output;
std::string EmitRealRun::problem;
std::string EmitRealRun::dir;

// C function check_CHECK that runs NAME over 16 rounds, lane l of round t holding input
// (t + l) mod 16, so every lane sees all 16 inputs, and returns the number of lanes whose
// output differs from expected.
std::string lane_check(const std::string& check, const std::string& name, const std::string& type,
                       const values& expected) {
    std::string table;
    for (int x = 0; x < 16; ++x) table += (x ? ", " : "") + std::to_string(expected[x]);
    return "void " + name + "(const " + type + " in[4], " + type + " out[4]);\n" +
           "static long check_" + check + "(void) {\n"
           "    static const int expected[16] = {" + table + "};\n"
           "    const int lanes = (int)(8 * sizeof(" + type + "));\n"
           "    long wrong = 0;\n"
           "    for (int round = 0; round < 16; ++round) {\n"
           "        " + type + " in[4] = {0, 0, 0, 0}, out[4];\n"
           "        for (int lane = 0; lane < lanes; ++lane)\n"
           "            for (int j = 0; j < 4; ++j)\n"
           "                if ((((round + lane) % 16) >> j) & 1) in[j] |= (" + type + ")((" + type + ")1 << lane);\n"
           "        " + name + "(in, out);\n"
           "        for (int lane = 0; lane < lanes; ++lane) {\n"
           "            int y = 0;\n"
           "            for (int i = 0; i < 4; ++i) y |= (int)((out[i] >> lane) & 1) << i;\n"
           "            if (y != expected[(round + lane) % 16]) ++wrong;\n"
           "        }\n"
           "    }\n"
           "    return wrong;\n"
           "}\n";
}

std::string driver(const std::vector<std::string>& checks, const std::vector<std::string>& names) {
    std::string text = "#include <stdint.h>\n#include <stdio.h>\n";
    for (const std::string& c : checks) text += c;
    text += "int main(void) {\n";
    for (const std::string& n : names) text += "    printf(\"%ld\\n\", check_" + n + "());\n";
    return text + "    return 0;\n}\n";
}

values with_two_swapped(values v) {
    std::swap(v[3], v[4]);
    return v;
}

TEST_F(EmitRealRun, CComputesTheSboxInEveryLane) {
    const std::string build = make_temp_dir();
    std::vector<std::string> checks, names, sources;
    auto add = [&](int k, const std::string& type, const std::string& name) {
        const tool_result c = emit({"--type", type, "--name", name}, k);
        ASSERT_EQ(c.status, 0) << c.err;
        write_file(build + "/" + name + ".c", c.out);
        sources.push_back(name + ".c");
        checks.push_back(lane_check(name, name, type, sbox_of(k)));
        names.push_back(name);
        // One statement per instruction, each with the instruction as its comment.
        const std::vector<std::string> record = record_lines(k);
        for (size_t i = 9; i < record.size(); ++i)
            EXPECT_NE(c.out.find("  /* " + record[i] + " */\n"), std::string::npos) << record[i];
    };
    for (int k = 1; k <= real_run_records; ++k) add(k, "uint64_t", "sbox" + std::to_string(k));
    add(1, "uint32_t", "lanes32");
    add(1, "uint8_t", "lanes8");
    add(1, "unsigned short", "lanes16");
    // Exactly the ciphers' S-boxes, the relabelling folded into the in[] and out[] words: one
    // statement per instruction of the record, no more.
    const std::vector<exact_case> exact = exact_cases();
    for (size_t k = 0; k < exact.size(); ++k) {
        const std::string name = "exact" + std::to_string(k);
        const std::string type = k % 2 ? "uint32_t" : "uint64_t";
        const tool_result c = emit_exact({"--type", type, "--name", name}, exact[k]);
        ASSERT_EQ(c.status, 0) << exact[k].cipher << ": " << c.err;
        write_file(build + "/" + name + ".c", c.out);
        sources.push_back(name + ".c");
        checks.push_back(lane_check(name, name, type, exact[k].table));
        names.push_back(name);
        EXPECT_TRUE(exact[k].inverse || c.out.find(" (0x" + exact[k].sbox + "): report ") != std::string::npos) << c.out;
        long statements = 0;
        for (const std::string& l : lines_of(c.out)) statements += l.find("  /* ") != std::string::npos;
        EXPECT_EQ(statements, exact[k].length) << exact[k].cipher;
    }
    // The check itself must be able to fail: record 1's function against a wrong table.
    checks.push_back(lane_check("wrong", "sbox1", "uint64_t", with_two_swapped(sbox_of(1))));
    names.push_back("wrong");
    write_file(build + "/driver.c", driver(checks, names));
    std::string compile = "cd " + quoted(build) + " && cc -std=c99 -Wall -Wextra -Werror -o run driver.c";
    for (const std::string& s : sources) compile += " " + s;
    const tool_result compiled = shell(compile);
    ASSERT_EQ(compiled.status, 0) << compiled.out << compiled.err;
    const tool_result ran = shell(quoted(build + "/run"));
    EXPECT_EQ(ran.status, 0);
    const std::vector<std::string> counts = lines_of(ran.out);
    ASSERT_EQ(counts.size(), names.size());
    for (size_t i = 0; i + 1 < names.size(); ++i) EXPECT_EQ(counts[i], "0") << names[i];
    EXPECT_EQ(counts.back(), "128") << "two swapped values are wrong in 2 of 16 inputs on every lane";
}

TEST_F(EmitRealRun, AssemblyComputesTheSboxInEveryLane) {
    const std::string build = make_temp_dir();
    std::vector<std::string> checks, names;
    std::string objects;
    for (int k = 1; k <= real_run_records; ++k) {
        const std::string name = "asm" + std::to_string(k);
        const tool_result a = emit({"--lang", "asm", "--name", name}, k);
        ASSERT_EQ(a.status, 0) << a.err;
        write_file(build + "/" + name + ".s", a.out);
        const tool_result assembled = shell("as -o " + quoted(build + "/" + name + ".o") + " " + quoted(build + "/" + name + ".s"));
        ASSERT_EQ(assembled.status, 0) << assembled.err << a.out;
        objects += " " + name + ".o";
        checks.push_back(lane_check(name, name, "uint64_t", sbox_of(k)));
        names.push_back(name);
        // One machine instruction per program instruction, from the five of the machine.
        const std::vector<std::string> record = record_lines(k);
        size_t commented = 0;
        for (const std::string& line : lines_of(a.out)) {
            const size_t hash = line.find("\t\t# ");
            if (hash == std::string::npos) continue;
            ++commented;
            const std::string mnemonic = line.substr(1, line.find('\t', 1) - 1);
            EXPECT_TRUE(mnemonic == "mov" || mnemonic == "or" || mnemonic == "and" || mnemonic == "xor" ||
                        mnemonic == "not")
                << line;
            EXPECT_EQ(line.substr(hash + 4), record[9 + commented - 1]);
        }
        EXPECT_EQ(commented, record.size() - 9);
    }
    const std::vector<exact_case> exact = exact_cases();
    for (size_t k = 0; k < exact.size(); ++k) {
        const std::string name = "exact" + std::to_string(k);
        const tool_result a = emit_exact({"--lang", "asm", "--name", name}, exact[k]);
        ASSERT_EQ(a.status, 0) << exact[k].cipher << ": " << a.err;
        write_file(build + "/" + name + ".s", a.out);
        const tool_result assembled = shell("as -o " + quoted(build + "/" + name + ".o") + " " + quoted(build + "/" + name + ".s"));
        ASSERT_EQ(assembled.status, 0) << assembled.err << a.out;
        objects += " " + name + ".o";
        checks.push_back(lane_check(name, name, "uint64_t", exact[k].table));
        names.push_back(name);
    }
    write_file(build + "/driver.c", driver(checks, names));
    const tool_result linked = shell("cd " + quoted(build) + " && cc -std=c99 -Wall -Wextra -Werror -o run driver.c" + objects);
    ASSERT_EQ(linked.status, 0) << linked.err;
    const tool_result ran = shell(quoted(build + "/run"));
    EXPECT_EQ(ran.status, 0);
    std::string zeros;
    for (size_t k = 0; k < names.size(); ++k) zeros += "0\n";
    EXPECT_EQ(ran.out, zeros);
}

// Evaluates the graph on the 16-bit truth tables of the inputs: each node from its incoming
// edges by the operation its label names.
std::map<std::string, unsigned> evaluate_dot(const std::string& dot) {
    std::map<std::string, std::string> label;
    std::map<std::string, std::vector<std::string>> sources;
    std::vector<std::string> order;
    for (const std::string& line : lines_of(dot)) {
        const size_t arrow = line.find(" -> ");
        const size_t bracket = line.find(" [label=\"");
        if (arrow != std::string::npos) {
            const std::string from = line.substr(4, arrow - 4);
            const std::string to = line.substr(arrow + 4, line.find(';') - arrow - 4);
            sources[to].push_back(from);
        } else if (bracket != std::string::npos) {
            const std::string node = line.substr(4, bracket - 4);
            label[node] = line.substr(bracket + 9, line.find('"', bracket + 9) - bracket - 9);
            order.push_back(node);
        }
    }
    const unsigned inputs[4] = {0xaaaa, 0xcccc, 0xf0f0, 0xff00};
    std::map<std::string, unsigned> value;
    for (const std::string& node : order) {
        const std::string& l = label[node];
        const std::vector<std::string>& s = sources[node];
        const std::string op = l.substr(0, l.find(' '));
        if (l.rfind("in[", 0) == 0) value[node] = inputs[l[3] - '0'];
        else if (l == "0") value[node] = 0;
        else if (op == "xor" && s.size() == 2) value[node] = value[s[0]] ^ value[s[1]];
        else if (op == "or" && s.size() == 2) value[node] = value[s[0]] | value[s[1]];
        else if (op == "and" && s.size() == 2) value[node] = value[s[0]] & value[s[1]];
        else if (op == "not" && s.size() == 1) value[node] = ~value[s[0]] & 0xffff;
        else if ((op == "mov" || l.rfind("out[", 0) == 0) && s.size() == 1) value[node] = value[s[0]];
        else ADD_FAILURE() << "node " << node << " [" << l << "] with " << s.size() << " inputs";
    }
    return value;
}

// The truth table of output bit i of s.
unsigned coordinate(const values& s, int i) {
    unsigned word = 0;
    for (int x = 0; x < 16; ++x) word |= ((s[x] >> i) & 1u) << x;
    return word;
}

TEST_F(EmitRealRun, GraphComputesTheSbox) {
    for (const exact_case& c : exact_cases()) {
        const tool_result g = emit_exact({"--lang", "dot"}, c);
        ASSERT_EQ(g.status, 0) << c.cipher << ": " << g.err;
        std::map<std::string, unsigned> value = evaluate_dot(g.out);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(value["y" + std::to_string(i)], coordinate(c.table, i)) << c.cipher << "\n" << g.out;
    }
    for (int k = 1; k <= real_run_records; ++k) {
        const tool_result g = emit({"--lang", "dot", "--name", "flow"}, k);
        ASSERT_EQ(g.status, 0) << g.err;
        EXPECT_EQ(g.out.rfind("digraph flow {\n", 0), 0u);
        EXPECT_EQ(g.out.substr(g.out.size() - 2), "}\n");
        std::map<std::string, unsigned> value = evaluate_dot(g.out);
        const values s = sbox_of(k);
        for (int i = 0; i < 4; ++i) {
            unsigned expected = 0;
            for (int x = 0; x < 16; ++x) expected |= ((s[x] >> i) & 1u) << x;
            EXPECT_EQ(value["y" + std::to_string(i)], expected) << "record " << k << " output " << i << "\n" << g.out;
        }
    }
}

TEST_F(EmitRealRun, RefusedRequests) {
    // Record 1 with an S-box value far outside 0..15 on its "s" line (found by fuzzing).
    std::string wide = output;
    const size_t value = wide.find("\ns ") + 3;
    write_file(dir + "/wide.txt", wide.replace(value, wide.find(' ', value) - value, "99"));
    const struct {
        std::vector<std::string> args;
        int status;
        const char* err;
    } cases[] = {
        {{"--lang", "rust", "prgs1b.txt", "1"}, 2, "sbtool emit: unknown language \"rust\" for --lang (c, asm or dot)\n"},
        {{"--lang", "asm", "--type", "uint32_t", "prgs1b.txt", "1"}, 2, "sbtool emit: --lang asm works on uint64_t only\n"},
        {{"--name", "9lives", "prgs1b.txt", "1"}, 1, "sbtool emit: --name \"9lives\" is not a C identifier\n"},
        {{"--name", "int", "prgs1b.txt", "1"}, 1, "sbtool emit: --name \"int\" is not a C identifier\n"},
        {{"--type", "int){}", "prgs1b.txt", "1"}, 1, "sbtool emit: --type \"int){}\" is not a C type name\n"},
        {{"prgs1b.txt", "one"}, 1, "sbtool emit: RECORD \"one\" is not a report number\n"},
        {{"prgs1b.txt", "99"}, 1, "sbtool emit: prgs1b.txt: no record found 99\n"},
        {{"wide.txt", "1"}, 1, "sbtool emit: wide.txt: record 1: line 11: the S-box holds 99, not a value 0..15\n"},
        {{"--inverse", "ciphers.txt", "3"}, 2, "sbtool emit: --inverse needs --sbox\n"},
        {{"--sbox", "e4b238091a7f6c5", "ciphers.txt", "3"}, 1,
         "sbtool emit: --sbox \"e4b238091a7f6c5\": 1 values, expected 16 decimal values or 16 hexadecimal digits\n"},
        // Record 3 computes Piccolo's S-box relabelled; PRESENT's it does not, nor Piccolo's
        // inverse, nor Piccolo's with a constant added to the output.
        {{"--sbox", "c56b90ad3ef84712", "ciphers.txt", "3"}, 1,
         "sbtool emit: ciphers.txt: record 3 computes bec018264d95af37, which is not c56b90ad3ef84712 up to the order "
         "of its input bits and of its output bits\n"},
        {{"--sbox", "e4b238091a7f6c5d", "--inverse", "ciphers.txt", "3"}, 1,
         "sbtool emit: ciphers.txt: record 3 computes bec018264d95af37, which is not the inverse of e4b238091a7f6c5d "
         "(68341eca5792df0b) up to the order of its input bits and of its output bits\n"},
        {{"--sbox", "f5a329180b6e7d4c", "ciphers.txt", "3"}, 1,
         "sbtool emit: ciphers.txt: record 3 computes bec018264d95af37, which is not f5a329180b6e7d4c up to the order "
         "of its input bits and of its output bits\n"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"emit"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const tool_result r = sbtool_program(args, dir);
        EXPECT_EQ(r.status, c.status) << c.err;
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.out, "");
    }
}

TEST_F(EmitRealRun, ProgramMustComputeItsSbox) {
    std::vector<std::string> record = record_lines(1);
    const std::string other = make_temp_dir();
    // A register that the outputs do not use, loaded with a truth table that is a constant
    // function: fine, and written only, which the C must still compile without a warning.
    std::vector<std::string> constant = record;
    constant.push_back("movc 5,#65535");
    constant[0].replace(constant[0].find(" r ") + 3, constant[0].find(" o ") - constant[0].find(" r ") - 3,
                        std::to_string(constant.size() - 9));
    std::string text;
    for (const std::string& l : constant) text += l + "\n";
    write_file(other + "/const.txt", text);
    const tool_result c = sbtool_program({"emit", "--name", "f", "const.txt", "1"}, other);
    ASSERT_EQ(c.status, 0) << c.err;
    EXPECT_NE(c.out.find("    r5 = ~(uint64_t)0;  /* movc 5,#65535 */\n"), std::string::npos) << c.out;
    write_file(other + "/f.c", c.out);
    write_file(other + "/driver.c", driver({lane_check("f", "f", "uint64_t", sbox_of(1))}, {"f"}));
    const tool_result compiled =
        shell("cd " + quoted(other) + " && cc -std=c99 -Wall -Wextra -Werror -o run driver.c f.c && ./run");
    EXPECT_EQ(compiled.status, 0) << compiled.err;
    EXPECT_EQ(compiled.out, "0\n");

    // A truth table that is not constant has no bitsliced form.
    text.replace(text.find("movc 5,#65535"), 13, "movc 5,#4660");
    write_file(other + "/table.txt", text);
    const tool_result table = sbtool_program({"emit", "table.txt", "1"}, other);
    EXPECT_EQ(table.status, 1);
    EXPECT_EQ(table.out, "");
    EXPECT_EQ(table.err, "sbtool emit: record 1: \"movc 5,#4660\" loads a truth table that is not constant, which has no "
                         "bitsliced form\n");

    // A record whose program was altered is refused rather than emitted.
    std::vector<std::string> altered = record;
    altered.back() = "nop";
    text.clear();
    for (const std::string& l : altered) text += l + "\n";
    write_file(other + "/altered.txt", text);
    const tool_result refused = sbtool_program({"emit", "altered.txt", "1"}, other);
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(refused.err, "sbtool emit: altered.txt: record 1: the program does not compute the S-box it prints "
                           "(sbtool check says more)\n");
    // A value of the "s" line outside 0..15 is refused, never used as a shift.
    for (const std::string value : {"-7", "65543"}) {
        std::string wide = text;
        write_file(other + "/wide.txt", wide.replace(wide.find("\ns ") + 3, record[7].find("  ") - 2, value));
        const tool_result r = sbtool_program({"emit", "wide.txt", "1"}, other);
        EXPECT_EQ(r.status, 1) << value;
        EXPECT_EQ(r.err, "sbtool emit: wide.txt: record 1: line 8: the S-box holds " + value + ", not a value 0..15\n");
    }
}

}  // namespace
