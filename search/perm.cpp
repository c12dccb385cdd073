#include "search/perm.h"

#include <iostream>

void init_perm() {
    std::cout << "initializing perms\n";
}
