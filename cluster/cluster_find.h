// sbtool-mpi find: the members of sbtool find spread over the ranks of an MPI job. Rank 0 sets
// the find up in DIR, runs members on its own threads and hands the others out, one member at a
// time, to the ranks that have a thread free; each other rank runs its members in a folder of
// its own under $TMPDIR and sends each member's output and checkpoint back when the member
// ends, and rank 0 writes them into DIR/members/K. Member K runs the same pass wherever it
// runs, so the findings are those of sbtool find with the same members.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "cluster/cluster_search.h"

// Rank 0: sbtool-mpi find with its arguments (after "find"). Returns the exit status; a refusal
// is a tool_error.
int cluster_find_command(worker_ranks& ranks, const std::vector<std::string>& args, std::ostream& out,
                         std::ostream& err);

// Every rank but 0: runs the members rank 0 sends until it says stop. Returns the exit status.
int serve_find();
