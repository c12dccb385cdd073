// sbtool: the companion command-line program of the search; see "sbtool --help".
#include <iostream>
#include <string>
#include <vector>

#include "tools/tool.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    const int status = run_sbtool(args, std::cout, std::cerr);
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "sbtool: error writing to standard output\n";
        return status == 0 ? 1 : status;
    }
    return status;
}
