// exp(x) - 1 without the cancellation of exp(x) - 1 near zero.
#include <cmath>

#include "Chinorm95.h"

double REXP(double x) {
    static const double p1 = 0.914041914819518e-09;
    static const double p2 = 0.238082361044469e-01;
    static const double q1 = -0.499999999085958e+00;
    static const double q2 = 0.107141568980644e+00;
    static const double q3 = -0.119041179760821e-01;
    static const double q4 = 0.595130811860248e-03;

    if (std::fabs(x) <= 0.15) {
        return x * (((p2 * x + p1) * x + 1.0) / ((((q4 * x + q3) * x + q2) * x + q1) * x + 1.0));
    }
    const double w = std::exp(x);
    if (x <= 0.0) return (w - 0.5) - 0.5;
    return w * (0.5 + (0.5 - 1.0 / w));
}
