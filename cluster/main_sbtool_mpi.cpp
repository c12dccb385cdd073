// sbtool-mpi: the search of sbtool search across the ranks of an MPI job, with the same output;
// see "sbtool-mpi search --help". Run it as: mpirun -np P sbtool-mpi search --dir DIR
//
// Threads and MPI: on every rank the main thread alone calls MPI (MPI_THREAD_FUNNELED). On
// rank 0 it is also the thread that merges and writes every record, so that nothing MPI does,
// an aborting error included, can happen while a record is half written; the walking thread
// and the threads that run batches only meet it through the walk's channel. On the other
// ranks the threads that run batches meet it through a queue of message bytes.
#include <mpi.h>

#include <iostream>
#include <string>
#include <vector>

#include "cluster/cluster_find.h"
#include "cluster/cluster_search.h"
#include "cluster/messages.h"
#include "foundation/fatal.h"
#include "foundation/version.h"
#include "search/run.h"
#include "search/status.h"
#include "tools/search_setup.h"
#include "tools/tool.h"

namespace {

const char* const usage =
    "usage: mpirun -np P sbtool-mpi search [OPTIONS]\n"
    "       mpirun -np P sbtool-mpi find [OPTIONS] SBOX...\n"
    "       sbtool-mpi search --help | find --help\n"
    "       sbtool-mpi --version\n";

const char* const help_head =
    "usage: mpirun -np P sbtool-mpi search [--threads N] [--passes N] [--dir DIR]\n"
    "           [--resume | --force] [--seed N] [--quiet] [--exhaustive] [--max-length N]\n"
    "           [--deadlines A,B,C]\n"
    "\n"
    "Runs the search of sbtool search across the P ranks of an MPI job. Rank 0 reads the target\n"
    "list sb2.txt in DIR (default: its current directory), walks the part of the tree where the\n"
    "random gate draws, merges in walk order and alone writes prgs1b.txt there and the console;\n"
    "every other rank receives the list once and runs subtrees. The output file and the console\n"
    "(apart from the pass times) are byte for byte those of prgs1, whatever P and N. A list that\n"
    "sbtool search refuses (no S-box, a last S-box cut short, a value that is not a decimal\n"
    "number 0..15) is refused before anything is written.\n"
    "\n"
    "  --threads N       threads on every rank (default: the cores each rank's process may\n"
    "                    use, at most 4096); rank 0 walks on one of them and runs subtrees\n"
    "                    on the others, and merges on a thread of its own\n";

const char* const help_tail =
    "\n"
    "A rank that ends (killed, or its machine gone) ends the job, and so does SIGINT or SIGTERM\n"
    "to mpirun; rank 0 finishes and flushes a record being written first, so prgs1b.txt always\n"
    "ends with a complete record or a \"Starting\" line, and --resume goes on with the run on\n"
    "any number of ranks. A rank that cannot load the list ends the job with one line.\n";

// sbtool-mpi search, on rank 0.
int cluster_search_command(worker_ranks& ranks, const std::vector<std::string>& args, std::ostream& out) {
    report_faults_on_stderr("sbtool-mpi search: ");
    end_on_out_of_memory();
    search_options options;
    search_setup setup;
    const search_command_texts texts = {"sbtool-mpi search", help_head, help_tail,
                                        "mpirun -np " + std::to_string(rank_count()) + " sbtool-mpi search"};
    if (!start_search_command(args, texts, out, std::cerr, options, setup)) return 0;
    cluster_settings settings;
    settings.threads = options.threads_given ? options.threads : 0;
    settings.limits = setup.run.limits;
    settings.exhaustive = setup.run.settings.exhaustive;
    settings.list_text = setup.list_text;
    const std::string fault = start_worker_ranks(ranks, settings);
    if (!fault.empty()) data_error(fault);
    setup.status.start();
    search_cluster(ranks, setup.run, options.threads);
    setup.status.stop();
    return 0;
}

// Rank 0: the command line, with every failure as one line on standard error.
int run_on_rank_zero(worker_ranks& ranks, const std::vector<std::string>& args) {
    if (!args.empty() && args[0] == "--version") {
        std::cout << "sbtool-mpi " << program_version << "\n";
        return 0;
    }
    if (args.empty() || (args[0] != "search" && args[0] != "find")) {
        const bool help = !args.empty() && (args[0] == "--help" || args[0] == "-h");
        (help ? std::cout : std::cerr) << usage;
        return help ? 0 : status_usage;
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    try {
        if (args[0] == "find") return cluster_find_command(ranks, rest, std::cout, std::cerr);
        return cluster_search_command(ranks, rest, std::cout);
    } catch (const std::exception& e) {
        const tool_error* known = dynamic_cast<const tool_error*>(&e);
        std::cout.flush();
        std::cerr << "sbtool-mpi " << args[0] << ": " << e.what() << "\n";
        return known ? known->status() : status_bad_data;
    }
}

}  // namespace

int main(int argc, char** argv) {
    int provided = MPI_THREAD_SINGLE;
    MPI_Init_thread(&argc, &argv, MPI_THREAD_FUNNELED, &provided);
    if (provided < MPI_THREAD_FUNNELED) {
        std::cerr << "sbtool-mpi: this MPI library cannot run threads beside its calls\n";
        MPI_Abort(MPI_COMM_WORLD, 1);
    }
    int status = 0;
    if (own_rank() == 0) {
        worker_ranks ranks;
        status = run_on_rank_zero(ranks, std::vector<std::string>(argv + 1, argv + argc));
        release_worker_ranks(ranks);
        std::cout.flush();
        if (!std::cout) {
            std::cerr << "sbtool-mpi: error writing to standard output\n";
            if (status == 0) status = 1;
        }
    } else {
        // Every rank is given the same arguments: the other ranks serve the command rank 0 runs.
        status = argc > 1 && std::string(argv[1]) == "find" ? serve_find() : serve_cluster();
    }
    MPI_Finalize();
    return status;
}
