// Verdicts a CI can act on (--max-error X): a case whose coverage is more
// than X from its target is a miss; with equal tails, so is each tail of a
// two-sided interval more than X from (1 - alpha)/2; a case that was refused
// or failed is a miss too. At the end one line sums them up.
#pragma once
#include <cstddef>
#include <string>

#include "Case.h"

class Verdicts {
public:
    Verdicts(double max_error, bool equal_tails) : max_(max_error), tails_(equal_tails) {}

    // A computed case (`r` ok or failed), or one not computed (r nullptr: refused);
    // `where` names it in the summary ("alpha 0.9, df 10, sigma 1", "line 4").
    void add(const std::string& where, const Case* c, const CaseResult* r);

    bool any_missed() const { return missed_ > 0; }
    // "2 of 180 cases beyond 0.0001, worst: alpha 0.001, df 2, sigma 10:
    // difference 0.00023; 1 failed or refused"; "0 of 180 cases beyond
    // 0.0001, worst: ...: difference 1.2e-06".
    std::string summary() const;

private:
    double max_;
    bool tails_;
    std::size_t cases_ = 0, missed_ = 0, lost_ = 0;
    double worst_ = -1.0;        // the largest distance from a target seen
    std::string worst_where_;    // its case and what it is ("difference", "lower tail")
    double worst_value_ = 0.0;   // its signed value
    std::string first_lost_;     // the first case refused or failed
};

// The exit status of a run whose cases missed (documented in tolvane(1)).
inline constexpr int MissedStatus = 4;
