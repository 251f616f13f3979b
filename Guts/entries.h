// The entries of the program: what main hands the command line to. Each
// returns the exit status; only the entries (and main) end the program.
#pragma once
#include <string>
#include <vector>

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
    // -o, --output FILE: --plan's, --cases' or --render's CSV go to FILE, whole
    // or not at all ("": standard output).
    std::string output;
    bool records = false;   // --records: results rows carry what --render needs
    bool count = false;     // --count: only the number of case rows of a list
    bool progress = false;  // --progress: a progress line on standard error
    // --max-error X (negative: not given), --equal-tails: verdicts a CI can act on.
    double max_error = -1.0;
    bool equal_tails = false;
    bool verdicts() const { return max_error >= 0.0; }
};

// The mode question, then the dialogue or the input-file run.
int tolvane_main(const RunOptions& options);
void write_mode_question();

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
// --cases FILE|- [--part K/N]: runs every case row (or the K-th of N parts);
// with `render` (--render PART.csv...), puts together the results of parts
// computed with --records instead, accepting them only when their rows are
// those of the list.
int cases_main(const std::string& name, const std::string& part, const RunOptions& options,
               const std::vector<std::string>* render = nullptr);
// --render INPUT-FILE RESULTS.csv...: the report, tolvane.int and terminal
// output of the input-file run, from the results of its cases computed with
// --cases PLAN --records.
int render_main(const std::string& input, const std::vector<std::string>& results,
                const RunOptions& options);
// The exit status of a --render whose results are not those of the cases.
constexpr int results_mismatch = 5;
bool valid_part(const std::string& text);
// --grid AXES: the case list of a grid of cases on standard output.
int grid_main(const std::string& words);
