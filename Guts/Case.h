// One case, one path: what a case is, what running it gives, and the views of
// a result that the dialogue, the input-file run and the case list print.
#pragma once
#include <iosfwd>
#include <string>

#include "CaseSetting.h"
#include "CaseTables.h"
#include "LimitFaults.h"

struct Context;

struct Case {
    int sides = 1;  // 1 one-sided, 2 two-sided
    double df = 0.0, sigma = 0.0, alpha = 0.0;
    double AdapQuadTol = 0.0, FunctionTol = 0.0, ResultTol = 0.0;
    double mu = cases::mu, lambda = cases::lambda;
    Gamma2 gamma2 = {};
    double gamma_squared() const { return gamma2.of(df); }
    bool default_setting() const {
        return mu == cases::mu && lambda == cases::lambda && gamma2.is_default();
    }
};

enum class CaseStatus { Ok, Refused, Failed };

struct CaseResult {
    CaseStatus status = CaseStatus::Ok;
    std::string message;  // why refused or failed
    double integral = 0.0;  // one-sided: I, whose target is 1 - alpha
    double lower = 0.0;     // two-sided: I_L and I_U
    double upper = 0.0;
    int neval = 0;
    // The integrals' own account: their summed error estimates and the worst
    // of their QUADPACK codes (0 normal, 6 nothing computed).
    double abserr = 0.0;
    int ier = 0;
    double seconds = 0.0;
    // The wall clock's time of day (seconds) when the case began and ended.
    double clock_begin = 0.0, clock_end = 0.0;
    limitfaults::Counts faults;

    // The two-sided miss probability as the dialogue prints it, (1 - I_L) + I_U,
    // and as the input-file run prints it, (I_U + 1) - I_L: the same sum rounded
    // otherwise, each kept as its output has always been computed.
    double miss() const { return (1.0 - lower) + upper; }
    double file_miss() const { return (upper + 1.0) - lower; }
    // The tails of the two-sided interval: the probability that the lower limit
    // lies above the true value and that the upper limit lies below it.
    double lower_tail() const { return 1.0 - lower; }
    double upper_tail() const { return upper; }
};

// Empty when the case can be computed; otherwise why not (CaseDomain.h).
std::string refusal(const Case& c);

// Computes a case that refusal() accepts in the context given: its coverage
// integrals, the faults of the limits met on the way, the limit command's
// failure if any (the context's connection, when it has one), and the time
// taken. Writes the records the integrals write into the context's records,
// and nothing else. Nothing it computes depends on what the context computed
// before.
CaseResult run_case(const Case& c, Context& ctx);

// ---- views ----

// Before the result: one record when the case lies outside the measured domain
// of the built-in limits (none when another program's limits are measured:
// `asked` says so).
void write_domain_record(std::ostream& out, const Case& c, bool asked);
// The values of a case outside that domain, or "": "sigma 500, FunctionTol 1e-6"
// in the standardised setting, in any other the scale sd* with its sigma
// ("sd* 12.6491106 (sigma 1)").
std::string domain_outside_text(const Case& c);
// Why a computed case has no result although the integrals ran: the
// integrator evaluated nothing (its ier 6, which AdapQuadTol 0 or below
// gives), so its 0 is no integral. "" for a case with a result.
std::string nothing_computed(const Case& c, const CaseResult& r);
// After the result: one record for each kind of fault seen.
void write_fault_records(std::ostream& out, const CaseResult& r);
// The dialogue's two records of the tails of a two-sided result.
void write_tail_records(std::ostream& out, const Case& c, const CaseResult& r);
