// What the limit code did wrong while one case's integrals ran: the points
// (integrand evaluations) at which it gave a lower limit above the upper one,
// gave no number, or ended a search on its iteration limit, each with the range
// of the sample standard deviation s where it was seen. The counts are per
// evaluation, and a reused two-sided pair counts as its fresh computation
// would, so they are the same with the speed layer on or off.
#pragma once

namespace limitfaults {

enum Kind { Crossed = 0, NoNumber = 1, OutOfIterations = 2 };
inline constexpr int kinds = 3;

// What each kind of fault is, in words ("lower limit above the upper limit"),
// for the records and the case list's messages alike.
const char* described(Kind kind);

struct Seen {
    long count = 0;
    double s_least = 0.0;  // smallest and largest s of the points counted
    double s_most = 0.0;
};

struct Counts {
    Seen kind[kinds];
    bool any() const { return kind[0].count + kind[1].count + kind[2].count > 0; }
    // One faulty point at sample standard deviation s.
    void seen(Kind k, double s);
};

// The faults of one computation, kept in its context.
struct Tally {
    // Searches that stopped on their iteration limit, since the context was
    // made; a caller compares two readings to learn whether a computation ran out.
    long ran_out = 0;
    // Above 0 while a search for starting guesses runs: its result is refined
    // by another search, so its stopping on the limit is no fault.
    int guessing = 0;
    Counts counts;  // of the case in progress

    // The searches call this when they stop on their iteration limit.
    void search_ran_out() {
        if (guessing == 0) ++ran_out;
    }
};

// While one lives, searches that stop on their limit are not counted.
class StartingGuesses {
public:
    explicit StartingGuesses(Tally& t) : t_(t) { ++t_.guessing; }
    ~StartingGuesses() { --t_.guessing; }
    StartingGuesses(const StartingGuesses&) = delete;
    StartingGuesses& operator=(const StartingGuesses&) = delete;

private:
    Tally& t_;
};

}  // namespace limitfaults
