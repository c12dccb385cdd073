// The benchmarks' working directory: a fresh folder under /tmp holding the list as sb2.txt.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <string>

// Copies the list into a fresh directory as sb2.txt and makes it the working directory.
inline bool enter_work_dir(const std::string& list) {
    char pattern[] = "/tmp/sbox_bench.XXXXXX";
    const char* dir = mkdtemp(pattern);
    if (!dir) return false;
    std::ifstream in(list, std::ios::binary);
    std::ofstream out(std::string(dir) + "/sb2.txt", std::ios::binary);
    if (!in || !out) return false;
    out << in.rdbuf();
    out.close();
    return chdir(dir) == 0;
}
