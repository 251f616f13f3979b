// The input-file run, split so that reading the input file can be driven on its
// own (fuzzing, tests) and the table of cases can be run with a substitute clock.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "CaseRunner.h"
#include "records.h"
#include "wallclock.h"

struct RunOptions;

// The longest file name the run takes (input file, report file); a longer one
// is refused, not cut.
constexpr std::size_t max_name = 72;

// What the six records of an input file select.
struct RunInput {
    std::int32_t kind = 0;  // 1 one-sided, 2 two-sided
    std::int32_t level_first = 0, level_last = 0;
    std::int32_t df_first = 0, df_last = 0;
    double AdapQuadTol = 0.0, FunctionTol = 0.0, ResultTol = 0.0;
    std::string report;  // report file name as read, up to 72 characters
    std::int32_t sigma_first = 1, sigma_last = 3;
    bool sigmas_defaulted = false;  // record 6 was missing or malformed
};

enum class ReadOutcome {
    Ok,       // all records read (record 6 possibly replaced by the full sigma range)
    BadKind,  // record 1 is neither 1 nor 2; nothing after it was read
    Fault,    // a record from 1 to 5 is missing or malformed; `fault` says which and why
};

// Reads the six records from `in`, named `name` in fault texts. Writes nothing and never
// ends the program.
ReadOutcome read_run_input(std::istream& in, const std::string& name, RunInput& run,
                           std::string& fault);

// Empty when every index range that would run (first <= last) lies inside its table;
// otherwise a one-line reason naming the record and the allowed range.
std::string table_range_fault(const RunInput& run);

// The run reads its clock (ClockSource, wallclock.h) for the case timings and
// the date of the one-sided heading; tests give a scripted clock.
// Runs every case of the selected tables: report file, tolvane.int for two-sided runs,
// terminal records. Returns 0; 3 when the limit command failed a case (which is then
// missing from the report); or 2 after a one-line report on standard error when an
// output file or the terminal cannot be opened or written.
int run_table(const RunInput& run, const RunOptions& options, ClockSource clock = &wallclock);

// A file name as given (blank-padded to 72 characters by the reader) without its
// trailing blanks, as it is opened.
std::string trimmed_name(const std::string& name);

// Opens and reads the input file `name`: Ok, BadKind, or Fault with `fault`
// saying why (the file cannot be opened, or a record is malformed).
ReadOutcome open_run_input(const std::string& name, RunInput& run, std::string& fault);
// Empty when the run can go ahead; otherwise why the whole file is refused:
// it selects indices outside the tables or gives tolerances the computation
// cannot use.
std::string run_input_fault(const RunInput& run);

// The intermediate file of a two-sided run, in the current directory.
inline const std::string intermediate_name = "tolvane.int";

// Why the run may not write the files it would write, or "" in `why`: the
// report (or, two-sided, tolvane.int) would be the input file itself, or the
// report would be tolvane.int; with `predict_opens`, also why opening either
// for writing would fail, as the run would find it. `name` is what the one
// line names. The input-file run asks before it makes any file (and learns
// the rest by opening); --plan asks it all, so that the two refuse alike.
struct OutputRefusal {
    std::string name, why;
};
OutputRefusal output_refusal(const RunInput& run, const std::string& input, bool predict_opens);

// A case the input file selects: its values and the 1-based indices of the
// fixed tables they come from.
struct PlannedCase {
    double alpha, df, sigma;
    std::int32_t level, df_index, sigma_index;
};
// Every case of the selected ranges in run order: level-major, then df, then sigma.
std::vector<PlannedCase> plan_of(const RunInput& run);

// The cases of a table as the run computes them, in a context of their own
// (`options` and the run outlive the driver).
std::vector<CaseWork> work_of(const RunInput& run, const std::vector<PlannedCase>& plan,
                              const RunOptions& options);

// Hands every case of `work` to `views` in order, each with its result:
// computed (computed_cases), or put together from results computed elsewhere
// (tolvane --render). False when a view stopped the run.
using CaseDriver = std::function<bool(const std::vector<CaseWork>& work, CaseViews& views)>;
CaseDriver computed_cases(const RunOptions& options, ClockSource clock);

// The first record of tolvane.int.
std::string intermediate_heading();

// Writes a table's report heading into `report` (opened as `report_name`),
// then every case through `drive` with the run's views: the report lines, the
// terminal records, and the records of tolvane.int into `inter` when it is
// given (two-sided runs). Without `domain_records` the views leave out the
// domain record of each case (the driver writes it with the case's records).
// 0; 3 when a case was lost to the limit command; 2 after a one-line report
// when an output failed.
int write_table(const RunInput& run, const RunOptions& options, ClockSource clock,
                rec::RecordFile& report, const std::string& report_name, rec::RecordFile* inter,
                const std::string& inter_name, const CaseDriver& drive,
                bool domain_records = true);

// The terminal output of the input-file run before its cases: the help text
// and the prompt for the name, the refusal of a first record that is neither
// 1 nor 2 (`given` the name as read), the note of a missing sigma record.
void write_name_prompt();
void write_bad_kind(const std::string& given, std::int32_t kind);
void write_sigmas_defaulted();
