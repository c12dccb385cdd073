// prgs1: searches short register-machine programs for the S-boxes listed in "sb2.txt" and
// writes every newly or more cheaply reached one to "prgs1b.txt". Runs until stopped.
#include "search/driver.h"

int main() {
    start_up();
    search();
}
