// sbtool emit: turns the program of one record into bitsliced C, x86-64 assembly or a
// Graphviz graph of its data flow.
#include <cctype>
#include <optional>
#include <ostream>
#include <set>
#include <sstream>

#include "tools/args.h"
#include "tools/emit.h"
#include "tools/record.h"
#include "tools/relabel.h"
#include "tools/sbox_text.h"
#include "tools/shortest.h"
#include "tools/tool.h"

namespace {

const char* const help_text =
    "usage: sbtool emit [--lang c|asm|dot] [--type TYPE] [--name NAME] [--sbox SBOX [--inverse]]\n"
    "                   FILE RECORD\n"
    "\n"
    "Turns the program of the record with report number RECORD (the number after \"found\") in\n"
    "the search output FILE (- for standard input) into code. The program is first run on the\n"
    "register machine and must compute the S-box the record prints. The code is bitsliced:\n"
    "in[j] holds input bit j of every lane and out[i] receives output bit i, bit i of the values\n"
    "on the record's \"s\" line. Its first comment names the S-box it computes, in decimal and\n"
    "in hexadecimal (\"(0xc56b90ad3ef84712)\").\n"
    "\n"
    "  --lang c     (default) a self-contained C function\n"
    "                 void NAME(const TYPE in[4], TYPE out[4])\n"
    "               one statement per instruction (not is ~), for C99 or later\n"
    "  --lang asm   x86-64 assembly for the GNU assembler, AT&T syntax, System V calling\n"
    "               convention: void NAME(const uint64_t in[4], uint64_t out[4]), 64 lanes;\n"
    "               machine registers 0..7 live in rax, rcx, rdx, r8, r9, r10, r11, rdi; one\n"
    "               mov, or, and, xor or not per instruction\n"
    "  --lang dot   a Graphviz digraph of the data flow: inputs in[0..3], one node per\n"
    "               instruction but nop (labelled with it), outputs out[0..3]\n"
    "  --type TYPE  the C word type, default uint64_t (any C type name: uint32_t,\n"
    "               unsigned long long, ...); assembly works on uint64_t only\n"
    "  --name NAME  the function or graph name, a C identifier; default sbox\n"
    "  --sbox SBOX  code for exactly SBOX (in any form sbtool --help gives but @FILE), which\n"
    "               the record must compute up to the order of its input bits and of its\n"
    "               output bits: each register reads the in[] word and each out[] word takes\n"
    "               the register that make the program compute SBOX itself, with the same\n"
    "               instructions (sbtool report shows this wiring); when several fit, the\n"
    "               first in lexicographic order of the inputs read, then the outputs taken\n"
    "  --inverse    with --sbox: code for the inverse of SBOX instead\n"
    "\n"
    "An unknown --lang, or --type with --lang asm, is a usage error (status 2); a malformed\n"
    "RECORD, TYPE, NAME or SBOX, a missing record, a program that does not compute its S-box\n"
    "and a record that does not compute SBOX (or its inverse) up to that relabelling are bad\n"
    "data (status 1).\n";

const std::vector<option_spec> options = {
    {"lang", "c|asm|dot"}, {"type", "TYPE"}, {"name", "NAME"}, {"sbox", "SBOX"}, {"inverse", nullptr}};

const char* const asm_registers[8] = {"%rax", "%rcx", "%rdx", "%r8", "%r9", "%r10", "%r11", "%rdi"};

// What the emitted code computes and how the program's registers meet in[] and out[].
struct wiring {
    std::array<int, 4> reads;    // register r (0..3) starts with in[reads[r]]
    std::array<int, 4> writers;  // out[i] receives register writers[i]
    sbox_values computes;        // the S-box of the code
    std::string relabelled;      // empty, or the wiring of a relabelled record as match_wiring_text gives it
    int in_not = 0;              // bit j set: in[j] is complemented as it is read
    int out_not = 0;             // bit i set: out[i] receives the complement of its register
};

// The record's own S-box: register r reads in[r], out[i] is the i-th locked register.
wiring own_wiring(const record& r) {
    return {{0, 1, 2, 3}, r.locks, r.sbox, "", 0, 0};
}

// The wiring under which the record's program computes `target` by the match.
wiring matched_wiring(const record& r, const program_match& m, const sbox_values& target) {
    return {m.how.reads, output_registers(m.how, r.locks), target, match_wiring_text(m, r.locks), m.in_xor, m.out_xor};
}

// Whether the code computes its S-box: the program run as the code runs it, on 16-lane words
// (lane x holds input x), with its inputs and outputs wired and complemented as the code does.
bool wired_code_computes(const record& r, const wiring& w) {
    static const uint16_t input_words[4] = {0xaaaa, 0xcccc, 0xf0f0, 0xff00};
    uint16_t reg[8] = {};
    for (int k = 0; k < 4; ++k)
        reg[k] = static_cast<uint16_t>(input_words[w.reads[k]] ^ ((w.in_not >> w.reads[k]) & 1 ? 0xffff : 0));
    for (const ot& x : r.program) {
        uint16_t& d = reg[x.r1 & 7];
        const uint16_t s = reg[x.r2 & 7];
        switch (x.o) {
        case op_or: d |= s; break;
        case op_and: d &= s; break;
        case op_xor: d ^= s; break;
        case op_mov: d = s; break;
        case op_not: d = static_cast<uint16_t>(~d); break;
        case op_movc: d = static_cast<uint16_t>(x.r2); break;
        default: break;
        }
    }
    for (int x = 0; x < 16; ++x) {
        int value = 0;
        for (int i = 0; i < 4; ++i) value |= (((reg[w.writers[i]] >> x) ^ (w.out_not >> i)) & 1) << i;
        if (value != w.computes[x]) return false;
    }
    return true;
}

// Registers the program or its outputs name, in ascending order.
std::set<int> registers_named(const record& r) {
    std::set<int> named(r.locks.begin(), r.locks.end());
    for (const ot& x : r.program) {
        if (x.o == op_nop) continue;
        named.insert(x.r1);
        if (x.o >= op_or && x.o <= op_mov) named.insert(x.r2);
    }
    return named;
}

// Registers whose value the program reads or hands out; the others are only written.
std::set<int> registers_read(const record& r) {
    std::set<int> read_regs(r.locks.begin(), r.locks.end());
    for (const ot& x : r.program) {
        if (x.o >= op_or && x.o <= op_xor) read_regs.insert(x.r1);
        if (x.o == op_not) read_regs.insert(x.r1);
        if (x.o >= op_or && x.o <= op_mov) read_regs.insert(x.r2);
    }
    return read_regs;
}

// movc loads a truth table; only the two constant ones have a bitsliced form.
bool constant_is_zero(const ot& x) {
    return (x.r2 & 0xffff) == 0;
}
void require_bitsliced_constant(const ot& x, long number) {
    const int c = x.r2 & 0xffff;
    if (c != 0 && c != 0xffff)
        data_error("record " + std::to_string(number) + ": \"" + instruction_text(x) +
                   "\" loads a truth table that is not constant, which has no bitsliced form");
}

// The S-box as a comment names it: its values in decimal, then in hexadecimal as --sbox takes it.
std::string sbox_comment(const sbox_values& values) {
    std::string text;
    for (int x = 0; x < 16; ++x) text += (x ? " " : "") + std::to_string(values[x]);
    return text + " (0x" + hex_text(values) + ")";
}

// The line that says how a relabelled record's registers are wired, after the comment marker.
std::string wiring_comment(const record& r, const wiring& w, const char* marker) {
    if (w.relabelled.empty()) return "";
    return marker + std::string("The record's S-box ") + sbox_comment(r.sbox) +
           " with its input and output bits relabelled:\n" + marker + w.relabelled + "\n";
}

// The comment above a C function: what it computes, from which record, and how it is wired.
void c_comment(const record& r, const wiring& w, const std::string& source, std::ostream& out) {
    const int nots = __builtin_popcount(static_cast<unsigned>(w.in_not)) + __builtin_popcount(static_cast<unsigned>(w.out_not));
    out << "/* S-box " << sbox_comment(w.computes) << ": " << source << ", " << r.program.size() << " instructions"
        << (nots ? " and " + std::to_string(nots) + " not" + (nots > 1 ? "s" : "") + " of its inputs or outputs" : "")
        << ".\n"
        << wiring_comment(r, w, "   ")
        << "   Bitsliced: in[j] holds input bit j of every lane, out[i] receives output bit i. */\n";
}

// The C function alone, from its signature on.
void c_function(const record& r, const wiring& w, const std::string& type, const std::string& name, std::ostream& out) {
    out << "void " << name << "(const " << type << " in[4], " << type << " out[4])\n{\n";
    const std::set<int> named = registers_named(r);
    const std::set<int> read_regs = registers_read(r);
    for (int reg_index : named) {
        out << "    " << type << " r" << reg_index << " = ";
        if (reg_index < 4)
            out << ((w.in_not >> w.reads[reg_index]) & 1 ? "~" : "") << "in[" << w.reads[reg_index] << "];\n";
        else
            out << "0;\n";
    }
    out << "\n";
    for (const ot& x : r.program) {
        const std::string d = "r" + std::to_string(x.r1);
        const std::string s = "r" + std::to_string(x.r2);
        out << "    ";
        switch (x.o) {
        case op_or: out << d << " |= " << s << ";"; break;
        case op_and: out << d << " &= " << s << ";"; break;
        case op_xor: out << d << " ^= " << s << ";"; break;
        case op_mov: out << d << " = " << s << ";"; break;
        case op_not: out << d << " = ~" << d << ";"; break;
        case op_movc:
            require_bitsliced_constant(x, r.number);
            out << d << (constant_is_zero(x) ? " = 0;" : " = ~(" + type + ")0;");
            break;
        default: out << "/* nop */"; break;
        }
        if (x.o != op_nop) out << "  /* " << x << " */";
        out << "\n";
    }
    out << "\n";
    for (int reg_index : named)
        if (!read_regs.count(reg_index)) out << "    (void)r" << reg_index << ";\n";
    for (int i = 0; i < 4; ++i) out << "    out[" << i << "] = " << ((w.out_not >> i) & 1 ? "~" : "") << "r" << w.writers[i] << ";\n";
    out << "}\n";
}

void emit_c(const record& r, const wiring& w, const std::string& type, const std::string& name, std::ostream& out) {
    c_comment(r, w, "report " + std::to_string(r.number), out);
    out << "#include <stdint.h>\n\n";
    c_function(r, w, type, name, out);
}

void emit_asm(const record& r, const wiring& w, const std::string& name, std::ostream& out) {
    out << "# S-box " << sbox_comment(w.computes) << ": report " << r.number << ", " << r.program.size() << " instructions.\n"
        << wiring_comment(r, w, "# ")
        << "# void " << name << "(const uint64_t in[4], uint64_t out[4]): in[j] holds input bit j of\n"
        << "# 64 lanes, out[i] receives output bit i. System V AMD64: in in %rdi, out in %rsi.\n"
        << "\t.text\n\t.globl\t" << name << "\n\t.type\t" << name << ", @function\n"
        << name << ":\n";
    const std::set<int> named = registers_named(r);
    for (int j = 0; j < 4; ++j)
        if (named.count(j)) out << "\tmov\t" << 8 * w.reads[j] << "(%rdi), " << asm_registers[j] << "\n";
    for (int reg_index : named)
        if (reg_index >= 4) out << "\tmov\t$0, " << asm_registers[reg_index] << "\n";
    for (const ot& x : r.program) {
        const char* d = asm_registers[x.r1];
        const char* s = asm_registers[x.r2 & 7];
        switch (x.o) {
        case op_or: out << "\tor\t" << s << ", " << d; break;
        case op_and: out << "\tand\t" << s << ", " << d; break;
        case op_xor: out << "\txor\t" << s << ", " << d; break;
        case op_mov: out << "\tmov\t" << s << ", " << d; break;
        case op_not: out << "\tnot\t" << d; break;
        case op_movc:
            require_bitsliced_constant(x, r.number);
            out << "\tmov\t" << (constant_is_zero(x) ? "$0, " : "$-1, ") << d;
            break;
        default: out << "\t# nop\n"; continue;
        }
        out << "\t\t# " << x << "\n";
    }
    for (int i = 0; i < 4; ++i) out << "\tmov\t" << asm_registers[w.writers[i]] << ", " << 8 * i << "(%rsi)\n";
    out << "\tret\n\t.size\t" << name << ", .-" << name << "\n"
        << "\t.section\t.note.GNU-stack,\"\",@progbits\n";
}

void emit_dot(const record& r, const wiring& w, const std::string& name, std::ostream& out) {
    out << "digraph " << name << " {\n"
        << "    // S-box " << sbox_comment(w.computes) << ": report " << r.number << ", " << r.program.size()
        << " instructions\n"
        << wiring_comment(r, w, "    // ")
        << "    rankdir=TB;\n";
    std::string holder[8];  // the node whose value each register holds
    for (int j = 0; j < 4; ++j) {
        holder[j] = "x" + std::to_string(j);
        out << "    " << holder[j] << " [label=\"in[" << w.reads[j] << "]\", shape=box];\n";
    }
    auto value_of = [&](int reg_index) {
        if (holder[reg_index].empty()) {
            holder[reg_index] = "zero" + std::to_string(reg_index);
            out << "    " << holder[reg_index] << " [label=\"0\", shape=box];\n";
        }
        return holder[reg_index];
    };
    for (size_t k = 0; k < r.program.size(); ++k) {
        const ot& x = r.program[k];
        if (x.o == op_nop) continue;
        if (x.o == op_movc) require_bitsliced_constant(x, r.number);
        std::vector<std::string> sources;
        if (x.o >= op_or && x.o <= op_xor) sources = {value_of(x.r1), value_of(x.r2)};
        if (x.o == op_mov) sources = {value_of(x.r2)};
        if (x.o == op_not) sources = {value_of(x.r1)};
        const std::string node = "v" + std::to_string(k + 1);
        out << "    " << node << " [label=\"" << x << "\"];\n";
        for (const std::string& s : sources) out << "    " << s << " -> " << node << ";\n";
        holder[x.r1] = node;
    }
    for (int i = 0; i < 4; ++i) {
        out << "    y" << i << " [label=\"out[" << i << "]\", shape=box];\n";
        out << "    " << value_of(w.writers[i]) << " -> y" << i << ";\n";
    }
    out << "}\n";
}

// Letters, digits and underscores, not starting with a digit.
bool is_word(const std::string& s) {
    if (s.empty() || std::isdigit(static_cast<unsigned char>(s[0]))) return false;
    for (char c : s)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
    return true;
}

// A C identifier that is not a keyword.
bool is_identifier(const std::string& s) {
    static const std::set<std::string> keywords = {
        "auto", "break", "case", "char", "const", "continue", "default", "do", "double", "else", "enum",
        "extern", "float", "for", "goto", "if", "inline", "int", "long", "register", "restrict", "return",
        "short", "signed", "sizeof", "static", "struct", "switch", "typedef", "union", "unsigned", "void",
        "volatile", "while", "_Bool", "_Complex", "_Imaginary"};
    return is_word(s) && !keywords.count(s);
}

// A C type name: one or more identifiers separated by single blanks.
bool is_type_name(const std::string& s) {
    size_t start = 0;
    for (size_t blank; (blank = s.find(' ', start)) != std::string::npos; start = blank + 1)
        if (!is_word(s.substr(start, blank - start))) return false;
    return is_word(s.substr(start));
}

long report_number(const std::string& text) {
    const bool digits = !text.empty() && text.size() <= 9 &&
                        text.find_first_not_of("0123456789") == std::string::npos;
    if (!digits)
        data_error("RECORD \"" + printable(text) + "\" is not a report number");
    return std::stol(text);
}

}  // namespace

record checked_record(const raw_record& raw, const std::string& path, long number) {
    record r;
    std::string problem;
    if (is_cut_short(raw)) data_error(printable(path) + ": record " + std::to_string(number) + " is cut short by the end of the file");
    if (!parse_record(raw, r, problem)) data_error(printable(path) + ": " + problem);
    for (int value : r.sbox)
        if (value < 0 || value > 15)
            data_error(printable(path) + ": record " + std::to_string(number) + ": line " +
                       std::to_string(r.first_line + 7) + ": the S-box holds " + std::to_string(value) +
                       ", not a value 0..15");
    if (!computes_printed_sbox(r))
        data_error(printable(path) + ": record " + std::to_string(number) +
                   ": the program does not compute the S-box it prints (sbtool check says more)");
    return r;
}

record find_record(const std::string& path, long number) {
    const output_file file = load_search_output(path);
    const std::string head = "found " + std::to_string(number) + " ";
    for (const raw_record& raw : file.records)
        if (raw.lines[0].compare(0, head.size(), head) == 0) return checked_record(raw, path, number);
    data_error(printable(path) + ": no record found " + std::to_string(number));
}

namespace {

// The wiring under which the record computes the S-box of --sbox (or its inverse) exactly.
wiring wiring_for(const record& r, const std::string& path, const std::string& sbox_text, bool inverse) {
    const sbox_values named = parse_sbox_text(sbox_text, "--sbox \"" + printable(sbox_text) + "\"", true);
    const sbox_values wanted = inverse ? inverse_of(named) : named;
    const std::optional<relabelling> how = find_relabelling(wanted, r.sbox);
    if (!how)
        data_error(printable(path) + ": record " + std::to_string(r.number) + " computes " + hex_text(r.sbox) +
                   ", which is not " + (inverse ? "the inverse of " + hex_text(named) + " (" + hex_text(wanted) + ")"
                                                : hex_text(named)) +
                   " up to the order of its input bits and of its output bits");
    return matched_wiring(r, program_match{*how, 0, 0}, wanted);
}

// Refuses code that would not compute what its comment says it computes.
void require_computes(const record& r, const wiring& w) {
    if (!wired_code_computes(r, w))
        data_error("record " + std::to_string(r.number) + ": the wired code does not compute " + hex_text(w.computes));
}

}  // namespace

bool is_c_identifier(const std::string& s) {
    return is_identifier(s);
}

std::string c_function_for(const record& r, const program_match& m, const sbox_values& target,
                           const std::string& name, const std::string& source) {
    const wiring w = matched_wiring(r, m, target);
    require_computes(r, w);
    std::ostringstream code;
    c_comment(r, w, source, code);
    c_function(r, w, "uint64_t", name, code);
    return code.str();
}

void check_emit_usage(const emit_request& q) {
    if (q.lang != "c" && q.lang != "asm" && q.lang != "dot")
        usage_error("unknown language \"" + printable(q.lang) + "\" for --lang (c, asm or dot)");
    if (q.lang == "asm" && q.type != "uint64_t") usage_error("--lang asm works on uint64_t only");
    if (q.inverse && !q.sbox) usage_error("--inverse needs --sbox");
}

void check_emit_names(const emit_request& q) {
    if (!is_type_name(q.type)) data_error("--type \"" + printable(q.type) + "\" is not a C type name");
    if (!is_identifier(q.name)) data_error("--name \"" + printable(q.name) + "\" is not a C identifier");
}

std::string emit_code(const record& r, const emit_request& q, const std::string& path) {
    const wiring w = q.sbox ? wiring_for(r, path, *q.sbox, q.inverse) : own_wiring(r);
    require_computes(r, w);
    std::ostringstream code;
    if (q.lang == "c") emit_c(r, w, q.type, q.name, code);
    if (q.lang == "asm") emit_asm(r, w, q.name, code);
    if (q.lang == "dot") emit_dot(r, w, q.name, code);
    return code.str();
}

int emit_command(const std::vector<std::string>& args, std::ostream& out, std::ostream&) {
    const command_line line = parse_command_line(args, options);
    if (line.help) {
        out << help_text;
        return 0;
    }
    emit_request q;
    q.lang = line.value_or("lang", "c");
    q.type = line.value_or("type", "uint64_t");
    q.name = line.value_or("name", "sbox");
    if (line.has("sbox")) q.sbox = line.value_or("sbox", "");
    q.inverse = line.flag("inverse");
    check_emit_usage(q);
    if (line.values_of("sbox").size() > 1) usage_error("--sbox names one S-box; give it once");
    if (q.sbox && q.sbox->compare(0, 1, "@") == 0)
        usage_error("--sbox takes one S-box (sixteen decimal values or sixteen hexadecimal digits), not @FILE");
    require_operands(line, 2, 2, {"FILE", "RECORD"});
    check_emit_names(q);
    const record r = find_record(line.operands[0], report_number(line.operands[1]));
    out << emit_code(r, q, line.operands[0]);
    return 0;
}
