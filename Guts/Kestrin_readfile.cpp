// The input-file run over a table of cases, its reports and intermediate file.
#include "Kestrin_readfile.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <istream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "Case.h"
#include "CaseDomain.h"
#include "CaseList.h"
#include "CaseRunner.h"
#include "CaseTables.h"
#include "Verdicts.h"
#include "entries.h"
#include "filenames.h"
#include "freeform.h"
#include "progress.h"
#include "records.h"
#include "sink.h"

namespace {

using cases::mu;

std::string formatted_text(std::string_view fmt, std::initializer_list<rec::Item> items) {
    return rec::format(fmt, items) + '\n';
}

bool open_for_writing(rec::RecordFile& out, const std::string& name, bool keep = false) {
    if (out.open(name, keep)) return true;
    report_fault(name, std::string("cannot create the file: ") + std::strerror(errno));
    return false;
}

int closed(rec::RecordFile& out, const std::string& name) {
    if (!out.close()) {
        report_fault(name, std::string("cannot write the file: ") + std::strerror(errno));
        return 2;
    }
    return 0;
}

// Every record is pushed to the file as soon as it is written, so a run that is
// stopped or dies keeps all finished cases; a write that fails ends the run,
// the file cut back to its last complete record.
bool put(rec::RecordFile& file, const std::string& name, const std::string& text) {
    if (file.put(text)) return true;
    report_fault(name, std::string("cannot write the file: ") + std::strerror(errno));
    return false;
}

// A case that runs over midnight sees its end reading below its start reading;
// elapsed_seconds adds the day back.
double minutes_between(double t0, double t1) { return elapsed_seconds(t0, t1) / 60.0; }

// How a kind of run prints the result of a case: its report and terminal
// formats, and the word after the minutes on the terminal. Both print the
// coverage value v as 1 - v (the integral column, alpha for an exact limit)
// and v - (1 - alpha) (the error column).
struct CaseRecords {
    const char* report;
    const char* terminal;
    const char* terminal_minutes;
};

// The views of both kinds of run: before every case what the kind writes
// before its computation (the two-sided intermediate record), then the domain
// record; after it the case's report and terminal records, then the records of
// the faults of its limits (on the terminal only: the report keeps its
// format). A case whose limits the outside limit command failed to give has
// no result: the terminal says why and the report gets no line for it.
class TableViews : public CaseViews {
public:
    TableViews(const RunInput& run, const std::vector<PlannedCase>& plan,
               const std::vector<CaseWork>& work, bool asked, rec::RecordFile& report,
               const std::string& report_name, const CaseRecords& records, int sides,
               rec::RecordFile* inter, const std::string& inter_name, bool domain_records,
               Verdicts* verdicts)
        : run_(run), plan_(plan), work_(work), asked_(asked), report_(report),
          report_name_(report_name), records_(records), sides_(sides), inter_(inter),
          inter_name_(inter_name), domain_records_(domain_records), verdicts_(verdicts) {}

    bool lost = false;  // a case was lost to the limit command

    bool before(std::size_t i) override {
        const PlannedCase& p = plan_[i];
        std::ostream& terminal = std::cout;
        if (inter_ != nullptr) {
            // Named before the long computation, so the file shows the case in progress.
            if (!put(*inter_, inter_name_,
                     formatted_text("(A20,2F10.4,F7.1,F8.3)",
                                    {"Mu,Sigma,df,alpha are ", mu, p.sigma, p.df, p.alpha})))
                return false;
            rec::formatted(terminal, "(A20,2F10.4,F7.1,F8.3)",
                           {"Mu,Sigma,df,alpha are ", mu, p.sigma, p.df, p.alpha});
            if (!terminal_written()) return false;
        }
        if (domain_records_) write_domain_record(terminal, work_[i].c, asked_);
        return true;
    }

    bool after(std::size_t i, const CaseResult* result) override {
        const PlannedCase& p = plan_[i];
        const CaseResult& r = *result;
        std::ostream& terminal = std::cout;
        if (verdicts_ != nullptr)
            verdicts_->add("alpha " + caselist::real(p.alpha) + ", df " + caselist::real(p.df) +
                               ", sigma " + caselist::real(p.sigma),
                           &work_[i].c, &r);
        if (r.status == CaseStatus::Failed) {
            lost = true;
            rec::list(terminal, {r.message});
            rec::list(terminal, {"Case not reported: alpha, df, sigma", p.alpha, p.df, p.sigma});
            return terminal_written();
        }
        const double minutes = minutes_between(r.clock_begin, r.clock_end);
        // Not (1 - I_L) + I_U, which the dialogue prints: the other rounding of
        // the same sum, and the reports have always printed this one.
        const double value = sides_ == 2 ? r.file_miss() : r.integral;
        const int n = r.neval;
        if (!put(report_, report_name_,
                 formatted_text(records_.report,
                                {p.alpha, p.df, p.sigma, 1.0 - value, value - (1.0 - p.alpha),
                                 run_.AdapQuadTol, run_.FunctionTol, run_.ResultTol, minutes,
                                 " min.", n})))
            return false;
        rec::formatted(terminal, records_.terminal,
                       {p.alpha, p.df, p.sigma, 1.0 - value, value - (1.0 - p.alpha), minutes,
                        records_.terminal_minutes, n});
        write_fault_records(terminal, r);
        return terminal_written();
    }

private:
    const RunInput& run_;
    const std::vector<PlannedCase>& plan_;
    const std::vector<CaseWork>& work_;
    bool asked_;
    rec::RecordFile& report_;
    const std::string& report_name_;
    CaseRecords records_;
    int sides_;
    rec::RecordFile* inter_;
    std::string inter_name_;
    bool domain_records_;
    Verdicts* verdicts_;
};

// The report's heading names the setting when it is not the standardised one.
bool put_setting(rec::RecordFile& report, const std::string& name, const RunOptions& options) {
    if (options.default_setting()) return true;
    return put(report, name,
               rec::list_text({"Setting: " + setting_text(mu, options.lambda, options.gamma2)}));
}

int run_two_sided(const RunInput& run, const std::string& report_name, const RunOptions& options,
                  ClockSource clock) {
    const std::string& int_name = intermediate_name;
    rec::RecordFile inter;
    // Made (or found) first and emptied only once the report is known to be
    // another file: a report written into tolvane.int would interleave the two.
    // The entry has refused such a report by its name already; this holds
    // when the run is driven without it, or the files changed in between.
    if (!open_for_writing(inter, int_name, true)) return 2;
    if (inter.same_file(report_name)) {
        if (inter.created()) ::unlink(int_name.c_str());
        report_fault(report_name, "the report file is the same file as " + int_name +
                                      ", which holds the intermediate results of a two-sided run");
        return 2;
    }
    if (!inter.empty()) {
        report_fault(int_name, std::string("cannot create the file: ") + std::strerror(errno));
        return 2;
    }
    if (!put(inter, int_name, intermediate_heading())) return 2;

    rec::RecordFile report;
    if (!open_for_writing(report, report_name)) return 2;
    const int status = write_table(run, options, clock, report, report_name, &inter, int_name,
                                   computed_cases(options, clock));
    if (status == 2) return 2;
    return closed(report, report_name) != 0 ? 2 : status;
}

int run_one_sided(const RunInput& run, const std::string& report_name, const RunOptions& options,
                  ClockSource clock) {
    rec::RecordFile report;
    if (!open_for_writing(report, report_name)) return 2;
    // No record before the computation and no intermediate file.
    const int status = write_table(run, options, clock, report, report_name, nullptr, "",
                                   computed_cases(options, clock));
    if (status == 2) return 2;
    return closed(report, report_name) != 0 ? 2 : status;
}

}  // namespace

std::vector<CaseWork> work_of(const RunInput& run, const std::vector<PlannedCase>& plan,
                              const RunOptions& options) {
    std::vector<CaseWork> work;
    work.reserve(plan.size());
    for (const PlannedCase& p : plan)
        work.push_back({Case{.sides = run.kind == 2 ? 2 : 1, .df = p.df, .sigma = p.sigma,
                             .alpha = p.alpha, .AdapQuadTol = run.AdapQuadTol,
                             .FunctionTol = run.FunctionTol, .ResultTol = run.ResultTol,
                             .mu = mu, .lambda = options.lambda, .gamma2 = options.gamma2},
                        true});
    return work;
}

std::string intermediate_heading() {
    return rec::list_text({"Intermediate results for verifying two-tailed..."});
}

CaseDriver computed_cases(const RunOptions& options, ClockSource clock) {
    return [&options, clock](const std::vector<CaseWork>& work, CaseViews& views) {
        return run_in_order(work, options.jobs, options.limits, std::cout, views, clock);
    };
}

int write_table(const RunInput& run, const RunOptions& options, ClockSource clock,
                rec::RecordFile& report, const std::string& report_name, rec::RecordFile* inter,
                const std::string& inter_name, const CaseDriver& drive, bool domain_records) {
    CaseRecords records{};
    if (run.kind == 2) {
        if (!put(report, report_name, rec::list_text({"Verifying two-tailed "})) ||
            !put_setting(report, report_name, options) ||
            !put(report, report_name,
                 rec::list_text({" alpha  df  sigma  Integ   Error  AdqTol FncTol ResTol"})))
            return 2;
        records = {"(F6.3,F5.0,F7.1,1p,2(E8.1),3E7.0,0p,F9.1,A5,I7)",
                   "(F9.3,F7.0,F7.2,1p,2(E14.3),0p,F9.2,A9,I7)", " min. "};
    } else {
        const WallClock now = clock();
        if (!put(report, report_name, rec::list_text({"Verifying one-tailed "})) ||
            !put_setting(report, report_name, options) ||
            !put(report, report_name,
                 formatted_text("(I2,a1,I2,A4,I2,A1,I2,A1,I4)",
                                {now.hour, ":", now.minute, "  ", now.month, "/", now.day, "/",
                                 now.year})) ||
            !put(report, report_name,
                 formatted_text("(A14,1p,E8.1,A14,E8.1,A14,E8.1)",
                                {" AdapQuadTol: ", run.AdapQuadTol, " FunctionTol: ",
                                 run.FunctionTol, " ResultTol: ", run.ResultTol})) ||
            !put(report, report_name,
                 rec::list_text({" alpha  df  sigma   Integral      Error  AdqTol FncTol ResTol"})))
            return 2;
        records = {"(F7.3,F5.0,F5.1,1p,2(E12.3),3E7.0,0p,F6.1,A5,I7,)",
                   "(F7.3,F5.0,F9.5,1p,2(E14.3),0p,F9.2,A9,I7)", " minutes"};
    }
    const std::vector<PlannedCase> plan = plan_of(run);
    const std::vector<CaseWork> work = work_of(run, plan, options);
    Verdicts verdicts(options.max_error, options.equal_tails);
    TableViews views(run, plan, work, options.limits.asked(), report, report_name, records,
                     run.kind == 2 ? 2 : 1, inter, inter_name, domain_records,
                     options.verdicts() ? &verdicts : nullptr);
    ProgressLine line(options.progress, work.size());
    ProgressViews counted(views, line);
    const bool done = drive(work, options.progress ? static_cast<CaseViews&>(counted) : views);
    line.finish();
    if (!done) return 2;
    // With --max-error, the summary of the verdicts on standard error.
    if (options.verdicts()) {
        std::cout.flush();
        std::cerr << "tolvane: " << verdicts.summary() << std::endl;
        if (verdicts.any_missed()) return MissedStatus;
    }
    return views.lost ? 3 : 0;
}

// The reader pads a character value to its declared length; files are opened
// under the name without those blanks.
std::string trimmed_name(const std::string& name) {
    const auto end = name.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : name.substr(0, end + 1);
}

ReadOutcome read_run_input(std::istream& in, const std::string& name, RunInput& run,
                           std::string& fault) {
    ff::Reader file(in, name);
    std::string why;
    // A read may run on over several lines, so a fault names both the record
    // being read and the line it was found on (or the last line before the end).
    auto at = [&](int record, const std::string& what, bool on_line = false) {
        std::string where = "record " + std::to_string(record);
        if (on_line || file.fault_on_line())
            where += ", line " + std::to_string(file.line());
        else if (file.line() > 0)
            where += ", after line " + std::to_string(file.line());
        fault = where + ": " + what;
        return ReadOutcome::Fault;
    };
    if (!file.try_read({run.kind}, why)) return at(1, why);
    if (run.kind != 1 && run.kind != 2) return ReadOutcome::BadKind;
    if (!file.try_read({run.level_first, run.level_last}, why)) return at(2, why);
    if (!file.try_read({run.df_first, run.df_last}, why)) return at(3, why);
    if (!file.try_read({run.AdapQuadTol, run.FunctionTol, run.ResultTol}, why))
        return at(4, why);
    // Read whole, not cut to its 72 characters: a cut name could be another,
    // existing file, which the run would overwrite.
    std::string report;
    if (!file.try_read({ff::Target(report, ff::max_line)}, why)) return at(5, why);
    const std::string report_name = trimmed_name(report);
    if (report_name.empty()) return at(5, "the report file name is blank", true);
    if (report_name.size() > max_name) {
        return at(5,
                  "the report file name is longer than " + std::to_string(max_name) +
                      " characters",
                  true);
    }
    run.report = report.substr(0, max_name);
    // The sigma range alone may be left out: the run then takes all three sigmas.
    // An input that fails (a read error, an over-long line) is no missing record.
    if (!file.try_read({run.sigma_first, run.sigma_last}, why)) {
        if (file.input_failed()) return at(6, why);
        run.sigma_first = 1;
        run.sigma_last = 3;
        run.sigmas_defaulted = true;
    }
    return ReadOutcome::Ok;
}

std::string table_range_fault(const RunInput& run) {
    struct Range {
        int record;
        const char* what;
        std::int32_t first, last, size;
    };
    constexpr auto size = [](const auto& table) {
        return static_cast<std::int32_t>(std::size(table));
    };
    const Range ranges[] = {{2, "level", run.level_first, run.level_last, size(cases::levels)},
                            {3, "df", run.df_first, run.df_last, size(cases::dfs)},
                            {6, "sigma", run.sigma_first, run.sigma_last, size(cases::sigmas)}};
    for (const Range& r : ranges) {
        if (r.first > r.last) continue;  // runs no case, so no index is used
        if (r.first < 1 || r.last > r.size)
            return "record " + std::to_string(r.record) + ": " + r.what + " indices " +
                   std::to_string(r.first) + " to " + std::to_string(r.last) +
                   " must lie within 1 to " + std::to_string(r.size);
    }
    return std::string();
}

int run_table(const RunInput& run, const RunOptions& options, ClockSource clock) {
    const std::string report_name = trimmed_name(run.report);
    return run.kind == 2 ? run_two_sided(run, report_name, options, clock)
                         : run_one_sided(run, report_name, options, clock);
}

ReadOutcome open_run_input(const std::string& name, RunInput& run, std::string& fault) {
    ff::FileBuf file;
    std::string why;
    if (!file.open_regular(name, why)) {
        fault = "cannot open the input file: " + why;
        return ReadOutcome::Fault;
    }
    std::istream in(&file);
    return read_run_input(in, name, run, fault);
}

std::string run_input_fault(const RunInput& run) {
    // The tables are fixed; an index outside them has no case to run, so the whole
    // file is refused before any output file is made.
    const std::string range = table_range_fault(run);
    if (!range.empty()) return range;
    // The cases come from the fixed tables, the tolerances do not.
    const std::string tolerances =
        domain::tolerance_fault(run.AdapQuadTol, run.FunctionTol, run.ResultTol);
    if (!tolerances.empty()) return "record 4: " + tolerances;
    return std::string();
}

OutputRefusal output_refusal(const RunInput& run, const std::string& input, bool predict_opens) {
    const std::string report = trimmed_name(run.report);
    const bool two = run.kind == 2;
    // Opened for writing, the input file would be emptied: the run has read
    // it, but it is the only copy of the table.
    if (fname::one_file(report, input))
        return {report, "the report file is the same file as the input file " + input};
    if (two && fname::one_file(input, intermediate_name))
        return {input, "the input file is the same file as " + intermediate_name +
                           ", which a two-sided run overwrites with its intermediate results"};
    // Both written record by record, the two would interleave.
    if (two && fname::one_file(report, intermediate_name))
        return {report, "the report file is the same file as " + intermediate_name +
                            ", which holds the intermediate results of a two-sided run"};
    if (predict_opens) {
        // In the run's order: tolvane.int is made first (exclusively, so that
        // an earlier one is emptied only once the report is known to differ).
        if (two) {
            if (const int e = fname::creation_error(intermediate_name, true))
                return {intermediate_name, std::string("cannot create the file: ") + std::strerror(e)};
        }
        if (const int e = fname::creation_error(report))
            return {report, std::string("cannot create the file: ") + std::strerror(e)};
    }
    return {};
}

std::vector<PlannedCase> plan_of(const RunInput& run) {
    std::vector<PlannedCase> plan;
    for (std::int32_t i = run.level_first; i <= run.level_last; ++i)
        for (std::int32_t j = run.df_first; j <= run.df_last; ++j)
            for (std::int32_t k = run.sigma_first; k <= run.sigma_last; ++k)
                plan.push_back({cases::levels[i - 1], cases::dfs[j - 1], cases::sigmas[k - 1], i, j, k});
    return plan;
}

void writeinfo_readfile() {
    std::ostream& out = std::cout;
    rec::formatted(out, "(A1)", {"-"});
    rec::text_lines(out, {"This program is used to assist in verifying",
                          "the accuracy of the calculated confidence limits",
                          "for a given degrees of freedom, s and alpha. ",
                          "There is minimal error-checking on user-input.",
                          "The possible values for sigma, df, alpha are set.",
                          "Based on the contents of the input file, some ",
                          "or all of these cases will be tested."});
}

void write_name_prompt() {
    writeinfo_readfile();
    rec::list(std::cout, {" Enter name of input file "});
    std::cout.flush();
}

void write_bad_kind(const std::string& given, std::int32_t kind) {
    std::ostream& out = std::cout;
    std::string padded = given.substr(0, std::min(given.size(), max_name));
    if (padded.size() < 72) padded.resize(72, ' ');
    rec::list(out, {" Error in 1st line of file ", padded});
    rec::list(out, {" Value must be 1 or 2 for testing one- or two-sided limits."});
    rec::list(out, {"Value in file is ", kind});
}

void write_sigmas_defaulted() {
    rec::list(std::cout, {"Error reading sigmas.  Will do all three..."});
}

int verify_readfile(const RunOptions& options) {
    write_name_prompt();

    std::string given;
    ff::Reader terminal(std::cin, "standard input");
    terminal.read({ff::Target(given, ff::max_line)});
    const std::string name = trimmed_name(given);
    // An unquoted slash ends the value, so "/tmp/x.in" typed bare reads as nothing.
    if (name.empty())
        fatal(terminal.name(),
               "blank input file name (quote a name with blanks, commas or slashes)");
    // Cut to its 72 characters, the name could open another file.
    if (name.size() > max_name)
        fatal(terminal.name(), "the input file name is longer than " +
                                    std::to_string(max_name) + " characters");
    given.resize(std::min(given.size(), max_name));

    // What is left of a name cut at a slash seldom opens; if it does not, the
    // refusal says why the name is not the one typed.
    if (terminal.cut_at_slash()) {
        ff::FileBuf probe;
        std::string why;
        if (!probe.open_regular(name, why))
            fatal(name, "cannot open the input file: " + why +
                            " (the name read ends at a slash: quote a name with blanks, "
                            "commas or slashes)");
    }

    RunInput run;
    std::string fault;
    const ReadOutcome outcome = open_run_input(name, run, fault);
    if (outcome == ReadOutcome::Fault) fatal(name, fault);
    if (outcome == ReadOutcome::BadKind) {
        write_bad_kind(given, run.kind);
        return terminal_written() ? 0 : 2;
    }
    if (run.sigmas_defaulted) write_sigmas_defaulted();
    if (!terminal_written()) return 2;
    const std::string refused = run_input_fault(run);
    if (!refused.empty()) fatal(name, refused);
    // Before any file is made: a refused run leaves every file as it was.
    const OutputRefusal output = output_refusal(run, name, false);
    if (!output.why.empty()) fatal(output.name, output.why);

    // 3 when the limit command failed a case: it is missing from the report.
    const int status = run_table(run, options);
    if (status != 2 && !terminal_written()) return 2;
    return status;
}
