// Real error function erf(x), by the rational approximations of the
// incomplete-gamma library: a Taylor-type rational form for |x| <= 0.5, the
// erfc forms for 0.5 < |x| <= 4 and 4 < |x| < 5.8, and +-1 beyond.
#include <cmath>

#include "Chinorm95.h"
#include "erf_coefficients.h"

double ERF(double x) {
    using namespace erf_coefficients;

    const double ax = std::fabs(x);
    if (ax <= 0.5) {
        return x * small_ratio(x * x);
    }
    if (ax <= 4.0) {
        const double top = middle_top(ax);
        const double bot = middle_bot(ax);
        double e = 0.5 + (0.5 - std::exp(-x * x) * top / bot);
        if (x < 0.0) e = -e;
        return e;
    }
    if (ax < 5.8) {
        const double x2 = x * x;
        const double t = 1.0 / x2;
        const double top = large_top(t);
        const double bot = large_bot(t);
        double e = (c - top / (x2 * bot)) / ax;
        e = 0.5 + (0.5 - std::exp(-x2) * e);
        if (x < 0.0) e = -e;
        return e;
    }
    return x > 0.0 ? 1.0 : -1.0;
}
