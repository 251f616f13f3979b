#include <algorithm>
#include <cmath>
#include <limits>

#include "AngleQuadrature.h"
#include "LimitCheck.h"

namespace limitcheck {

namespace {
constexpr double eps = std::numeric_limits<double>::epsilon();
constexpr double rel = 1e-13;
}  // namespace

// G2 is the share of the first moment of g inside the window that holds the
// share q of g next to rho: [lo, rho] for the lower limit, [rho, hi] for the
// upper. The window's free end comes from inverting the running integral of
// g; its error (that of the amount and of the inversion) moves the moment by
// y g dt = y times the mass error, which the bound carries.
Residual two_sided_residual(double nu, double eta, double q, int which, double h) {
    Residual r;
    if (!(nu >= 2.0 && eta > 0.0 && std::isfinite(h) && q > 0.0 && q < 1.0)) return r;
    if (which != 1 && which != 2) return r;
    const TrialPoint tp(nu, eta, h);
    const AngleDensity d(nu, tp.B);
    if (!d.valid()) return r;
    const AngleQuadrature left(d, 0.0, tp.trho, true, rel);
    const AngleQuadrature right(d, tp.trho, M_PI, true, rel);
    if (!left.converged() || !right.converged()) return r;
    const double N = left.mass() + right.mass();
    const double eN = left.mass_error() + right.mass_error() + eps * N;
    const double T = left.moment() + right.moment();
    const double eT = left.moment_error() + right.moment_error() + eps * std::fabs(T);
    if (!(N > 0.0) || !std::isfinite(N) || !(std::fabs(T) > eT)) return r;

    // The window's free end, then the window integrated afresh, so that its
    // moment has the relative accuracy of the integrals however small the
    // window; the mass it holds beyond q N (of the order of the error of the
    // end) is taken off at that end, where it carries the moment x' times it.
    const AngleQuadrature& side = which == 1 ? left : right;
    const double amount = q * N;
    const double eamount = q * eN + eps * amount;
    if (amount > side.mass() + side.mass_error() + eamount) return r;  // no room for it
    double t = 0.0;
    if (!side.locate(std::min(amount, side.mass()), which == 1, t)) return r;
    const AngleQuadrature W(d, which == 1 ? t : tp.trho, which == 1 ? tp.trho : t, true, rel);
    if (!W.converged()) return r;
    double g, x, y, round;
    d.at(t, g, x, y, round);
    // With the window's mass q N, G2 - q = (q Y - Wy)/(-T): Y and Wy the
    // integrals of y g over everything and over the window; no term of the
    // size of N is left to cancel, which matters where all the mass lies within
    // 1e-20 of x' = -1. The window's mass beyond q N (of the order of the error
    // of its end) is taken off at that end, where it carries y times itself.
    const double excess = W.mass() - amount;
    const double Wy = W.ymoment() - y * excess;
    // The sliver's y g is y(xi) times its mass, |y(xi) - y(t)| below its width,
    // about |excess|/g.
    const double sliver = g > 0.0 ? 2.0 * excess * excess / g : 0.0;
    if (!std::isfinite(sliver)) return r;
    const double eWy = W.ymoment_error() + y * (W.mass_error() + eamount) + sliver +
                       eps * (W.ymoment() + std::fabs(y * excess));
    const double Y = left.ymoment() + right.ymoment();
    const double eY = left.ymoment_error() + right.ymoment_error() + eps * Y;
    const double num = q * Y - Wy;
    const double enum_ = q * eY + eWy + eps * (q * Y + std::fabs(Wy));
    r.value = num / -T;
    r.error = (enum_ + std::fabs(r.value) * eT) / std::fabs(T) + 2.0 * eps * std::fabs(r.value);
    r.ok = std::isfinite(r.value) && std::isfinite(r.error);
    return r;
}

}  // namespace limitcheck
