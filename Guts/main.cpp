#include <cstdio>
#include <cstring>

#include "Kestrin.h"

#ifndef TOLVANE_VERSION
#define TOLVANE_VERSION "unknown"
#endif

namespace {

const char usage[] =
    "Usage: tolvane\n"
    "       tolvane --help | --version\n"
    "\n"
    "Checks by numerical integration how exact the one- and two-sided confidence\n"
    "limits on mu + lambda*sigma^2 of a normal sample are (mu = 0, lambda = 0.5).\n"
    "It takes no arguments: it asks on standard input\n"
    "  Interactive version (1) or read input file(2)?\n"
    "Answer 1 to verify one case at a time at the terminal, 2 to run the table of\n"
    "cases that an input file selects; that run writes a report file (and, for\n"
    "two-sided limits, tolvane.int in the current directory).\n"
    "\n"
    "  --help     show this text and exit\n"
    "  --version  show the version and exit\n"
    "\n"
    "Exit status: 0 at the end of an input-file run (and after a first record\n"
    "that is neither 1 nor 2); 2 on missing or malformed input, at the end of\n"
    "input in the interactive dialogue, on a file that cannot be written, or on\n"
    "a bad argument.\n"
    "\n"
    "See tolvane(1); tolvane-table runs a table on every core or on several\n"
    "machines, tolvane-plot draws a report.\n";

// Help and version go to standard output; a write that fails must not pass as success.
int finish_stdout() {
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fputs("tolvane: standard output: write error\n", stderr);
        return 2;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc <= 1) return tolvane_main();
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(usage, stdout);
        return finish_stdout();
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::fputs("tolvane " TOLVANE_VERSION "\n", stdout);
        return finish_stdout();
    }
    // The dialogue is the whole interface; an argument is a mistake, not something to ignore.
    const char* bad = argc == 2 || (std::strcmp(argv[1], "--help") != 0 &&
                                    std::strcmp(argv[1], "--version") != 0)
                          ? argv[1]
                          : argv[2];
    std::fprintf(stderr, "tolvane: unexpected argument '%s' (tolvane takes no arguments; see tolvane --help)\n",
                 bad);
    return 2;
}
