// --render: the outputs of an input-file run put together from the results of
// its cases, computed elsewhere in parts (tolvane --cases PLAN --part K/N
// --records): the terminal output, the report and tolvane.int, written by the
// run's own views, so that they are the run's to the byte (up to the clock).
#include <unistd.h>

#include <charconv>
#include <cstring>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "Case.h"
#include "CaseList.h"
#include "Kestrin_readfile.h"
#include "OutputFile.h"
#include "Render.h"
#include "entries.h"
#include "records.h"
#include "sink.h"

namespace render {

const std::vector<std::string>& columns() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> out;
        const std::string all = std::string(caselist::columns) + "," + caselist::result_columns +
                                "," + caselist::record_columns;
        std::size_t from = 0;
        for (;;) {
            const auto comma = all.find(',', from);
            out.push_back(all.substr(from, comma - from));
            if (comma == std::string::npos) break;
            from = comma + 1;
        }
        return out;
    }();
    return names;
}

std::size_t at(const char* name) {
    const std::vector<std::string>& names = columns();
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == name) return i;
    std::abort();  // a column the program itself does not write
}

ResultsReader::ResultsReader(const std::vector<std::string>& files) : files_(files) {}
ResultsReader::~ResultsReader() = default;

bool ResultsReader::open_next() {
    if (next_file_ >= files_.size()) return false;
    file_ = files_[next_file_++];
    std::string why;
    if (!buf_.open_regular(file_, why)) {
        fault_ = file_ + ": cannot open the results: " + why;
        return false;
    }
    heading_seen_ = false;
    open_ = true;
    scanner_ = std::make_unique<caselist::Scanner>(
        [this](caselist::Row&& row) {
            const std::string where = file_ + ": line " + std::to_string(row.line) + ": ";
            if (!heading_seen_) {
                heading_seen_ = true;
                if (row.fields != columns()) {
                    fault_ = where + "not the heading of results written with --records";
                    return false;
                }
                return true;
            }
            if (!row.fault.empty()) {
                fault_ = where + row.fault;
                return false;
            }
            if (row.fields.size() != columns().size()) {
                fault_ = where + std::to_string(row.fields.size()) + " fields, not the " +
                         std::to_string(columns().size()) + " of the heading";
                return false;
            }
            ready_.push_back(std::move(row));
            return true;
        },
        true);
    return true;
}

bool ResultsReader::next(caselist::Row& row) {
    for (;;) {
        if (!fault_.empty()) return false;
        if (!ready_.empty()) {
            row = std::move(ready_.front());
            ready_.pop_front();
            return true;
        }
        if (!open_) {
            if (!open_next()) return false;
            continue;
        }
        char chunk[65536];
        const std::streamsize n = buf_.sgetn(chunk, sizeof chunk);
        if (n > 0) {
            scanner_->feed(std::string_view(chunk, static_cast<std::size_t>(n)));
            continue;
        }
        if (buf_.error() != 0) {
            fault_ = file_ + ": cannot be read: " + std::strerror(buf_.error());
            return false;
        }
        scanner_->finish();
        buf_.close();
        open_ = false;
        if (fault_.empty() && !heading_seen_)
            fault_ = file_ + ": empty: no heading of results written with --records";
    }
}

bool read_real(const std::string& text, double& v) {
    if (text.empty()) return false;
    const char* end = text.data() + text.size();
    const auto r = std::from_chars(text.data(), end, v);
    return r.ec == std::errc() && r.ptr == end;
}

namespace {

bool read_count(const std::string& text, long& v) {
    if (text.empty()) return false;
    const char* end = text.data() + text.size();
    const auto r = std::from_chars(text.data(), end, v);
    return r.ec == std::errc() && r.ptr == end && v >= 0;
}

}  // namespace

bool result_of(const caselist::Row& row, int sides, CaseResult& r, std::string& why) {
    const auto& f = row.fields;
    auto real = [&](const char* name, double& v) {
        if (read_real(f[at(name)], v)) return true;
        why = std::string(name) + " '" + ff::echo(f[at(name)]) + "' is not a number";
        return false;
    };
    r = CaseResult{};
    if (!real("clock_begin", r.clock_begin) || !real("clock_end", r.clock_end)) return false;
    if (f[at("status")] == "failed") {
        // Failed without a failure of the command: its integrals computed
        // nothing (the integrator's ier 6, every integral 0 with no
        // evaluation), which the input-file run reports as such.
        if (f[at("failure")].empty()) {
            if (sides == 2) r.integral = r.file_miss();
            r.ier = 6;
            return true;
        }
        r.status = CaseStatus::Failed;
        r.message = f[at("failure")];
        return true;
    }
    if (f[at("status")] != "ok") {
        why = "status '" + ff::echo(f[at("status")]) + "'";
        return false;
    }
    long evaluations = 0;
    if (!read_count(f[at("evaluations")], evaluations) || evaluations > 2147483647L) {
        why = "evaluations '" + ff::echo(f[at("evaluations")]) + "' is no count";
        return false;
    }
    r.neval = static_cast<int>(evaluations);
    if (sides == 2) {
        if (!real("I_L", r.lower) || !real("I_U", r.upper)) return false;
        r.integral = r.miss();
    } else if (!real("integral", r.integral)) {
        return false;
    }
    static const char* const kinds[limitfaults::kinds][3] = {
        {"crossed", "crossed_s_least", "crossed_s_most"},
        {"no_number", "no_number_s_least", "no_number_s_most"},
        {"out_of_iterations", "out_of_iterations_s_least", "out_of_iterations_s_most"}};
    for (int k = 0; k < limitfaults::kinds; ++k) {
        limitfaults::Seen& seen = r.faults.kind[k];
        if (!read_count(f[at(kinds[k][0])], seen.count)) {
            why = std::string(kinds[k][0]) + " '" + ff::echo(f[at(kinds[k][0])]) + "' is no count";
            return false;
        }
        if (seen.count > 0 && (!real(kinds[k][1], seen.s_least) || !real(kinds[k][2], seen.s_most)))
            return false;
    }
    return true;
}

}  // namespace render

namespace {

std::string case_text(const Case& c) {
    return "alpha " + caselist::real(c.alpha) + ", df " + caselist::real(c.df) + ", sigma " +
           caselist::real(c.sigma);
}

// Why a results row is not that of case `c`, or "".
std::string other_case(const caselist::Row& row, const Case& c) {
    const std::pair<const char*, double> want[] = {
        {"kind", c.sides},
        {"df", c.df},
        {"sigma", c.sigma},
        {"alpha", c.alpha},
        {"AdapQuadTol", c.AdapQuadTol},
        {"FunctionTol", c.FunctionTol},
        {"ResultTol", c.ResultTol},
        {"lambda", c.lambda},
        {"gamma2", c.gamma_squared()},
        {"mu", c.mu}};
    for (const auto& [name, value] : want) {
        double v = 0.0;
        const std::string& text = row.fields[render::at(name)];
        if (!render::read_real(text, v) || v != value)
            return std::string(name) + " is '" + ff::echo(text) + "', not " + caselist::real(value);
    }
    return std::string();
}

// The results of every case of the plan, in its order, with the records each
// case wrote; false after a one-line report on standard error when they are
// not those of the plan's cases, all of them, each once.
bool gather(const std::string& input, const std::vector<std::string>& files,
            const std::vector<CaseWork>& work, std::vector<CaseResult>& results,
            std::vector<std::string>& records) {
    render::ResultsReader reader(files);
    caselist::Row row;
    for (std::size_t i = 0; i < work.size(); ++i) {
        const Case& c = work[i].c;
        const std::string which = case_text(c) + " (case " + std::to_string(i + 1) + " of " +
                                  std::to_string(work.size()) + " of " + input + ")";
        if (!reader.next(row)) {
            report_fault("", reader.fault().empty() ? "the results end before the case " + which
                                                    : reader.fault());
            return false;
        }
        const std::string where = reader.file() + ": line " + std::to_string(row.line) + ": ";
        const std::string other = other_case(row, c);
        if (!other.empty()) {
            report_fault("", where + "not the results of the case " + which + ": " + other);
            return false;
        }
        std::string why;
        if (!render::result_of(row, c.sides, results[i], why)) {
            if (row.fields[render::at("status")] == "refused")
                why = "refused: " + row.fields[render::at("message")];
            report_fault("", where + "the results of the case " + which + ": " + why);
            return false;
        }
        records[i] = std::move(row.fields[render::at("records")]);
    }
    if (reader.next(row)) {
        report_fault("", reader.file() + ": line " + std::to_string(row.line) +
                             ": more results than the " + std::to_string(work.size()) +
                             " cases of " + input);
        return false;
    }
    if (!reader.fault().empty()) {
        report_fault("", reader.fault());
        return false;
    }
    return true;
}

// An output of the table made ready, or why not.
bool prepare(OutputFile& out, rec::RecordFile& file, const std::string& name) {
    std::string why;
    if (!out.open(name, why)) {
        report_fault(name, why.starts_with("cannot ") ? why : "cannot create the file: " + why);
        return false;
    }
    file.adopt(::dup(out.fd()));
    return true;
}

}  // namespace

int render_main(const std::string& name, const std::vector<std::string>& files,
                const RunOptions& options) {
    if (caselist::trimmed(name).empty()) fatal("", "blank input file name");
    if (name.size() > max_name)
        fatal(name, "the input file name is longer than " + std::to_string(max_name) +
                        " characters");
    RunInput run;
    std::string fault;
    const ReadOutcome outcome = open_run_input(name, run, fault);
    const std::string refused = outcome == ReadOutcome::Ok ? run_input_fault(run) : std::string();

    // What the run would refuse is refused as the run refuses it, after the
    // terminal output it writes first.
    auto preamble = [&] {
        write_mode_question();
        write_name_prompt();
    };
    if (outcome == ReadOutcome::Fault) {
        preamble();
        fatal(name, fault);
    }
    if (outcome == ReadOutcome::Ok && !refused.empty()) {
        preamble();
        if (run.sigmas_defaulted) write_sigmas_defaulted();
        check_terminal();
        fatal(name, refused);
    }

    const std::string report_name = trimmed_name(run.report);
    const std::string& int_name = intermediate_name;
    // No output overwrites an input: the run's own refusals of the report and
    // tolvane.int, by the run's own function, and none of them may be a
    // results file read.
    std::string output_fault, faulty;
    if (outcome == ReadOutcome::Ok) {
        const OutputRefusal refusal = output_refusal(run, name, true);
        output_fault = refusal.why;
        faulty = refusal.name;
        std::vector<std::string> outputs{report_name};
        if (run.kind == 2) outputs.push_back(int_name);
        for (const std::string& out : outputs) {
            if (!output_fault.empty()) break;
            for (const std::string& f : files)
                if (output_fault.empty()) output_fault = overwrites_input(out, f, "results file");
            if (!output_fault.empty()) faulty = out;
        }
    }
    if (!output_fault.empty()) {
        preamble();
        if (run.sigmas_defaulted) write_sigmas_defaulted();
        if (!terminal_written()) return 2;
        report_fault(faulty, output_fault);
        return 2;
    }

    // The results, all of them checked before anything is written.
    const std::vector<PlannedCase> plan =
        outcome == ReadOutcome::Ok ? plan_of(run) : std::vector<PlannedCase>();
    const std::vector<CaseWork> work = work_of(run, plan, options);
    std::vector<CaseResult> results(work.size());
    std::vector<std::string> records(work.size());
    if (!gather(name, files, work, results, records)) return results_mismatch;

    preamble();
    if (outcome == ReadOutcome::BadKind) {
        write_bad_kind(name, run.kind);
        return terminal_written() ? 0 : 2;
    }
    if (run.sigmas_defaulted) write_sigmas_defaulted();
    if (!terminal_written()) return 2;

    OutputFile report_out, int_out;
    rec::RecordFile report, inter;
    if (run.kind == 2) {
        if (!prepare(int_out, inter, int_name)) return 2;
        if (!inter.put(intermediate_heading())) {
            report_fault(int_name, std::string("cannot write the file: ") + std::strerror(errno));
            return 2;
        }
    }
    if (!prepare(report_out, report, report_name)) return 2;

    const CaseDriver replay = [&](const std::vector<CaseWork>& cases, CaseViews& views) {
        for (std::size_t i = 0; i < cases.size(); ++i) {
            if (!views.before(i)) return false;
            std::cout.write(records[i].data(), static_cast<std::streamsize>(records[i].size()));
            if (!views.after(i, &results[i])) return false;
        }
        return true;
    };
    // The records of each case hold its domain record already.
    const int status = write_table(run, options, &wallclock, report, report_name,
                                   run.kind == 2 ? &inter : nullptr, int_name, replay, false);
    if (status == 2) return 2;
    // Both complete before either takes its place.
    std::string why;
    if (!report.close()) {
        report_fault(report_name, std::string("cannot write the file: ") + std::strerror(errno));
        return 2;
    }
    if (run.kind == 2 && !inter.close()) {
        report_fault(int_name, std::string("cannot write the file: ") + std::strerror(errno));
        return 2;
    }
    if (run.kind == 2 && !int_out.commit(why)) {
        report_fault(int_name, why);
        return 2;
    }
    if (!report_out.commit(why)) {
        report_fault(report_name, why);
        return 2;
    }
    return terminal_written() ? status : 2;
}
