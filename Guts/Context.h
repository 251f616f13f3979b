// Everything a computation changes, in one place owned by whoever runs it: a
// case (run_case), a limit answered by tolvane-limits, a test. Nothing of a
// computation lives anywhere else, so computations with contexts of their own
// can run side by side, and none depends on what ran before it in another.
#pragma once
#include <atomic>
#include <iosfwd>

#include "AdaptiveSimpson.h"
#include "Chinorm95.h"
#include "LimitFaults.h"
#include "LimitProbes.h"
#include "PairCache.h"
#include "control.h"
#include "wallclock.h"

namespace limitcmd {
class Connection;
}

struct Context {
    // The records the computation writes (the integrator's "ier,lvl:", the
    // searches' notes, ...) go to `records`, in the order they are written.
    explicit Context(std::ostream& records) : out(&records) {}
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    std::ostream& records() const { return *out; }

    ControlParms control;      // the control block of the limit computation
    std::ostream* out;         // where records go now (the pair cache swaps it while recording)
    limitfaults::Tally faults;
    FinderState finders;       // the chi-square quantile's search
    simpson::Workspace simpson;
    paircache::Cache pairs;    // two-sided limit pairs of the case in progress
    // The outside limit command that answers the limits instead of the
    // program's own code, or none. Not owned: it outlives the cases it serves.
    limitcmd::Connection* command = nullptr;
    // The checks of what the coverage integral assumes of that command, for
    // the case in progress (LimitProbes.h).
    limitprobe::CaseProbes probes;
    // Set by the owner of a run that has stopped: the computation in progress
    // is abandoned (every integrand evaluation yields 0 at once).
    const std::atomic<bool>* stop = nullptr;
    bool stopped() const { return stop != nullptr && stop->load(std::memory_order_relaxed); }
    // The wall clock a case's start and end are read from.
    ClockSource clock = &wallclock;
};
