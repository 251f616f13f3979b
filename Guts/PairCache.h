// Reuse of two-sided limit pairs within one case. Twotail computes both limits
// at every abscissa, yet each two-sided integrand keeps only one of them; the
// upper-limit integrals visit many of the abscissae that the lower-limit
// integrals visited, with identical arguments. The pair computed there (and
// the diagnostics its computation wrote, which are written again on reuse, so
// that the terminal shows what a fresh computation would) is kept and used
// instead of computing it once more.
//
// A pair that does not fit (table three quarters full, or its diagnostics
// longer than the space left) is simply not kept and is computed again when it
// is needed.
#pragma once
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <memory>

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
    double p, mu, sigma, lambda, df, alpha, gamma2;
    double BesselMaxArg, FunctionTol, ResultTol;
    std::int32_t MaxIter;
};

struct Pair {
    double lower, upper;
    bool ran_out = false;  // a search of its computation stopped on its iteration limit
    double s = 0.0;        // the sample standard deviation p stands for
};

struct Entry;
class Recorder;

// The kept pairs of one computation, in its context. Bounded: a fixed table
// and a fixed store for the diagnostics, allocated once (at the first clear),
// so nothing is allocated while integrating.
class Cache {
public:
    Cache();
    ~Cache();
    Cache(const Cache&) = delete;
    Cache& operator=(const Cache&) = delete;

    // Looks up `key`. When a pair is kept for it, writes the diagnostics
    // recorded with it to `out`, fills `pair` and returns true; otherwise
    // returns false, and the caller computes the pair inside a Recording.
    bool recall(const Key& key, Pair& pair, std::ostream& out);

    // Forgets every pair; called at the start of each case.
    void clear();

    // Pairs reused since the cache was made (for tests and measurements).
    long hits() const { return reused_; }

    // The computation of the pair for `key`, whose diagnostics go to `out`.
    // While it lives (and reuse is on, and no other recording is in progress)
    // `out` points at a stream that passes everything on as before and keeps
    // a copy; keep() ends the recording and keeps the pair with that copy. Its
    // end puts `out` back in any case, so a computation that leaves without a
    // pair keeps nothing and leaves nothing swapped.
    class Recording {
    public:
        Recording(Cache& cache, const Key& key, std::ostream*& out);
        ~Recording();
        Recording(const Recording&) = delete;
        Recording& operator=(const Recording&) = delete;

        void keep(const Pair& pair);

    private:
        // Restores `out`; true when this object was the one recording.
        bool finish();
        Cache& cache_;
        std::ostream*& out_;
        bool active_ = false;
    };

private:
    // Gives back the store space of a recording that is not kept.
    void discard();

    std::unique_ptr<Entry[]> table_;
    std::unique_ptr<char[]> store_;
    std::uint32_t generation_ = 1;
    std::size_t kept_ = 0;
    std::size_t store_used_ = 0;
    long reused_ = 0;
    std::unique_ptr<Recorder> recorder_;
    std::unique_ptr<std::ostream> recording_;
    // The recording in progress: the key it is for and the stream it replaced.
    bool recording_active_ = false;
    Key recording_key_{};
    std::ostream* replaced_ = nullptr;
};

}  // namespace paircache
