// Reuse of two-sided limit pairs within one case. Twotail computes both limits
// at every abscissa, yet each two-sided integrand keeps only one of them; the
// upper-limit integrals visit many of the abscissae that the lower-limit
// integrals visited, with identical arguments. The pair computed there (and
// the diagnostics its computation wrote, which are written again on reuse, so
// that the terminal shows what a fresh computation would) is kept and used
// instead of computing it once more.
//
// Bounded: a fixed table and a fixed store for the diagnostics, both static,
// so nothing is allocated while integrating. A pair that does not fit (table
// three quarters full, or its diagnostics longer than the space left) is simply
// not kept and is computed again when it is needed.
#pragma once
#include <cstdint>

namespace paircache {

// Everything a pair depends on: the integrand's arguments except `which` (it
// only picks one limit of the pair) and the control block the limit
// computation reads, as the two-sided wrapper stores it. Nothing else carries
// from one pair to the next: the chi-square quantile that turns p into the
// sample standard deviation begins its search afresh on every call (the
// finder's kept state is reset by cdfchi before each search), and the limit
// computation keeps no state of its own. A finder that resumed where the last
// search stopped would make a pair depend on the pairs computed before it,
// and reuse would then change results.
struct Key {
    double p, mu, sigma, lambda, df, alpha;
    double BesselMaxArg, FunctionTol, ResultTol;
    std::int32_t MaxIter;
};

struct Pair {
    double lower, upper;
    bool ran_out = false;  // a search of its computation stopped on its iteration limit
    double s = 0.0;        // the sample standard deviation p stands for
};

// Looks up `key`. When a pair is kept for it, writes the diagnostics recorded
// with it to the sink, fills `pair` and returns true; otherwise returns false,
// and the caller computes the pair inside a Recording.
bool recall(const Key& key, Pair& pair);

// The computation of the pair for `key`. While it lives (and reuse is on, and
// no other recording is in progress) the sink passes everything on as before
// and keeps a copy; keep() ends the recording and keeps the pair with that
// copy. Its end restores the sink in any case, so a computation that leaves
// without a pair keeps nothing and leaves nothing swapped.
class Recording {
public:
    explicit Recording(const Key& key);
    ~Recording();
    Recording(const Recording&) = delete;
    Recording& operator=(const Recording&) = delete;

    void keep(const Pair& pair);

private:
    // Restores the sink; true when this object was the one recording.
    bool finish();
    bool active_ = false;
};

// Forgets every pair; called at the start of each case.
void clear();

// Pairs reused since the program started (for tests and measurements).
long hits();

}  // namespace paircache
