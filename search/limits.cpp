#include "search/limits.h"

std::string limits_fault(const search_limits& l) {
    // The shortest length that leaves room for three deadlines after the start pair.
    const int shortest = start_pair_length + 3;
    if (l.length < shortest || l.length > longest_program)
        return "the program length must be " + std::to_string(shortest) + " to " + std::to_string(longest_program) +
               " instructions, not " + std::to_string(l.length);
    const int* d = l.deadline;
    if (d[0] < start_pair_length || d[0] >= d[1] || d[1] >= d[2] || d[2] > l.last_index())
        return "the deadlines must rise strictly from at least " + std::to_string(start_pair_length) +
               " to at most the last index " + std::to_string(l.last_index()) + ", not " + std::to_string(d[0]) +
               "," + std::to_string(d[1]) + "," + std::to_string(d[2]);
    return "";
}
