// The entries of the program: what main hands the command line to. Each
// returns the exit status; only the entries (and main) end the program.
#pragma once
#include <string>

#include "CaseRunner.h"
#include "CaseSetting.h"
#include "CaseTables.h"

// What the command line sets for a whole run, before any case.
struct RunOptions {
    bool tails = false;     // --tails: a two-sided pass of the dialogue shows each tail
    LimitsSource limits;    // --limits COMMAND, --limits-timeout SECONDS
    int jobs = 1;           // --jobs N: workers (0: every core)
    // --lambda X, --gamma2 G: the setting of the dialogue's and the input file's cases.
    double lambda = cases::lambda;
    Gamma2 gamma2;
    bool default_setting() const { return lambda == cases::lambda && gamma2.is_default(); }
    // --max-error X (negative: not given), --equal-tails: verdicts a CI can act on.
    double max_error = -1.0;
    bool equal_tails = false;
    bool verdicts() const { return max_error >= 0.0; }
};

// The mode question, then the dialogue or the input-file run.
int tolvane_main(const RunOptions& options);

// The interactive verification: one case at a time, until the input ends
// (which ends the program with status 2, as every malformed answer does).
[[noreturn]] void verify_main(const RunOptions& options);
// The dialogue's help text; `setting` as setting_text says it.
void writeverifyinfo(const std::string& setting = "mu=0, lambda=0.5, gamma-squared=df+1");

// The input-file run: asks for the file's name, runs its table of cases.
int verify_readfile(const RunOptions& options);
void writeinfo_readfile();

// The case lists (standard output: CSV; diagnostics: standard error).
// --plan FILE: the cases an input file selects, in run order.
int plan_main(const std::string& name, const RunOptions& options);
// --cases FILE|- [--part K/N]: runs every case row (or the K-th of N parts).
int cases_main(const std::string& name, const std::string& part, const RunOptions& options);
bool valid_part(const std::string& text);
// --grid SPEC: the case list of a grid of cases on standard output.
int grid_main(const std::string& spec);
