// The records of a case that come beside its result. They are additions: the
// result records themselves (and the report file) keep their historical form.
#include <initializer_list>
#include <ostream>
#include <string>

#include "Case.h"
#include "CaseDomain.h"
#include "CaseList.h"
#include "records.h"

std::string domain_outside_text(const Case& c) {
    return domain::outside_limits_domain(c.df, c.sigma, c.alpha, c.AdapQuadTol, c.FunctionTol,
                                         c.ResultTol, c.lambda, c.gamma_squared());
}

std::string nothing_computed(const Case& c, const CaseResult& r) {
    // QUADPACK's code for input it cannot work with; the only such input the
    // program can give it is the absolute tolerance, with no relative one.
    constexpr int invalid_input = 6;
    if (r.status != CaseStatus::Ok || r.ier < invalid_input) return std::string();
    return "nothing computed: at AdapQuadTol " + caselist::real(c.AdapQuadTol) +
           " the integrator evaluates nothing (its ier 6; it needs a tolerance above 0)";
}

void write_domain_record(std::ostream& out, const Case& c, bool asked) {
    if (asked) return;
    const std::string outside = domain_outside_text(c);
    if (outside.empty()) return;
    rec::list(out, {"Outside the measured domain of the built-in limits (" +
                    domain::limits_domain(c.lambda, c.gamma_squared(), c.df) + "): " + outside +
                    ". The result is the true coverage of the limits computed there."});
}

// Text and numbers as one record: a list-directed record of several items
// would run a text on into the number before it and break the line at 79
// columns. Each number is rendered as the list-directed writer renders it.
void write_joined(std::ostream& out, std::initializer_list<rec::Item> items) {
    std::string text;
    for (const rec::Item& item : items) {
        if (item.kind == rec::Item::Kind::Text) {
            text += text.empty() ? "" : " ";
            text += item.text;
        } else if (item.kind == rec::Item::Kind::Integer) {
            text += ' ';
            text += std::to_string(item.integer);
        } else {
            text += rec::list_real(item.real);
        }
    }
    rec::list(out, {text});
}

void write_fault_records(std::ostream& out, const CaseResult& r) {
    for (int k = 0; k < limitfaults::kinds; ++k) {
        const limitfaults::Seen& seen = r.faults.kind[k];
        if (seen.count == 0) continue;
        const std::string what =
            std::string("Limit fault: ") + limitfaults::described(limitfaults::Kind(k)) + " at";
        write_joined(out, {what, seen.count, seen.count == 1 ? "point, s from" : "points, s from",
                           seen.s_least, " to", seen.s_most});
    }
}

void write_tail_records(std::ostream& out, const Case& c, const CaseResult& r) {
    const double target = (1.0 - c.alpha) / 2.0;
    write_joined(out, {"Lower tail miss", r.lower_tail(), " target (1-alpha)/2", target,
                       " difference", r.lower_tail() - target});
    write_joined(out, {"Upper tail miss", r.upper_tail(), " target (1-alpha)/2", target,
                       " difference", r.upper_tail() - target});
}
