// --plan: the cases an input file selects, in the order its run takes them,
// as a case list with the tables' indices, the report's name and the setting.
#include <iostream>
#include <string>

#include "CaseList.h"
#include "CaseTables.h"
#include "Kestrin_readfile.h"
#include "OutputFile.h"
#include "entries.h"
#include "sink.h"

namespace {

// The plan goes to standard output a row at a time, or with -o to its file
// whole at the end.
struct Rows {
    std::string held;
    bool holding = false;

    bool put_row(const std::string& row) {
        if (holding) {
            held += row + '\n';
            return true;
        }
        std::cout << row << '\n';
        return terminal_written();
    }
};

int finish(const Rows& rows, const std::string& name, const RunOptions& options) {
    if (!rows.holding) return 0;
    const std::string& held = rows.held;
    const std::string refused = overwrites_input(options.output, name, "input file");
    if (!refused.empty()) fatal(options.output, refused);
    OutputFile out;
    std::string why;
    if (!out.open(options.output, why)) fatal(options.output, why);
    if (!write_all(out.fd(), held, why) || !out.commit(why)) {
        out.abandon();
        fatal(options.output, why);
    }
    return 0;
}

}  // namespace

int plan_main(const std::string& name, const RunOptions& options) {
    if (caselist::trimmed(name).empty()) fatal("", "blank input file name");
    if (name.size() > max_name)
        fatal(name, "the input file name is longer than " + std::to_string(max_name) +
                        " characters");
    RunInput run;
    const std::string heading =
        std::string(caselist::columns) +
        ",level_index,df_index,sigma_index,report,sigmas_defaulted,lambda,gamma2,mu";
    std::string fault;
    const ReadOutcome outcome = open_run_input(name, run, fault);
    if (outcome == ReadOutcome::Fault) fatal(name, fault);
    Rows rows;
    rows.holding = !options.output.empty();
    if (outcome == ReadOutcome::BadKind) return rows.put_row(heading) ? finish(rows, name, options) : 2;
    const std::string refused = run_input_fault(run);
    if (!refused.empty()) fatal(name, refused);
    const std::string report = trimmed_name(run.report);
    // What the run would refuse once it went on to its files, found here
    // without making any.
    const OutputRefusal output = output_refusal(run, name, true);
    if (!output.why.empty()) fatal(output.name, output.why);
    if (!rows.put_row(heading)) return 2;
    for (const PlannedCase& p : plan_of(run)) {
        if (!rows.put_row(std::to_string(run.kind) + "," + caselist::real(p.df) + "," +
                caselist::real(p.sigma) + "," + caselist::real(p.alpha) + "," +
                caselist::real(run.AdapQuadTol) + "," + caselist::real(run.FunctionTol) + "," +
                caselist::real(run.ResultTol) + "," + std::to_string(p.level) + "," +
                std::to_string(p.df_index) + "," + std::to_string(p.sigma_index) + "," +
                caselist::field(report) + "," + (run.sigmas_defaulted ? "1" : "0") + "," +
                caselist::real(options.lambda) + "," + caselist::real(options.gamma2.of(p.df)) +
                "," + caselist::real(cases::mu)))
            return 2;
    }
    return finish(rows, name, options);
}
