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
        const double top = ((((a[0] * t + a[1]) * t + a[2]) * t + a[3]) * t + a[4]) + 1.0;
        const double bot = ((b[0] * t + b[1]) * t + b[2]) * t + 1.0;
        double e = 0.5 + (0.5 - x * (top / bot));
        if (ind != 0) e = std::exp(t) * e;
        return e;
    }

    double e;  // exp(x*x)*erfc(|x|) from here on, until scaled at the end
    if (ax <= 4.0) {
        const double top =
            ((((((p[0] * ax + p[1]) * ax + p[2]) * ax + p[3]) * ax + p[4]) * ax + p[5]) * ax +
             p[6]) * ax + p[7];
        const double bot =
            ((((((q[0] * ax + q[1]) * ax + q[2]) * ax + q[3]) * ax + q[4]) * ax + q[5]) * ax +
             q[6]) * ax + q[7];
        e = top / bot;
    } else {
        if (x <= -5.6) return ind != 0 ? 2.0 * std::exp(x * x) : 2.0;
        // erfc(x) underflows: nothing left to scale.
        if (ind == 0 && (x > 100.0 || x * x > -EXPARG(1))) return 0.0;
        const double t = (1.0 / x) * (1.0 / x);
        const double top = (((r[0] * t + r[1]) * t + r[2]) * t + r[3]) * t + r[4];
        const double bot = (((s[0] * t + s[1]) * t + s[2]) * t + s[3]) * t + 1.0;
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
