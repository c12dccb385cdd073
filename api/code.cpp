// The library's emit: code from a record, given as its text or found in a search output.
#include <cstdlib>

#include "api/errors.h"
#include "api/sboxsearch.h"
#include "foundation/init.h"
#include "tools/emit.h"
#include "tools/record.h"

namespace sboxsearch {

namespace {

// The request sbtool emit would make of the options, checked as it checks them.
emit_request request_of(const emit_options& options) {
    emit_request q;
    q.lang = options.lang;
    q.type = options.type;
    q.name = options.name;
    if (!options.sbox.empty()) q.sbox = options.sbox;
    q.inverse = options.inverse;
    init_startup();
    check_emit_usage(q);
    check_emit_names(q);
    return q;
}

}  // namespace

std::string emit(const std::string& record_text, const emit_options& options) {
    return translated([&] {
        const emit_request q = request_of(options);
        const std::string source = "the record text";
        const output_file file = split_output(record_text);
        if (file.records.empty()) data_error(source + " holds no record (a \"found\" line and what follows)");
        const raw_record& raw = file.records.front();
        const long number = std::strtol(raw.lines[0].c_str() + 6, nullptr, 10);
        return emit_code(checked_record(raw, source, number), q, source);
    });
}

std::string emit_from_file(const std::string& path, long number, const emit_options& options) {
    return translated([&] {
        const emit_request q = request_of(options);
        return emit_code(find_record(path, number), q, path);
    });
}

}  // namespace sboxsearch
