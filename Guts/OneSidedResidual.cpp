#include <cmath>
#include <limits>

#include "AngleQuadrature.h"
#include "LimitCheck.h"

namespace limitcheck {

namespace {
constexpr double eps = std::numeric_limits<double>::epsilon();
// Relative accuracy asked of each integral: far below what a factor right to
// 1e-9 needs of G, even where G is a tail of 1e-6, so that the certificate
// fails only where the limit code's answer is really off.
constexpr double rel = 1e-13;
}  // namespace

// G is the share of g left of rho: a/(a + b) with a and b the integrals of g
// on either side. The residual is formed from the smaller share, so that a
// tail keeps its relative accuracy: a/N - (1 - p), or p' - b/N with p' = 1 -
// (1 - p) as the limit code's target has it.
Residual one_sided_residual(double nu, double eta, double p, double H) {
    Residual r;
    if (!(nu >= 2.0 && eta > 0.0 && std::isfinite(H) && p > 0.0 && p < 1.0)) return r;
    const TrialPoint tp(nu, eta, H);
    const AngleDensity d(nu, tp.B);
    if (!d.valid()) return r;
    const AngleQuadrature left(d, 0.0, tp.trho, false, rel);
    const AngleQuadrature right(d, tp.trho, M_PI, false, rel);
    if (!left.converged() || !right.converged()) return r;
    const double a = left.mass(), b = right.mass(), N = a + b;
    if (!(N > 0.0) || !std::isfinite(N)) return r;
    const double target = 1.0 - p;
    const double ratio_err = (b * left.mass_error() + a * right.mass_error()) / (N * N);
    if (a <= b) {
        const double G = a / N;
        r.value = G - target;
        r.error = ratio_err + 2.0 * eps * G + eps * std::fabs(r.value);
    } else {
        const double tail = b / N;
        const double one_minus_target = 1.0 - target;
        r.value = one_minus_target - tail;
        r.error = ratio_err + 2.0 * eps * tail + eps * one_minus_target + eps * std::fabs(r.value);
    }
    r.ok = std::isfinite(r.value) && std::isfinite(r.error);
    return r;
}

}  // namespace limitcheck
