// The program's own case lists: --plan prints the cases an input file selects,
// --cases runs the cases of a CSV list. Both write CSV on standard output and
// send the computing routines' diagnostics to standard error.
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <istream>
#include <iterator>
#include <string>
#include <vector>

#include "Case.h"
#include "CaseList.h"
#include "CaseRunner.h"
#include "Kestrin_readfile.h"
#include "Verdicts.h"
#include "entries.h"
#include "freeform.h"
#include "records.h"
#include "sink.h"

namespace {

// A case list is read whole before its first case runs (a part needs the
// number of rows); beyond this it is no case list.
constexpr std::size_t max_list_bytes = std::size_t{256} << 20;

std::string whole_input(const std::string& name) {
    ff::FileBuf file(0);
    std::string why;
    if (name != "-" && !file.open_regular(name, why))
        fatal(name, "cannot open the case list: " + why);
    const std::string shown = name == "-" ? "standard input" : name;
    std::string text;
    for (std::istreambuf_iterator<char> it(&file), end; it != end; ++it) {
        if (text.size() >= max_list_bytes)
            fatal(shown, "the case list is larger than " + std::to_string(max_list_bytes >> 20) +
                             " MiB");
        text.push_back(*it);
    }
    if (file.error() != 0) fatal(shown, std::string("cannot be read: ") + std::strerror(file.error()));
    return text;
}

bool put_row(const std::string& row) {
    std::cout << row << '\n';
    return terminal_written();
}

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
                        const std::string& message) {
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

// The rows of a part in the list's order: each computed row's results, or why
// it is refused or failed.
class ListViews : public CaseViews {
public:
    ListViews(const std::vector<caselist::Row>& rows, const caselist::Layout& layout, long first,
              const std::vector<CaseWork>& work, const std::vector<std::string>& refused,
              bool asked, Verdicts* verdicts)
        : rows_(rows), layout_(layout), first_(first), work_(work), refused_(refused),
          asked_(asked), verdicts_(verdicts) {}

    bool any_failed = false;

    bool before(std::size_t) override { return true; }

    bool after(std::size_t i, const CaseResult* r) override {
        const caselist::Row& row = rows_[static_cast<std::size_t>(first_) + i];
        const std::string at = "line " + std::to_string(row.line) + ": ";
        if (verdicts_ != nullptr)
            verdicts_->add("line " + std::to_string(row.line), r ? &work_[i].c : nullptr, r);
        if (r == nullptr) return put_row(results_row(row, layout_, "refused", nullptr, nullptr, at + refused_[i]));
        const Case& c = work_[i].c;
        std::cerr.flush();
        // The integrator's 0 when it evaluated nothing is no result either.
        const std::string nothing = nothing_computed(c, *r);
        if (r->status == CaseStatus::Failed || !nothing.empty()) {
            any_failed = true;
            CaseResult failed = *r;
            failed.status = CaseStatus::Failed;
            return put_row(results_row(row, layout_, "failed", &c, &failed,
                                       at + (nothing.empty() ? r->message : nothing)));
        }
        std::string notes;
        if (!asked_) {
            const std::string outside = domain_outside_text(c);
            if (!outside.empty()) notes = "outside the measured domain of the built-in limits: " + outside;
        }
        const std::string faults = fault_notes(r->faults);
        if (!faults.empty()) notes += (notes.empty() ? "" : "; ") + faults;
        return put_row(results_row(row, layout_, "ok", &c, r, notes.empty() ? "" : at + notes));
    }

private:
    const std::vector<caselist::Row>& rows_;
    const caselist::Layout& layout_;
    long first_;
    const std::vector<CaseWork>& work_;
    const std::vector<std::string>& refused_;
    bool asked_;
    Verdicts* verdicts_;
};

}  // namespace

bool valid_part(const std::string& text) {
    long k = 0, n = 0;
    return parse_part(text, k, n);
}

int cases_main(const std::string& name, const std::string& part_text, const RunOptions& options) {
    const std::string text = whole_input(name);
    caselist::Layout layout;
    std::vector<caselist::Row> rows = caselist::read(text, layout);
    const std::string shown = name == "-" ? "standard input" : name;
    // A heading that names the columns wrongly would read every row wrongly.
    if (!layout.fault.empty())
        fatal(shown, "line " + std::to_string(layout.line) + ": " + layout.fault);
    long part = 1, parts = 1;
    if (!part_text.empty()) parse_part(part_text, part, parts);
    const long n = static_cast<long>(rows.size());
    // In 128 bits: K and N may be as large as a long, and K*n would overflow.
    const long first = static_cast<long>(static_cast<__int128>(part - 1) * n / parts);
    const long last = static_cast<long>(static_cast<__int128>(part) * n / parts);

    if (!put_row(std::string(caselist::columns) + "," + caselist::result_columns)) return 2;
    std::vector<CaseWork> work;
    std::vector<std::string> refused;
    for (long i = first; i < last; ++i) {
        CaseWork w;
        std::string why = case_of(rows[static_cast<std::size_t>(i)], layout, w.c);
        w.compute = why.empty();
        work.push_back(w);
        refused.push_back(std::move(why));
    }
    Verdicts verdicts(options.max_error, options.equal_tails);
    ListViews views(rows, layout, first, work, refused, options.limits.asked(),
                    options.verdicts() ? &verdicts : nullptr);
    // The computations' records go to standard error, the results to standard output.
    if (!run_in_order(work, options.jobs, options.limits, std::cerr, views)) return 2;
    if (options.verdicts()) {
        std::cerr << "tolvane: " << verdicts.summary() << std::endl;
        if (verdicts.any_missed()) return MissedStatus;
    }
    return views.any_failed ? 3 : 0;
}

