// The Python module sboxsearch: the library's API for Python. S-boxes are given as text (any
// form sbtool takes) or as sixteen integers. A search runs with the GIL released, on a thread
// of its own; the calling thread takes its records (a callback or an iterator) and checks for
// signals at least every progress_seconds, so that Ctrl-C cancels the run, which leaves its
// files whole, and then raises KeyboardInterrupt.
#include <pybind11/functional.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <memory>

#include "api/sboxsearch.h"

namespace py = pybind11;
namespace sb = sboxsearch;

namespace {

// The module's exception, sboxsearch.Error, with the exit status sbtool gives the same fault
// as its `status`. Created once and never freed: it lives as long as the interpreter.
PyObject* error_type = nullptr;

// An S-box from Python: a string in any form sbtool takes, or a sequence of sixteen integers.
sb::sbox sbox_of(const py::handle& given, bool bijection = true) {
    if (py::isinstance<py::str>(given)) return sb::parse_sbox(given.cast<std::string>(), bijection);
    const std::vector<int> values = given.cast<std::vector<int>>();
    if (values.size() != 16) throw sb::error(1, "an S-box has sixteen values, not " + std::to_string(values.size()));
    sb::sbox s{};
    std::copy(values.begin(), values.end(), s.begin());
    return s;
}

// The record's text when given a Record, else the text given.
std::string record_text_of(const py::handle& given) {
    if (py::isinstance<sb::record>(given)) return given.cast<const sb::record&>().text;
    return given.cast<std::string>();
}

sb::emit_options emit_options_of(const std::string& lang, const std::string& type, const std::string& name,
                                 const py::object& sbox, bool inverse) {
    sb::emit_options o;
    o.lang = lang;
    o.type = type;
    o.name = name;
    if (!sbox.is_none()) o.sbox = py::isinstance<py::str>(sbox) ? sbox.cast<std::string>() : sb::hex(sbox_of(sbox));
    o.inverse = inverse;
    return o;
}

// Raises the pending signal's exception (KeyboardInterrupt for Ctrl-C), if any; the GIL held.
void check_signals() {
    if (PyErr_CheckSignals() != 0) throw py::error_already_set();
}

// A run as Python drives it: by run() with callbacks, or as an iterator of its records.
class py_search {
public:
    explicit py_search(const sb::run_options& o) : options_(o), search_(std::make_unique<sb::search>(o)) {}

    // The whole run, records to on_record and figures to on_progress on this thread.
    sb::run_summary run(const py::object& on_record, const py::object& on_progress) {
        started_ = true;
        sb::run_callbacks callbacks;
        callbacks.on_record = [&on_record](const sb::record& r) {
            py::gil_scoped_acquire gil;
            check_signals();
            if (!on_record.is_none()) on_record(py::cast(r));
        };
        callbacks.on_progress = [&on_progress](const sb::progress& p) {
            py::gil_scoped_acquire gil;
            check_signals();
            if (!on_progress.is_none()) on_progress(py::cast(p));
        };
        py::gil_scoped_release released;
        summary_ = search_->run(callbacks);
        return summary_;
    }

    // The next record; StopIteration at the end of the run.
    sb::record next() {
        if (!started_) {
            started_ = true;
            py::gil_scoped_release released;
            search_->start();
        }
        for (;;) {
            if (ended_) throw py::stop_iteration();
            sb::search::event e;
            {
                py::gil_scoped_release released;
                e = search_->next(options_.progress_seconds);
            }
            if (PyErr_CheckSignals() != 0) {
                py::error_already_set interrupted;
                end(true);
                throw interrupted;
            }
            if (e.kind == sb::search::event::record_event) return e.record;
            if (e.kind == sb::search::event::end_event) end(false);
        }
    }

    void cancel() { search_->cancel(); }
    const sb::run_summary& summary() const { return summary_; }

private:
    // Ends the iteration once the run has ended (cancelled first when asked).
    void end(bool cancel) {
        ended_ = true;
        py::gil_scoped_release released;
        if (cancel) search_->cancel();
        summary_ = search_->finish();
    }

    sb::run_options options_;
    std::unique_ptr<sb::search> search_;
    sb::run_summary summary_;
    bool started_ = false;
    bool ended_ = false;
};

// The run options from Python's keyword arguments.
sb::run_options run_options_of(const std::string& dir, long passes, int threads, uint32_t seed, bool exhaustive,
                               int max_length, const std::array<int, 3>& deadlines, bool checkpoints,
                               int checkpoint_seconds, bool resume, bool force, double progress_seconds) {
    sb::run_options o;
    o.dir = dir;
    o.passes = passes;
    o.threads = threads;
    o.seed = seed;
    o.exhaustive = exhaustive;
    o.max_length = max_length;
    o.deadlines = deadlines;
    o.checkpoints = checkpoints;
    o.checkpoint_seconds = checkpoint_seconds;
    o.resume = resume;
    o.force = force;
    o.progress_seconds = progress_seconds;
    return o;
}

// The keyword arguments of a run, for Search, run and records.
#define RUN_ARGUMENTS                                                                                              \
    py::kw_only(), py::arg("dir") = "", py::arg("passes") = -1, py::arg("threads") = 1,                            \
        py::arg("seed") = sb::default_seed, py::arg("exhaustive") = false, py::arg("max_length") = 16,             \
        py::arg("deadlines") = std::array<int, 3>{7, 11, 14}, py::arg("checkpoints") = false,                      \
        py::arg("checkpoint_seconds") = 60, py::arg("resume") = false, py::arg("force") = false,                   \
        py::arg("progress_seconds") = 0.1

std::unique_ptr<py_search> new_search(const std::string& dir, long passes, int threads, uint32_t seed, bool exhaustive,
                                      int max_length, const std::array<int, 3>& deadlines, bool checkpoints,
                                      int checkpoint_seconds, bool resume, bool force, double progress_seconds) {
    return std::make_unique<py_search>(run_options_of(dir, passes, threads, seed, exhaustive, max_length, deadlines,
                                                      checkpoints, checkpoint_seconds, resume, force,
                                                      progress_seconds));
}

void define_types(py::module_& m) {
    py::class_<sb::analysis>(m, "Analysis", "What sbtool analyze reports on an S-box.")
        .def_readonly("values", &sb::analysis::values)
        .def_property_readonly("hex", [](const sb::analysis& a) { return sb::hex(a.values); })
        .def_readonly("bijective", &sb::analysis::bijective)
        .def_property_readonly("inverse", [](const sb::analysis& a) -> py::object {
            return a.bijective ? py::cast(a.inverse) : py::none();
        })
        .def_readonly("involution", &sb::analysis::involution)
        .def_readonly("uniformity", &sb::analysis::uniformity)
        .def_readonly("linearity", &sb::analysis::linearity)
        .def_readonly("nonlinearity", &sb::analysis::nonlinearity)
        .def_readonly("differential_branch", &sb::analysis::differential_branch)
        .def_readonly("linear_branch", &sb::analysis::linear_branch)
        .def_readonly("max_xor", &sb::analysis::max_xor)
        .def_readonly("max_lat", &sb::analysis::max_lat)
        .def_readonly("single", &sb::analysis::single)
        .def_readonly("fixed_points", &sb::analysis::fixed_points)
        .def_readonly("degrees", &sb::analysis::degrees)
        .def_readonly("anf", &sb::analysis::anf)
        .def_readonly("polynomials", &sb::analysis::polynomials)
        .def_readonly("difference_table", &sb::analysis::difference_table)
        .def_readonly("linear_table", &sb::analysis::linear_table)
        .def("__repr__", [](const sb::analysis& a) {
            return "<Analysis " + sb::hex(a.values) + " uniformity " + std::to_string(a.uniformity) + " linearity " +
                   std::to_string(a.linearity) + ">";
        });
    py::class_<sb::list_info>(m, "ListInfo", "What the loader counted of the loaded list.")
        .def_readonly("sboxes", &sb::list_info::sboxes)
        .def_readonly("components", &sb::list_info::components)
        .def_readonly("triples", &sb::list_info::triples)
        .def("__repr__", [](const sb::list_info& l) {
            return "<ListInfo " + std::to_string(l.sboxes) + " S-boxes, " + std::to_string(l.components) +
                   " components, " + std::to_string(l.triples) + " triples>";
        });
    py::class_<sb::record>(m, "Record", "A record as the run writes it to prgs1b.txt.")
        .def_readonly("number", &sb::record::number)
        .def_readonly("row", &sb::record::row)
        .def_readonly("length", &sb::record::length)
        .def_readonly("program", &sb::record::program)
        .def_readonly("text", &sb::record::text)
        .def("__repr__", [](const sb::record& r) {
            return "<Record " + std::to_string(r.number) + ": row " + std::to_string(r.row) + ", " +
                   std::to_string(r.length) + " instructions>";
        });
    py::class_<sb::progress>(m, "Progress", "How far a run has come.")
        .def_readonly("pass_number", &sb::progress::pass)
        .def_readonly("start_pair", &sb::progress::start_pair)
        .def_readonly("passes_done", &sb::progress::passes_done)
        .def_readonly("records", &sb::progress::records)
        .def_readonly("verifications", &sb::progress::verifications)
        .def_readonly("seconds", &sb::progress::seconds);
    py::class_<sb::run_summary>(m, "Summary", "How a run ended.")
        .def_readonly("cancelled", &sb::run_summary::cancelled)
        .def_readonly("figures", &sb::run_summary::figures)
        .def_readonly("note", &sb::run_summary::note);
}

void define_search(py::module_& m) {
    py::class_<py_search>(m, "Search",
                          "One run of the search on the loaded list in its directory `dir` (default: the current\n"
                          "one), whose lock it takes. Iterate over it for its records, or call run().")
        .def(py::init(&new_search), RUN_ARGUMENTS)
        .def("run", &py_search::run, py::arg("on_record") = py::none(), py::arg("on_progress") = py::none(),
             "Runs the search to its end; records and progress to the callbacks. Returns a Summary.")
        .def("__iter__", [](py_search& s) -> py_search& { return s; })
        .def("__next__", &py_search::next)
        .def("cancel", &py_search::cancel, "Ends the run soon (from any thread).")
        .def_property_readonly("summary", &py_search::summary);
    m.def(
        "run",
        [](const std::string& dir, long passes, int threads, uint32_t seed, bool exhaustive, int max_length,
           const std::array<int, 3>& deadlines, bool checkpoints, int checkpoint_seconds, bool resume, bool force,
           double progress_seconds, const py::object& on_record, const py::object& on_progress) {
            return new_search(dir, passes, threads, seed, exhaustive, max_length, deadlines, checkpoints,
                              checkpoint_seconds, resume, force, progress_seconds)
                ->run(on_record, on_progress);
        },
        RUN_ARGUMENTS, py::arg("on_record") = py::none(), py::arg("on_progress") = py::none(),
        "Runs the search on the loaded list; on_record(Record) for every record, on_progress(Progress)\n"
        "at least every progress_seconds. Ctrl-C cancels the run and raises KeyboardInterrupt.");
}

void define_functions(py::module_& m) {
    m.def("parse_sbox", [](const std::string& text, bool bijection) { return sb::parse_sbox(text, bijection); },
          py::arg("text"), py::arg("bijection") = true, "The sixteen values of an S-box given as text.");
    m.def("hex", [](const py::object& s) { return sb::hex(sbox_of(s, false)); }, py::arg("sbox"),
          "The S-box as sixteen hexadecimal digits, S(0) first.");
    m.def("analyze", [](const py::object& s) { return sb::analyze(sbox_of(s, false)); }, py::arg("sbox"),
          "The analysis of an S-box (uniformity, linearity, branch numbers, degrees, ANF, tables).");
    m.def(
        "targets",
        [](const std::vector<py::object>& sboxes, bool inverse, bool perms, bool in_xor, bool out_xor) {
            std::vector<sb::sbox> given;
            for (const py::object& s : sboxes) given.push_back(sbox_of(s));
            return sb::target_list_text(sb::target_list(given, {inverse, perms, in_xor, out_xor}));
        },
        py::arg("sboxes"), py::kw_only(), py::arg("inverse") = false, py::arg("perms") = false,
        py::arg("in_xor") = false, py::arg("out_xor") = false,
        "The text of a target list (sb2.txt) of the S-boxes with the variants asked for, as sbtool targets\n"
        "writes it.");
    m.def(
        "load",
        [](const std::string& text, bool lenient) {
            py::gil_scoped_release released;
            return sb::load_targets(text, {nullptr, lenient});
        },
        py::arg("text"), py::kw_only(), py::arg("lenient") = false,
        "Loads a target list given as its text, replacing the list this process loaded before.");
    m.def(
        "load_file",
        [](const std::string& path, bool lenient) {
            py::gil_scoped_release released;
            return sb::load_targets_file(path, {nullptr, lenient});
        },
        py::arg("path"), py::kw_only(), py::arg("lenient") = false,
        "Loads the target list in a file, replacing the list this process loaded before.");
    m.def(
        "emit",
        [](const py::object& record, const std::string& lang, const std::string& type, const std::string& name,
           const py::object& sbox, bool inverse) {
            return sb::emit(record_text_of(record), emit_options_of(lang, type, name, sbox, inverse));
        },
        py::arg("record"), py::kw_only(), py::arg("lang") = "c", py::arg("type") = "uint64_t",
        py::arg("name") = "sbox", py::arg("sbox") = py::none(), py::arg("inverse") = false,
        "Code for a Record (or a record's text): lang \"c\", \"asm\" or \"dot\"; with sbox, code that\n"
        "computes exactly that S-box (or its inverse), the wiring folded in.");
    m.def(
        "emit_from_file",
        [](const std::string& path, long number, const std::string& lang, const std::string& type,
           const std::string& name, const py::object& sbox, bool inverse) {
            return sb::emit_from_file(path, number, emit_options_of(lang, type, name, sbox, inverse));
        },
        py::arg("path"), py::arg("number"), py::kw_only(), py::arg("lang") = "c", py::arg("type") = "uint64_t",
        py::arg("name") = "sbox", py::arg("sbox") = py::none(), py::arg("inverse") = false,
        "Code for the record with report number `number` in a search output file, as emit makes it.");
}

}  // namespace

PYBIND11_MODULE(sboxsearch, m) {
    m.doc() = "The search for short straight-line programs that compute 4-bit S-boxes (prgs1), as a library.";
    m.attr("__version__") = sb::version();
    m.attr("DEFAULT_SEED") = sb::default_seed;
    error_type = PyErr_NewException("sboxsearch.Error", PyExc_RuntimeError, nullptr);
    m.add_object("Error", py::handle(error_type));
    py::register_exception_translator([](std::exception_ptr failure) {
        try {
            if (failure) std::rethrow_exception(failure);
        } catch (const sb::error& e) {
            std::string message = e.what();
            while (!message.empty() && message.back() == '\n') message.pop_back();
            py::object raised = py::reinterpret_borrow<py::object>(error_type)(message);
            raised.attr("status") = e.status();
            PyErr_SetObject(error_type, raised.ptr());
        }
    });
    define_types(m);
    define_search(m);
    define_functions(m);
}
