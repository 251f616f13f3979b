#include <cmath>

#include "AngleQuadrature.h"

namespace limitcheck {

// u = -sqrt(nu+1) theta/eta with theta = h eta/sqrt(nu) + eta^2/2, so that
// u = -sqrt(nu+1) (eta/2 + h/sqrt(nu)) holds h at full precision; rho =
// u/sqrt(nu + u^2) lies so close to -1 for large eta that only 1 + rho,
// formed as nu/((R - u) R), keeps its digits.
TrialPoint::TrialPoint(double nu, double eta, double h) {
    const double u = -std::sqrt(nu + 1.0) * (0.5 * eta + h / std::sqrt(nu));
    const double R = std::hypot(std::sqrt(nu), u);
    B = R * eta * std::sqrt(nu + 1.0) * 0.5;
    const double one_plus_rho = u < 0.0 ? nu / ((R - u) * R) : (R + u) / R;
    const double one_minus_rho = u > 0.0 ? nu / ((R + u) * R) : (R - u) / R;
    // x' = -cos t: 1 + x' = 2 sin^2(t/2), 1 - x' = 2 cos^2(t/2).
    trho = one_plus_rho <= 1.0 ? 2.0 * std::asin(std::sqrt(0.5 * one_plus_rho))
                               : M_PI - 2.0 * std::asin(std::sqrt(0.5 * one_minus_rho));
}

}  // namespace limitcheck
