// Runs a run's cases, one after the other or side by side on several workers,
// and hands each result to the run's views in the order of the cases, so that
// what a run writes is the same whatever the number of workers.
#pragma once
#include <cstddef>
#include <iosfwd>
#include <string>
#include <vector>

#include "Case.h"
#include "wallclock.h"

// The limits a run verifies: the program's own, or an outside command's.
struct LimitsSource {
    std::string command;  // empty: the program's own limit code
    double timeout = 60.0;
    bool asked() const { return !command.empty(); }
};

// What a run writes around each case. Every call is made in the order of the
// cases, one at a time. A view that returns false stops the run (its output
// failed; it has said why).
class CaseViews {
public:
    virtual ~CaseViews() = default;
    // Before the records of case i: at once for the first case, and for each
    // later one as soon as every earlier one is written.
    virtual bool before(std::size_t i) = 0;
    // After the records of case i, with its result; nullptr for a case that is
    // not computed.
    virtual bool after(std::size_t i, const CaseResult* r) = 0;
};

struct CaseWork {
    Case c;
    bool compute = true;  // false: nothing to run (a refused row), only its views
};

// Runs `work` on `jobs` workers (1: here, in order). Each worker has a context
// of its own and, when the limits are asked, a limit command of its own. The
// records of a case go to `records` in the order of the cases: those of the
// earliest unfinished case as they are written, those of later ones when
// every earlier case is written. Cases are handed out one at a time as
// workers free up, the costlier (two-sided) first. Returns false when a view
// stopped the run; the cases still running are then abandoned quickly.
bool run_in_order(const std::vector<CaseWork>& work, int jobs, const LimitsSource& limits,
                  std::ostream& records, CaseViews& views, ClockSource clock = &wallclock);

// The number of workers --jobs N asks for: N, or every core for 0.
int workers_for(int jobs);
