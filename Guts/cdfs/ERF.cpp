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
        const double t = x * x;
        const double top = ((((a[0] * t + a[1]) * t + a[2]) * t + a[3]) * t + a[4]) + 1.0;
        const double bot = ((b[0] * t + b[1]) * t + b[2]) * t + 1.0;
        return x * (top / bot);
    }
    if (ax <= 4.0) {
        const double top =
            ((((((p[0] * ax + p[1]) * ax + p[2]) * ax + p[3]) * ax + p[4]) * ax + p[5]) * ax +
             p[6]) * ax + p[7];
        const double bot =
            ((((((q[0] * ax + q[1]) * ax + q[2]) * ax + q[3]) * ax + q[4]) * ax + q[5]) * ax +
             q[6]) * ax + q[7];
        double e = 0.5 + (0.5 - std::exp(-x * x) * top / bot);
        if (x < 0.0) e = -e;
        return e;
    }
    if (ax < 5.8) {
        const double x2 = x * x;
        const double t = 1.0 / x2;
        const double top = (((r[0] * t + r[1]) * t + r[2]) * t + r[3]) * t + r[4];
        const double bot = (((s[0] * t + s[1]) * t + s[2]) * t + s[3]) * t + 1.0;
        double e = (c - top / (x2 * bot)) / ax;
        e = 0.5 + (0.5 - std::exp(-x2) * e);
        if (x < 0.0) e = -e;
        return e;
    }
    return x > 0.0 ? 1.0 : -1.0;
}
