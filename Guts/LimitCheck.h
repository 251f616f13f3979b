// Checked limits: the limit code's answer is accepted only when an accurate
// evaluation of its defining equation, independent of the limit code, shows a
// root within the promised distance of it; otherwise the root is found with
// that evaluation itself, or no answer is given.
//
// The defining equations are those of the limit code: with F(x') proportional
// to (1 - x'^2)^(nu/2 - 1) e^(-B x') on [-1, 1] and rho, B fixed by the factor
// H (H -> theta = H eta/sqrt(nu) + eta^2/2 -> u -> rho, B), the one-sided H
// solves  share of F left of rho = 1 - p;  a two-sided h solves  share of
// x' F inside the window that holds the share q of F next to rho = q.
//
// The accurate evaluation differs from the limit code in everything that can
// lose digits: it works in H itself (never in theta, whose eta^2/2 swallows H
// when eta is large), in the angle t with x' = -cos t (so that the density has
// no end-point singularity and 1 + x' keeps all its digits near -1), with
// 1 + rho formed without cancellation, the density scaled to 1 at its peak,
// and a globally adaptive Gauss-Kronrod (7, 15) rule whose error estimate is
// the whole difference of the two rules, a deliberately pessimistic bound on
// the Kronrod value. Every value comes with that bound plus the rounding of
// the integrand and of the final ratios.
#pragma once

struct Context;

namespace limitcheck {

// A residual of a defining equation with a bound on its error; ok is false
// where it cannot be evaluated (a window that cannot be placed, an integral
// that did not converge within its fixed work space).
struct Residual {
    double value = 0.0;
    double error = 0.0;
    bool ok = false;
    // The sign of the residual when it is known despite the error, else 0.
    int sign() const {
        if (!ok || !(error >= 0.0)) return 0;
        if (value > error) return 1;
        if (value < -error) return -1;
        return 0;
    }
};

// G(H) - (1 - p) of the one-sided limit for nu degrees of freedom (a whole
// number >= 2) and scale eta > 0.
Residual one_sided_residual(double nu, double eta, double p, double H);

// G2(h) - q of the two-sided limit (which = 1 the lower, 2 the upper).
Residual two_sided_residual(double nu, double eta, double q, int which, double h);

// The problem of one limit: its residual as a function of the factor.
struct LimitEquation {
    int sides = 1;      // 1 or 2
    int which = 1;      // two-sided: 1 lower, 2 upper
    double nu = 0.0, eta = 0.0;
    double level = 0.0; // p one-sided, q two-sided
    Residual operator()(double h) const {
        return sides == 1 ? one_sided_residual(nu, eta, level, h)
                          : two_sided_residual(nu, eta, level, which, h);
    }
};

// The allowed error of a factor: relative, or absolute where |h| < 1.
inline double allowed_error(double h, double bound) {
    const double m = h < 0.0 ? -h : h;
    return bound * (m > 1.0 ? m : 1.0);
}

// True when the residual has opposite known signs at h - d and h + d, with d
// a little inside the allowed error (the rounding of h's own arithmetic takes
// the rest), so that a root lies within the allowed error of h.
bool certified(const LimitEquation& eq, double h, double bound);

// A root of the equation near `start`, found with the accurate residual
// alone: a bracket of opposite known signs widened from start, narrowed by
// the Illinois method until it lies within the allowed error of its middle.
// Returns false (root untouched) when no such bracket is found.
bool certified_root(const LimitEquation& eq, double start, double bound, double& root);

// A starting factor where the limit code gave none: the normal approximation
// at probability p for scale eta.
double approximate_factor(double p, double eta);

// One-sided limit as OneTail computes it (kind 1 the upper, else the lower),
// checked: H right to `bound` (1e-9) or no answer; FunctionTol and ResultTol
// are those of the first, plain computation. Returns "" or why there is none.
const char* checked_one_tail(int kind, double ybar, double sd, double df, double alpha,
                             double lambda, double gamma2, double FunctionTol, double ResultTol,
                             double bound, double& H, double& limit, Context& ctx);

// Two-sided limits as Twotail computes them, checked: each factor right to
// `bound` (1e-7), and the lower limit not above the upper.
const char* checked_twotail(double muhat, double s, double df, double alpha, double lambda,
                            double gamma2, double FunctionTol, double ResultTol, double bound,
                            double& lower, double& hlower, double& upper, double& hupper,
                            Context& ctx);

}  // namespace limitcheck
