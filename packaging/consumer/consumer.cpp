// Uses the installed library as another project would: analyses PRESENT, runs one pass of the
// search for one S-box in the directory given, and prints the C code of its first record.
#include <sboxsearch.h>

#include <iostream>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    namespace sb = sboxsearch;
    std::cout << "uniformity " << sb::analyze(sb::parse_sbox("c56b90ad3ef84712")).uniformity << "\n";
    sb::load_targets(sb::target_list_text(sb::target_list({sb::parse_sbox("bec018264d95af37")})));
    sb::run_options options;
    options.dir = argv[1];
    options.passes = 1;
    std::vector<sb::record> found;
    sb::search(options).run({[&found](const sb::record& r) { found.push_back(r); }, nullptr});
    std::cout << found.size() << " records\n" << sb::emit(found.at(0).text);
}
