#include "foundation/fatal.h"

#include <cstdlib>
#include <iostream>

void fatal(const std::string& message, int status) {
    std::cout << message;
    std::cout.flush();
    std::exit(status);
}
