#include <cmath>
#include <limits>

#include "AngleQuadrature.h"

namespace limitcheck {

// The peak of a1 ln sin t + B cos t is where B cos^2 t + a1 cos t - B = 0;
// cos t, 1 - cos t and 1 + cos t are each formed without cancellation, so
// that a peak close to t = 0 (B much larger than nu) keeps all its digits.
AngleDensity::AngleDensity(double nu, double B_) : a1(nu - 1.0), B(B_) {
    const double S = std::sqrt(a1 * a1 + 4.0 * B * B);
    const double c = 2.0 * B / (a1 + S);
    const double one_minus_c = (a1 + a1 * a1 / (S + 2.0 * B)) / (a1 + S);
    const double one_plus_c = 1.0 + c;
    const double sin_t = std::sqrt(one_minus_c * one_plus_c);
    tpeak = 2.0 * std::asin(std::sqrt(0.5 * one_minus_c));
    E0 = a1 * std::log(sin_t) - B * one_minus_c;
    width = 1.0 / std::sqrt(a1 / (sin_t * sin_t) + B * c);
    // Where g is not negligible (its log above -50), each of the two terms of
    // the exponent is below |E0| + 50 in size; each is rounded a few times, and
    // the log of sin t is off by about eps in absolute terms (times a1).
    const double eps = std::numeric_limits<double>::epsilon();
    rel_round = 6.0 * eps * (a1 + std::fabs(E0) + 50.0);
}

void AngleDensity::at(double t, double& g, double& x, double& y) const {
    const double h = std::sin(0.5 * t);
    const double h2 = h * h;
    g = std::exp(a1 * std::log(std::sin(t)) - 2.0 * B * h2 - E0);
    y = 2.0 * h2;
    x = y - 1.0;
}

}  // namespace limitcheck
