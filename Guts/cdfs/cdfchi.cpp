// Chi-square distribution: p from (x, df), x from (p, df), or df from (p, x).
// The two inverse modes solve cumchi(x, df) = p with the step-out inverse
// finder invr, which asks for function values by reverse communication.
#include <cmath>

#include "Chinorm95.h"

namespace {

const double pmax = 0.999999999999999;  // largest p that the inverse modes accept
const double huge_value = 1.0e30;       // upper end of every search range

// Solves cumchi(x, df) = p for x (which = 2) or for df (which = 3), starting
// from the current value of the unknown. gratio's error value (ans = 2) ends the
// search with status 10; an answer outside [small, 1e30] with status 1 or 2.
void search(int which, double p, double& x, double& df, int& status, double& bound, double tol,
            double small, FinderState& finders) {
    double& unknown = (which == 2) ? x : df;
    // A new search on every call: the finder keeps its state between calls,
    // and a quantile that depended on the previous search would break the
    // reuse of two-sided limit pairs (PairCache.h).
    stinvr(small, huge_value, 0.5, 0.5, 5.0, tol, tol, finders);
    status = 0;
    double fx = 0.0;
    int qleft = 0;
    int qhi = 0;
    for (;;) {
        invr(status, unknown, fx, qleft, qhi, finders);
        if (status != 1) break;
        const double cum = cumchi(x, df);  // by value: the finder's x is not disturbed
        fx = cum - p;
        if (fx + p > 1.5) {
            status = 10;
            return;
        }
    }
    if (status == -1) {
        if (qleft) {
            status = 1;
            bound = small;
        } else {
            status = 2;
            bound = huge_value;
        }
    }
}

}  // namespace

void cdfchi(int which, double& p, double& x, double& df, int& status, double& bound, double tol,
            FinderState& finders) {
    // Argument checks, in the order which, p, x, df; the first failure returns.
    // A NaN argument fails its check like an out-of-range one, and an infinite x
    // or df is refused too: neither can be searched for nor searched from.
    if (which < 1 || which > 3) {
        status = -1;
        bound = (which < 1) ? 1.0 : 3.0;
        return;
    }
    if (which != 1 && !(p >= 0.0 && p <= pmax)) {
        status = -2;
        bound = (p > pmax) ? pmax : 0.0;
        return;
    }
    if (which != 2 && !(x >= 0.0 && std::isfinite(x))) {
        status = -3;
        bound = 0.0;
        return;
    }
    if (which != 3 && !(df > 0.0 && std::isfinite(df))) {
        status = -4;
        bound = 0.0;
        return;
    }

    status = 0;
    if (which == 1) {
        p = cumchi(x, df);
        if (p > 1.5) status = 10;
        return;
    }
    if (which == 2) {
        x = df;  // start the search at the mean
        search(2, p, x, df, status, bound, tol, 0.0, finders);
        return;
    }
    df = 5.0;
    search(3, p, x, df, status, bound, tol, 1.0e-300, finders);
}
