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
    const double sin_t = std::sqrt(one_minus_c * (1.0 + c));
    tpeak = 2.0 * std::asin(std::sqrt(0.5 * one_minus_c));
    width = 1.0 / std::sqrt(a1 / (sin_t * sin_t) + B * c);
    // The reference values at the double tpeak itself, so that the differences
    // below are those of one function; any error of tpeak only moves the peak
    // value a little away from 1, a constant factor that every ratio drops.
    sin_tp = std::sin(tpeak);
    sin_half_tp = std::sin(0.5 * tpeak);
}

bool AngleDensity::valid() const {
    return std::isfinite(tpeak) && width > 0.0 && std::isfinite(width) && sin_tp > 0.0 &&
           std::isfinite(B);
}

// The exponent as differences from the peak, each formed as a product of
// accurate factors:
//   sin t - sin tp = 2 cos((t + tp)/2) sin((t - tp)/2),
//   sin(t/2) - sin(tp/2) = 2 cos((t + tp)/4) sin((t - tp)/4),
// so that neither term carries the size of a1 ln sin t or 2B sin^2(t/2) (of
// the order of nu and of B) into its rounding, only its own size, which is
// small wherever g is not. The bound on the relative error of g is that size
// times a few eps, plus the absolute error eps of cos((t + tp)/2) carried
// through the first difference.
void AngleDensity::at(double t, double& g, double& x, double& y, double& round) const {
    constexpr double eps = std::numeric_limits<double>::epsilon();
    const double h = std::sin(0.5 * t);
    y = 2.0 * h * h;
    x = y - 1.0;
    const double d2 = std::sin(0.5 * (t - tpeak));
    const double diff = 2.0 * std::cos(0.5 * (t + tpeak)) * d2;
    const double e1 = a1 * std::log1p(diff / sin_tp);
    const double half_diff = 2.0 * std::cos(0.25 * (t + tpeak)) * std::sin(0.25 * (t - tpeak));
    const double e2 = 2.0 * B * half_diff * (h + sin_half_tp);
    g = std::exp(e1 - e2);
    const double sin_t = sin_tp + diff;
    round = 8.0 * eps * (std::fabs(e1) + std::fabs(e2) + 1.0) +
            (sin_t > 0.0 ? 2.0 * eps * a1 * std::fabs(d2) / sin_t : 0.0);
}

}  // namespace limitcheck
