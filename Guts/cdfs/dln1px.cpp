// ln(1 + a), accurate also for small |a| where 1 + a would lose a's digits.
#include <cmath>

#include "Chinorm95.h"

double dln1px(double a) {
    constexpr double p1 = -0.129418923021993e+01;
    constexpr double p2 = 0.405303492862024e+00;
    constexpr double p3 = -0.178874546012214e-01;
    constexpr double q1 = -0.162752256355323e+01;
    constexpr double q2 = 0.747811014037616e+00;
    constexpr double q3 = -0.845104217945565e-01;

    if (std::fabs(a) > 0.375) return std::log(1.0 + a);
    const double t = a / (a + 2.0);
    const double t2 = t * t;
    const double w = (((p3 * t2 + p2) * t2 + p1) * t2 + 1.0) / (((q3 * t2 + q2) * t2 + q1) * t2 + 1.0);
    return 2.0 * t * w;
}
