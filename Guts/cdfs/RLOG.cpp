// x - 1 - ln(x), accurate near x = 1 where the difference cancels. Near 1 it
// uses the series in r = u/(u + 2), u = x - 1, after reducing x about 0.7 or 4/3.
#include <cmath>

#include "Chinorm95.h"

double RLOG(double x) {
    static const double a = 0.566749439387324e-01;  // -0.3 - ln(0.7)
    static const double b = 0.456512608815524e-01;  // 1/3 - ln(4/3)
    static const double p0 = 0.333333333333333e+00;
    static const double p1 = -0.224696413112536e+00;
    static const double p2 = 0.620886815375787e-02;
    static const double q1 = -0.127408923933623e+01;
    static const double q2 = 0.354508718369557e+00;

    if (x < 0.61 || x > 1.57) {
        const double r = (x - 0.5) - 0.5;
        return r - std::log(x);
    }
    double u;
    double w1;
    if (x < 0.82) {
        u = x - 0.7;
        u = u / 0.7;
        w1 = a - u * 0.3;
    } else if (x > 1.18) {
        u = 0.75 * x - 1.0;
        w1 = b + u / 3.0;
    } else {
        u = (x - 0.5) - 0.5;
        w1 = 0.0;
    }
    const double r = u / (u + 2.0);
    const double t = r * r;
    const double w = ((p2 * t + p1) * t + p0) / ((q2 * t + q1) * t + 1.0);
    return 2.0 * t * (1.0 / (1.0 - r) - r * w) + w1;
}
