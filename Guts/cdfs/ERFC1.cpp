// Complementary error function: erfc(x) for ind = 0, exp(x*x)*erfc(x) otherwise.
// Same rational approximations as ERF; the scaled form serves the Temme
// expansion of the incomplete gamma ratio, where erfc alone would underflow.
#include <cmath>

#include "Chinorm95.h"
#include "erf_coefficients.h"

double ERFC1(int ind, double x) {
    using namespace erf_coefficients;

    const double ax = std::fabs(x);
    if (ax <= 0.5) {
        const double t = x * x;
        double e = 0.5 + (0.5 - x * small_ratio(t));
        if (ind != 0) e = std::exp(t) * e;
        return e;
    }

    double e;  // exp(x*x)*erfc(|x|) from here on, until scaled at the end
    if (ax <= 4.0) {
        const double top = middle_top(ax);
        const double bot = middle_bot(ax);
        e = top / bot;
    } else {
        if (x <= -5.6) return ind != 0 ? 2.0 * std::exp(x * x) : 2.0;
        // erfc(x) underflows: nothing left to scale.
        if (ind == 0 && (x > 100.0 || x * x > -EXPARG(1))) return 0.0;
        const double t = (1.0 / x) * (1.0 / x);
        const double top = large_top(t);
        const double bot = large_bot(t);
        e = (c - t * top / bot) / ax;
    }

    if (ind != 0) {
        if (x < 0.0) e = 2.0 * std::exp(x * x) - e;
        return e;
    }
    e = std::exp(-(x * x)) * e;
    if (x < 0.0) e = 2.0 - e;
    return e;
}
