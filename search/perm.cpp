#include "search/perm.h"

#include <iostream>

void init_perm(std::ostream& console) {
    console << "initializing perms\n";
}
