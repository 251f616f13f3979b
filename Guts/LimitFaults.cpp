#include "LimitFaults.h"

namespace limitfaults {

namespace {
long ran_out = 0;
int guessing = 0;
Counts current;
}  // namespace

const char* described(Kind kind) {
    static const char* const words[kinds] = {"lower limit above the upper limit",
                                             "no number for the limit",
                                             "search ended on its iteration limit"};
    return words[kind];
}

void search_ran_out() {
    if (guessing == 0) ++ran_out;
}
StartingGuesses::StartingGuesses() { ++guessing; }
StartingGuesses::~StartingGuesses() { --guessing; }
long searches_ran_out() { return ran_out; }

void begin_case() { current = Counts{}; }

void seen(Kind kind, double s) {
    Seen& k = current.kind[kind];
    if (k.count == 0) {
        k.s_least = s;
        k.s_most = s;
    } else {
        if (s < k.s_least) k.s_least = s;
        if (s > k.s_most) k.s_most = s;
    }
    ++k.count;
}

Counts counts() { return current; }

}  // namespace limitfaults
