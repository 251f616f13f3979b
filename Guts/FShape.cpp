// What the one-sided and the two-sided G function derive from a trial value in
// the same way: the point rho, the scale kappa and peak tm of F, and the
// exponent shift that keeps F in range.
#include <cmath>

#include "mainguts.h"
#include "params.h"

FShape FShapeAt(double x, double nu, double eta, double L, double slope) {
    FShape f;
    f.unshifted = false;
    f.nu = nu;
    f.L = L;
    f.k = 1.0 / std::sqrt(params::pi);
    const double u = -std::sqrt(nu + 1.0) * x / eta;
    f.kappa = -(std::sqrt(u * u + nu) * eta * 0.5 * std::sqrt(nu + 1.0)) / (nu + 1.0);
    const double r = u / std::sqrt(nu);
    f.rho = r / std::sqrt(r * r + 1.0);
    f.tm = tmax(nu, f.kappa);

    // The shift only rescales F: every G is a ratio of integrals of F, so s
    // matters only through rounding, overflow and underflow.
    if (nu <= 1000.0) {
        f.s = (eta - 7.0) * slope;
    } else if (eta <= 5.0) {
        // The exponent of F at its peak, spread over nu + 1: F(tm) becomes k.
        f.s = ((nu * 0.5 - 1.0) * std::log(1.0 - f.tm * f.tm) +
               (1.0 + nu) * f.kappa * (1.0 + f.tm) -
               (nu - 1.0) * 0.5 * std::log(2.0 / (-f.kappa * (1.0 + nu))) - L) /
              (1.0 + nu);
    } else {
        f.unshifted = true;
        f.s = 0.0;
    }
    return f;
}

double FShape::peak(double shift) const { return NewF(tm, nu, kappa, k, L, shift, 1.0); }

double FShape::whole_integral(double t1, double P, Context& ctx) const {
    const double a = NewFIntegrateAdap(-1.0, (tm - 1.0) * 0.5, t1, nu, kappa, L, s, P, ctx);
    const double b = NewFIntegrateAdap((tm - 1.0) * 0.5, tm, t1, nu, kappa, L, s, P, ctx);
    const double c = NewFIntegrateAdap(tm, (tm + 1.0) * 0.5, t1, nu, kappa, L, s, P, ctx);
    const double d = NewFIntegrateAdap((tm + 1.0) * 0.5, 1.0, t1, nu, kappa, L, s, P, ctx);
    return a + b + c + d;
}
