// The program's own case lists: --plan prints the cases an input file selects,
// --cases runs the cases of a CSV list. Both write CSV on standard output and
// send the computing routines' diagnostics to standard error.
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "Case.h"
#include "CaseList.h"
#include "CaseRunner.h"
#include "Kestrin_readfile.h"
#include "OutputFile.h"
#include "Render.h"
#include "Verdicts.h"
#include "entries.h"
#include "freeform.h"
#include "progress.h"
#include "records.h"
#include "sink.h"

namespace {

// Standard input is held for a second reading only when a part needs to know
// the number of rows first; beyond this it is no case list.
constexpr std::size_t max_held_bytes = std::size_t{256} << 20;

// Rows computed at a time: a part keeps no more of its list than this, so a
// long list costs little memory; each batch is run side by side in full.
constexpr std::size_t batch_rows = 16384;

// The text of a case list, handed to a scanner a piece at a time, once or
// twice (a part counts the rows first): a file is read again, standard input
// is held the first time.
class ListText {
public:
    explicit ListText(const std::string& name)
        : name_(name), shown_(name == "-" ? "standard input" : name), file_(0) {}
    const std::string& shown() const { return shown_; }

    void scan(caselist::Scanner& scanner, bool hold) {
        if (passes_++ > 0) {
            if (name_ == "-") {
                scanner.feed(held_);
                scanner.finish();
                std::string().swap(held_);
                return;
            }
            if (!file_.rewind()) fatal(shown_, std::string("cannot be read again: ") + std::strerror(errno));
        } else if (name_ != "-") {
            std::string why;
            if (!file_.open_regular(name_, why)) fatal(name_, "cannot open the case list: " + why);
        }
        const bool keep = hold && name_ == "-";
        std::vector<char> chunk(65536);
        for (;;) {
            const std::streamsize n = file_.sgetn(chunk.data(), static_cast<std::streamsize>(chunk.size()));
            if (n <= 0) break;
            const std::string_view piece(chunk.data(), static_cast<std::size_t>(n));
            if (keep) {
                if (held_.size() + piece.size() > max_held_bytes)
                    fatal(shown_, "the case list is larger than " +
                                      std::to_string(max_held_bytes >> 20) + " MiB");
                held_.append(piece);
            }
            if (!scanner.feed(piece)) break;
        }
        if (file_.error() != 0) fatal(shown_, std::string("cannot be read: ") + std::strerror(file_.error()));
        scanner.finish();
    }

private:
    std::string name_, shown_;
    ff::FileBuf file_;
    int passes_ = 0;
    std::string held_;
};

// Where the results rows go: standard output, a row at a time as the cases
// finish; or with -o a file, written whole or not at all (a device or a FIFO
// written through, a row at a time).
class RowsOut {
public:
    explicit RowsOut(const RunOptions& options) : name_(options.output) {}

    // False after a one-line report when the file cannot be made.
    bool open(const std::vector<std::string>& inputs, const std::vector<std::string>& what) {
        if (name_.empty()) return true;
        for (std::size_t i = 0; i < inputs.size(); ++i) {
            const std::string why = overwrites_input(name_, inputs[i], what[i]);
            if (!why.empty()) {
                report_fault(name_, why);
                return false;
            }
        }
        std::string why;
        if (!file_.open(name_, why)) {
            report_fault(name_, why.starts_with("cannot ") ? why : "cannot create the file: " + why);
            return false;
        }
        buf_ = std::make_unique<DescriptorOutput>(file_.fd());
        stream_ = std::make_unique<std::ostream>(buf_.get());
        return true;
    }

    bool put(const std::string& row) {
        if (name_.empty()) {
            std::cout << row << '\n';
            return terminal_written();
        }
        *stream_ << row << '\n';
        if (file_.through()) stream_->flush();
        if (*stream_) return true;
        return failed();
    }

    // The status of the run, once its file is in place.
    int finish(int status) {
        if (name_.empty() || !stream_) return status;
        if (status == 2) {
            file_.abandon();
            return 2;
        }
        stream_->flush();
        if (!*stream_) {
            failed();
            return 2;
        }
        std::string why;
        if (!file_.commit(why)) {
            report_fault(name_, why);
            return 2;
        }
        return status;
    }

private:
    bool failed() {
        const int e = buf_->error();
        report_fault(name_, "cannot write the file" + (e ? std::string(": ") + std::strerror(e) : std::string()));
        file_.abandon();
        return false;
    }

    std::string name_;
    OutputFile file_;
    std::unique_ptr<DescriptorOutput> buf_;
    std::unique_ptr<std::ostream> stream_;
};

// The text of a row's field for a column, trimmed; "" when the list has no such column.
std::string field_of(const caselist::Row& row, const caselist::Layout& layout, int column) {
    const int at = layout.at[column];
    if (at < 0 || at >= static_cast<int>(row.fields.size())) return std::string();
    return caselist::trimmed(row.fields[static_cast<std::size_t>(at)]);
}

// Why a row is no case, or "" with `c` filled. A value is quoted as the
// input-file run quotes one: control characters shown, no more than 40 characters.
std::string case_of(const caselist::Row& row, const caselist::Layout& layout, Case& c) {
    if (!row.fault.empty()) return row.fault;
    if (row.fields.size() != layout.fields) {
        if (layout.fields == caselist::input_fields)
            return std::to_string(row.fields.size()) + " fields, not the 7 of " + caselist::columns;
        return std::to_string(row.fields.size()) + " fields, not the " +
               std::to_string(layout.fields) + " of the heading";
    }
    double v[caselist::column_count];
    for (int i = 0; i < caselist::column_count; ++i) {
        if (layout.at[i] < 0) continue;
        const std::string text = field_of(row, layout, i);
        if (i == caselist::Gamma2) continue;  // a number or df+K, read below
        if (!ff::parse_real(text, v[i]))
            return std::string(caselist::column_name(i)) + " '" + ff::echo(text) +
                   "' is not a number";
    }
    if (v[caselist::Kind] != 1.0 && v[caselist::Kind] != 2.0)
        return "kind '" + ff::echo(field_of(row, layout, caselist::Kind)) +
               "' must be 1 (one-sided) or 2 (two-sided)";
    c = Case{.sides = static_cast<int>(v[caselist::Kind]), .df = v[caselist::Df],
             .sigma = v[caselist::Sigma], .alpha = v[caselist::Alpha],
             .AdapQuadTol = v[caselist::AdapQuadTol], .FunctionTol = v[caselist::FunctionTol],
             .ResultTol = v[caselist::ResultTol]};
    if (layout.at[caselist::Lambda] >= 0) c.lambda = v[caselist::Lambda];
    if (layout.at[caselist::Mu] >= 0) c.mu = v[caselist::Mu];
    if (layout.at[caselist::Gamma2] >= 0) {
        const std::string text = field_of(row, layout, caselist::Gamma2);
        if (!parse_gamma2(text, c.gamma2))
            return "gamma2 '" + ff::echo(text) + "' is neither a number nor df+K";
    }
    return refusal(c);
}

// The faults of a case in a few words each, for the message column.
std::string fault_notes(const limitfaults::Counts& f) {
    std::string notes;
    for (int k = 0; k < limitfaults::kinds; ++k) {
        const limitfaults::Seen& s = f.kind[k];
        if (s.count == 0) continue;
        if (!notes.empty()) notes += "; ";
        notes += std::string(limitfaults::described(limitfaults::Kind(k))) + " at " + std::to_string(s.count) +
                 (s.count == 1 ? " point" : " points") + ", s from " + caselist::real(s.s_least) +
                 " to " + caselist::real(s.s_most);
    }
    return notes;
}

// A results row: the seven input columns as the row gave them (a refused
// row's quoted as its message quotes values), the results, the message, and
// the setting the case was computed in.
std::string results_row(const caselist::Row& row, const caselist::Layout& layout,
                        const std::string& status, const Case* c, const CaseResult* r,
                        const std::string& message, const std::string* records) {
    std::string out;
    for (int i = 0; i < caselist::input_fields; ++i) {
        if (i > 0) out += ',';
        const std::string text = field_of(row, layout, i);
        out += caselist::field(c != nullptr ? text : ff::echo(text));
    }
    out += ',' + status;
    const bool numbers = r != nullptr && r->status == CaseStatus::Ok;
    auto add = [&](const std::string& v) { out += ',' + v; };
    if (numbers) {
        add(caselist::real(r->integral));
        add(caselist::real(r->integral - (1.0 - c->alpha)));
        add(c->sides == 2 ? caselist::real(r->lower_tail()) : "");
        add(c->sides == 2 ? caselist::real(r->upper_tail()) : "");
    } else {
        out += ",,,,";
    }
    if (r != nullptr) {
        add(std::to_string(r->neval));
        add(caselist::real(r->seconds));
    } else {
        out += ",,";
    }
    if (numbers) {
        for (int k = 0; k < limitfaults::kinds; ++k) add(std::to_string(r->faults.kind[k].count));
    } else {
        out += ",,,";
    }
    add(caselist::field(message));
    if (c != nullptr) {
        add(caselist::real(c->lambda));
        add(caselist::real(c->gamma_squared()));
        add(caselist::real(c->mu));
    } else {
        for (int i : {caselist::Lambda, caselist::Gamma2, caselist::Mu})
            add(caselist::field(ff::echo(field_of(row, layout, i))));
    }
    if (records == nullptr) return out;
    // What --render needs, exactly: the integrals as computed (their sum
    // rounds otherwise in each output), the faults' ranges of s, the clock.
    add(std::to_string(row.line));
    if (numbers && c->sides == 2) {
        add(caselist::real(r->lower));
        add(caselist::real(r->upper));
    } else {
        out += ",,";
    }
    for (int k = 0; k < limitfaults::kinds; ++k) {
        const limitfaults::Seen* seen = numbers ? &r->faults.kind[k] : nullptr;
        if (seen != nullptr && seen->count > 0) {
            add(caselist::real(seen->s_least));
            add(caselist::real(seen->s_most));
        } else {
            out += ",,";
        }
    }
    if (r != nullptr) {
        add(caselist::real(r->clock_begin));
        add(caselist::real(r->clock_end));
    } else {
        out += ",,";
    }
    add(caselist::field(r != nullptr && r->status == CaseStatus::Failed ? r->message : ""));
    add(caselist::field(*records));
    return out;
}

bool parse_part(const std::string& text, long& part, long& parts) {
    const auto slash = text.find('/');
    if (slash == std::string::npos) return false;
    // Digits only on both sides: stol would let blanks and a sign through.
    for (std::size_t i = 0; i < text.size(); ++i)
        if (i != slash && !std::isdigit(static_cast<unsigned char>(text[i]))) return false;
    try {
        std::size_t a = 0, b = 0;
        part = std::stol(text.substr(0, slash), &a);
        parts = std::stol(text.substr(slash + 1), &b);
        return a == slash && b == text.size() - slash - 1 && parts >= 1 && part >= 1 &&
               part <= parts;
    } catch (...) {
        return false;
    }
}

// How many rows of each status a run wrote, for its last line.
struct Tally {
    long ok = 0, refused = 0, failed = 0;
    // Failed rows that make the exit status 3: every one, but for the parts of
    // an input-file run (--records), whose run reports a case that computed
    // nothing with its 0 and goes on.
    long lost = 0;
    std::string text() const {
        const long n = ok + refused + failed;
        return std::to_string(n) + (n == 1 ? " row: " : " rows: ") + std::to_string(ok) +
               " with results, " + std::to_string(refused) + " refused, " +
               std::to_string(failed) + " failed";
    }
};

// The rows of a batch in the list's order: each computed row's results, or
// why it is refused or failed. With --records the records of each case are
// taken from `captured` into its row, its domain record first.
class ListViews : public CaseViews {
public:
    ListViews(const std::vector<caselist::Row>& rows, const caselist::Layout& layout,
              const std::vector<CaseWork>& work, const std::vector<std::string>& refused,
              bool asked, RowsOut& out, std::ostringstream* captured, Tally& tally,
              Verdicts* verdicts)
        : rows_(rows), layout_(layout), work_(work), refused_(refused), asked_(asked), out_(out),
          captured_(captured), tally_(tally), verdicts_(verdicts) {}

    bool before(std::size_t i) override {
        if (captured_ != nullptr && work_[i].compute) write_domain_record(*captured_, work_[i].c, asked_);
        return true;
    }

    bool after(std::size_t i, const CaseResult* r) override {
        const caselist::Row& row = rows_[i];
        const std::string at = "line " + std::to_string(row.line) + ": ";
        std::string records;
        if (captured_ != nullptr) {
            records = captured_->str();
            captured_->str(std::string());
        }
        const std::string* kept = captured_ != nullptr ? &records : nullptr;
        if (verdicts_ != nullptr)
            verdicts_->add("line " + std::to_string(row.line), r ? &work_[i].c : nullptr, r);
        if (r == nullptr) {
            ++tally_.refused;
            return out_.put(results_row(row, layout_, "refused", nullptr, nullptr, at + refused_[i], kept));
        }
        const Case& c = work_[i].c;
        std::cerr.flush();
        // The integrator's 0 when it evaluated nothing is no result either.
        const std::string nothing = nothing_computed(c, *r);
        if (r->status == CaseStatus::Failed || !nothing.empty()) {
            ++tally_.failed;
            if (r->status == CaseStatus::Failed || kept == nullptr) ++tally_.lost;
            CaseResult failed = *r;
            failed.status = CaseStatus::Failed;
            return out_.put(results_row(row, layout_, "failed", &c, &failed,
                                        at + (nothing.empty() ? r->message : nothing), kept));
        }
        ++tally_.ok;
        std::string notes;
        if (!asked_) {
            const std::string outside = domain_outside_text(c);
            if (!outside.empty()) notes = "outside the measured domain of the built-in limits: " + outside;
        }
        const std::string faults = fault_notes(r->faults);
        if (!faults.empty()) notes += (notes.empty() ? "" : "; ") + faults;
        return out_.put(results_row(row, layout_, "ok", &c, r, notes.empty() ? "" : at + notes, kept));
    }

private:
    const std::vector<caselist::Row>& rows_;
    const caselist::Layout& layout_;
    const std::vector<CaseWork>& work_;
    const std::vector<std::string>& refused_;
    bool asked_;
    RowsOut& out_;
    std::ostringstream* captured_;
    Tally& tally_;
    Verdicts* verdicts_;
};

// The slice of K/N parts of `n` rows: [first, last). In 128 bits: K and N may
// be as large as a long, and K*n would overflow.
void slice_of(const std::string& part_text, long n, long& first, long& last) {
    long part = 1, parts = 1;
    if (!part_text.empty()) parse_part(part_text, part, parts);
    first = static_cast<long>(static_cast<__int128>(part - 1) * n / parts);
    last = static_cast<long>(static_cast<__int128>(part) * n / parts);
}

// The number of case rows of a list, read without keeping them; a heading
// that names the columns wrongly ends the program.
long count_rows(ListText& text, bool hold) {
    long n = 0;
    caselist::Scanner counter([&n](caselist::Row&&) {
        ++n;
        return true;
    });
    text.scan(counter, hold);
    const caselist::Layout& layout = counter.layout();
    if (!layout.fault.empty())
        fatal(text.shown(), "line " + std::to_string(layout.line) + ": " + layout.fault);
    return n;
}

int cases_render(const std::string& name, const std::string& part_text, const RunOptions& options,
                 const std::vector<std::string>& files);

}  // namespace

bool valid_part(const std::string& text) {
    long k = 0, n = 0;
    return parse_part(text, k, n);
}

int cases_main(const std::string& name, const std::string& part_text, const RunOptions& options,
               const std::vector<std::string>* render) {
    if (render != nullptr) return cases_render(name, part_text, options, *render);
    ListText text(name);
    if (options.count) {
        const long n = count_rows(text, false);
        std::cout << n << '\n';
        return terminal_written() ? 0 : 2;
    }
    // A part counts the rows first, to know its slice, and keeps only that
    // (so does a run with a progress line, to know how many there are).
    long first = 0, last = -1;
    if (!part_text.empty() || options.progress) slice_of(part_text, count_rows(text, true), first, last);

    RowsOut out(options);
    if (!out.open({name}, {"case list"})) return 2;
    std::ostringstream captured;
    Tally tally;
    Verdicts verdicts(options.max_error, options.equal_tails);
    ProgressLine line(options.progress, static_cast<std::size_t>(last >= 0 ? last - first : 0));
    // The computations' records go to standard error, the results to
    // standard output; with --records the records go into the rows.
    AroundProgress around(std::cerr.rdbuf(), line);
    std::ostream notes(&around);

    bool begun = false, stopped = false;
    caselist::Layout layout;
    long index = 0;
    std::vector<caselist::Row> batch;
    // The heading of the results, once the list's own is known to be right.
    auto begin = [&](const caselist::Layout& l) {
        // A heading that names the columns wrongly would read every row wrongly.
        if (!l.fault.empty()) fatal(text.shown(), "line " + std::to_string(l.line) + ": " + l.fault);
        layout = l;
        begun = true;
        return out.put(std::string(caselist::columns) + "," + caselist::result_columns +
                       (options.records ? std::string(",") + caselist::record_columns : ""));
    };
    auto run_batch = [&]() {
        std::vector<CaseWork> work;
        std::vector<std::string> refused;
        work.reserve(batch.size());
        refused.reserve(batch.size());
        for (const caselist::Row& row : batch) {
            CaseWork w;
            std::string why = case_of(row, layout, w.c);
            w.compute = why.empty();
            work.push_back(w);
            refused.push_back(std::move(why));
        }
        ListViews views(batch, layout, work, refused, options.limits.asked(), out,
                        options.records ? &captured : nullptr, tally,
                        options.verdicts() ? &verdicts : nullptr);
        ProgressViews counted(views, line);
        std::ostream& records = options.records ? static_cast<std::ostream&>(captured) : notes;
        const bool ok = run_in_order(work, options.jobs, options.limits, records,
                                     options.progress ? static_cast<CaseViews&>(counted) : views);
        batch.clear();
        return ok;
    };
    std::unique_ptr<caselist::Scanner> scanner;
    scanner = std::make_unique<caselist::Scanner>([&](caselist::Row&& row) {
        if (!begun && !begin(scanner->layout())) return !(stopped = true);
        const long i = index++;
        if (i < first) return true;
        if (last >= 0 && i >= last) return false;
        batch.push_back(std::move(row));
        if (batch.size() >= batch_rows && !run_batch()) return !(stopped = true);
        return true;
    });
    text.scan(*scanner, false);
    if (!stopped && !begun && !begin(scanner->layout())) stopped = true;
    if (!stopped && !batch.empty() && !run_batch()) stopped = true;
    line.finish(stopped ? std::string() : tally.text());
    const int status = out.finish(stopped ? 2 : tally.lost > 0 ? 3 : 0);
    // With --max-error, the summary of the verdicts on standard error.
    if (status != 2 && options.verdicts()) {
        std::cerr << "tolvane: " << verdicts.summary() << std::endl;
        if (verdicts.any_missed()) return MissedStatus;
    }
    return status;
}

namespace {

// The text a results row gives a list row's column: as the row gave it, or,
// for a row that is no case, as its message quotes values.
std::string shown_field(const caselist::Row& row, const caselist::Layout& layout, int column,
                        bool is_case) {
    const std::string text = field_of(row, layout, column);
    return is_case ? text : ff::echo(text);
}

// Why the results row `got` is not that of the list row `row`, or "".
std::string other_row(const caselist::Row& got, const caselist::Row& row,
                      const caselist::Layout& layout) {
    const auto& f = got.fields;
    if (f[render::at("line")] != std::to_string(row.line))
        return "the results of line " + ff::echo(f[render::at("line")]) + ", not of line " +
               std::to_string(row.line);
    Case c;
    const bool is_case = case_of(row, layout, c).empty();
    for (int i = 0; i < caselist::input_fields; ++i) {
        const std::string want = shown_field(row, layout, i, is_case);
        const std::string& name = render::columns()[static_cast<std::size_t>(i)];
        if (f[static_cast<std::size_t>(i)] != want)
            return name + " is '" + ff::echo(f[static_cast<std::size_t>(i)]) + "', not '" +
                   ff::echo(want) + "'";
    }
    const std::pair<int, const char*> setting[] = {
        {caselist::Lambda, "lambda"}, {caselist::Gamma2, "gamma2"}, {caselist::Mu, "mu"}};
    for (const auto& [column, name] : setting) {
        const std::string want =
            is_case ? caselist::real(column == caselist::Lambda   ? c.lambda
                                     : column == caselist::Gamma2 ? c.gamma_squared()
                                                                  : c.mu)
                    : ff::echo(field_of(row, layout, column));
        if (f[render::at(name)] != want)
            return std::string(name) + " is '" + ff::echo(f[render::at(name)]) + "', not '" +
                   ff::echo(want) + "'";
    }
    const std::string& status = f[render::at("status")];
    if (is_case ? status != "ok" && status != "failed" : status != "refused")
        return "status '" + ff::echo(status) + "' for a row that is " +
               (is_case ? "a case" : "no case");
    return std::string();
}

// The domain record a case's records begin with, which a case list's run
// puts in the message instead of among the records on standard error.
std::string domain_record_of(const caselist::Row& row, const caselist::Layout& layout) {
    Case c;
    if (!case_of(row, layout, c).empty()) return std::string();
    std::ostringstream text;
    write_domain_record(text, c, false);
    return text.str();
}

int cases_render(const std::string& name, const std::string& part_text, const RunOptions& options,
                 const std::vector<std::string>& files) {
    ListText text(name);
    long first = 0, last = -1;
    if (!part_text.empty() || options.progress) slice_of(part_text, count_rows(text, true), first, last);

    RowsOut out(options);
    std::vector<std::string> inputs{name}, what{"case list"};
    for (const std::string& f : files) {
        inputs.push_back(f);
        what.push_back("results file");
    }
    if (!out.open(inputs, what)) return 2;
    render::ResultsReader reader(files);
    Tally tally;
    Verdicts verdicts(options.max_error, options.equal_tails);
    ProgressLine line(options.progress, static_cast<std::size_t>(last >= 0 ? last - first : 0));
    bool begun = false, stopped = false, mismatch = false;
    long index = 0;
    caselist::Row got;
    const std::size_t kept = render::at("records") + (options.records ? 1 : 0);
    const std::size_t plain = render::at("line");
    std::unique_ptr<caselist::Scanner> scanner;
    scanner = std::make_unique<caselist::Scanner>([&](caselist::Row&& row) {
        const caselist::Layout& layout = scanner->layout();
        if (!begun) {
            if (!layout.fault.empty())
                fatal(text.shown(), "line " + std::to_string(layout.line) + ": " + layout.fault);
            begun = true;
            if (!out.put(std::string(caselist::columns) + "," + caselist::result_columns +
                         (options.records ? std::string(",") + caselist::record_columns : "")))
                return !(stopped = true);
        }
        const long i = index++;
        if (i < first) return true;
        if (last >= 0 && i >= last) return false;
        if (!reader.next(got)) {
            report_fault("", !reader.fault().empty()
                                 ? reader.fault()
                                 : "the results end before the row of line " +
                                       std::to_string(row.line) + " of " + text.shown());
            mismatch = stopped = true;
            return false;
        }
        const std::string other = other_row(got, row, layout);
        if (!other.empty()) {
            report_fault("", reader.file() + ": line " + std::to_string(got.line) +
                                 ": not the results of line " + std::to_string(row.line) + " of " +
                                 text.shown() + ": " + other);
            mismatch = stopped = true;
            return false;
        }
        const std::string& status = got.fields[render::at("status")];
        ++(status == "ok" ? tally.ok : status == "failed" ? tally.failed : tally.refused);
        if (options.verdicts()) {
            const std::string where = "line " + std::to_string(row.line);
            Case c;
            CaseResult r;
            std::string why;
            if (status == "refused" || !case_of(row, layout, c).empty()) {
                verdicts.add(where, nullptr, nullptr);
            } else if (status == "failed" || !render::result_of(got, c.sides, r, why)) {
                r.status = CaseStatus::Failed;
                verdicts.add(where, &c, &r);
            } else {
                verdicts.add(where, &c, &r);
            }
        }
        std::string written;
        for (std::size_t k = 0; k < (options.records ? kept : plain); ++k) {
            if (k > 0) written += ',';
            written += caselist::field(got.fields[k]);
        }
        if (!options.records) {
            // The records go to standard error, as a run of the list writes them.
            std::string records = std::move(got.fields[render::at("records")]);
            const std::string domain = domain_record_of(row, layout);
            if (!domain.empty() && records.starts_with(domain)) records.erase(0, domain.size());
            if (!records.empty()) {
                line.clear();
                std::cerr << records;
                std::cerr.flush();
            }
        }
        if (!out.put(written)) return !(stopped = true);
        line.step();
        return true;
    });
    text.scan(*scanner, false);
    if (!stopped && !begun) {
        const caselist::Layout& layout = scanner->layout();
        if (!layout.fault.empty())
            fatal(text.shown(), "line " + std::to_string(layout.line) + ": " + layout.fault);
        if (!out.put(std::string(caselist::columns) + "," + caselist::result_columns +
                     (options.records ? std::string(",") + caselist::record_columns : "")))
            stopped = true;
    }
    if (!stopped && reader.next(got)) {
        report_fault("", reader.file() + ": line " + std::to_string(got.line) +
                             ": more results than " + text.shown() + " has rows" +
                             (part_text.empty() ? "" : " in part " + part_text));
        mismatch = stopped = true;
    }
    if (!stopped && !reader.fault().empty()) {
        report_fault("", reader.fault());
        mismatch = stopped = true;
    }
    line.finish(stopped ? std::string() : tally.text());
    const int status = out.finish(stopped ? 2 : tally.failed > 0 ? 3 : 0);
    if (mismatch) return results_mismatch;
    if (status != 2 && options.verdicts()) {
        std::cerr << "tolvane: " << verdicts.summary() << std::endl;
        if (verdicts.any_missed()) return MissedStatus;
    }
    return status;
}

}  // namespace
