#include "foundation/fatal.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>

void fatal(const std::string& message, int status) {
    std::cout << message;
    std::cout.flush();
    std::fflush(nullptr);
    // Ends at once, without running destructors, so that a fault found while other threads
    // still run cannot race with the teardown of the streams and tables they use.
    std::_Exit(status);
}
