// The entries of the program: what main hands the command line to. Each
// returns the exit status; only the entries (and main) end the program.
#pragma once
#include <string>

#include "CaseRunner.h"

// What the command line sets for a whole run, before any case.
struct RunOptions {
    bool tails = false;     // --tails: a two-sided pass of the dialogue shows each tail
    LimitsSource limits;    // --limits COMMAND, --limits-timeout SECONDS
    int jobs = 1;           // --jobs N: workers (0: every core)
};

// The mode question, then the dialogue or the input-file run.
int tolvane_main(const RunOptions& options);

// The interactive verification: one case at a time, until the input ends
// (which ends the program with status 2, as every malformed answer does).
[[noreturn]] void verify_main(const RunOptions& options);
void writeverifyinfo();

// The input-file run: asks for the file's name, runs its table of cases.
int verify_readfile(const RunOptions& options);
void writeinfo_readfile();

// The case lists (standard output: CSV; diagnostics: standard error).
// --plan FILE: the cases an input file selects, in run order.
int plan_main(const std::string& name);
// --cases FILE|- [--part K/N]: runs every case row (or the K-th of N parts).
int cases_main(const std::string& name, const std::string& part, const RunOptions& options);
bool valid_part(const std::string& text);
