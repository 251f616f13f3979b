// An independent two-sided G and its root, for checking the program's own:
// Gauss-Kronrod quadrature (Boost.Math) in the angle theta with x' = cos(theta),
// so that (1 - x'^2)^(nu/2 - 1) dx' becomes sin(theta)^(nu - 1) dtheta, which
// is smooth on [0, pi] for every nu >= 1 (no end-point singularity for nu = 1);
// windows and roots by TOMS 748 bracketing (boost::math::tools::toms748_solve).
#pragma once
#include <boost/math/quadrature/gauss_kronrod.hpp>
#include <boost/math/tools/toms748_solve.hpp>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

namespace oracle {

// The integrand's shape for one trial value x of the search variable.
struct Shape {
    double nu, W, rho, tm, logpeak;

    Shape(double x, double nu_, double eta) : nu(nu_) {
        const double u = -std::sqrt(nu + 1.0) * x / eta;
        rho = u / std::sqrt(nu + u * u);
        const double kappa = -std::sqrt(u * u + nu) * eta / (2.0 * std::sqrt(nu + 1.0));
        W = (nu + 1.0) * kappa;
        const double A = nu / 2.0 - 1.0;
        if (A > 0.0) {
            // peak of e^(W x)(1 - x^2)^A: root of (-W) x^2 - 2A x + W = 0 in (-1, 0)
            const double B = -W;
            tm = (A - std::sqrt(A * A + B * B)) / B;
            logpeak = W * tm + A * std::log1p(-tm * tm);
        } else {
            tm = -1.0;  // monotone (nu = 2) or unbounded at the ends (nu < 2)
            logpeak = -W;
        }
    }

    // F (up to a constant factor) in the angle variable, times dx'/dtheta.
    double f_theta(double th) const {
        const double sn = std::sin(th);
        double e = W * std::cos(th) - logpeak;
        if (nu != 1.0) e += (nu - 1.0) * std::log(sn);
        return std::exp(e);
    }

    template <class G>
    double quad_theta(double a, double b, G g) const {
        if (a == b) return 0.0;
        // x' in [a, b] is theta in [acos(b), acos(a)]; split at the peak and at 0.
        double t_lo = std::acos(std::fmin(1.0, std::fmax(-1.0, b)));
        double t_hi = std::acos(std::fmin(1.0, std::fmax(-1.0, a)));
        double sgn = 1.0;
        if (t_lo > t_hi) {
            std::swap(t_lo, t_hi);
            sgn = -1.0;
        }
        double cuts[4] = {t_lo, std::acos(tm), M_PI / 2.0, t_hi};
        if (cuts[1] > cuts[2]) std::swap(cuts[1], cuts[2]);
        double sum = 0.0;
        double from = t_lo;
        for (int i = 1; i < 4; ++i) {
            const double to = std::fmin(std::fmax(cuts[i], t_lo), t_hi);
            if (to > from) {
                sum += boost::math::quadrature::gauss_kronrod<double, 31>::integrate(
                    g, from, to, 8, 1e-9);
                from = to;
            }
        }
        return sgn * sum;
    }

    double I(double a, double b) const {
        return quad_theta(a, b, [this](double th) { return f_theta(th); });
    }
    double J(double a, double b) const {
        return quad_theta(a, b, [this](double th) { return std::cos(th) * f_theta(th); });
    }
};

// G(x) with which = 1 (window [lo, rho]) or 2 (window [rho, hi]); nothing when
// the window cannot hold the share q.
inline std::optional<double> G(double x, double q, int which, double nu, double eta) {
    const Shape sh(x, nu, eta);
    const double N = sh.I(-1.0, 1.0);
    const double target = q * N;
    auto tol = boost::math::tools::eps_tolerance<double>(50);
    std::uintmax_t iters = 200;
    double lo, hi;
    if (which == 1) {
        auto phi = [&](double t) { return sh.I(t, sh.rho) - target; };
        const double fa = phi(-1.0), fb = phi(sh.rho);
        if (!(fa >= 0.0)) return std::nullopt;
        auto r = boost::math::tools::toms748_solve(phi, -1.0, sh.rho, fa, fb, tol, iters);
        lo = (r.first + r.second) / 2.0;
        hi = sh.rho;
    } else {
        auto psi = [&](double t) { return sh.I(sh.rho, t) - target; };
        const double fa = psi(sh.rho), fb = psi(1.0);
        if (!(fb >= 0.0)) return std::nullopt;
        auto r = boost::math::tools::toms748_solve(psi, sh.rho, 1.0, fa, fb, tol, iters);
        lo = sh.rho;
        hi = (r.first + r.second) / 2.0;
    }
    return sh.J(lo, hi) / sh.J(-1.0, 1.0);
}

// The root x of G(x) = q near `guess`, found by widening a bracket about it
// and solving with TOMS 748; nothing if no bracket is found.
inline std::optional<double> root(double q, int which, double nu, double eta, double guess) {
    auto r = [&](double x) {
        auto g = G(x, q, which, nu, eta);
        // a window that cannot be placed counts as far below q, like the program's failures
        return g ? *g - q : -1.0e6;
    };
    double d = 1e-6 * std::fmax(1.0, std::fabs(guess));
    double a = guess - d, b = guess + d;
    double fa = r(a), fb = r(b);
    for (int k = 0; k < 60 && !((fa <= 0.0 && fb >= 0.0) || (fa >= 0.0 && fb <= 0.0)); ++k) {
        d *= 2.0;
        a = guess - d;
        b = guess + d;
        fa = r(a);
        fb = r(b);
    }
    if (!((fa <= 0.0 && fb >= 0.0) || (fa >= 0.0 && fb <= 0.0))) return std::nullopt;
    auto tol = boost::math::tools::eps_tolerance<double>(48);
    std::uintmax_t iters = 200;
    auto res = boost::math::tools::toms748_solve(r, a, b, fa, fb, tol, iters);
    return (res.first + res.second) / 2.0;
}

struct Disagreement {
    double residual;  // oracle G at the program's root, minus the level
    double allowed;
    double dx;        // program's root minus the oracle's root
};

// The program's root for one limit, judged by the oracle: G from quadrature
// at that root is the level up to the integration noise of the program's G
// (absolute, FunctionTol-sized) plus the slope times the bracket width at
// which the search stops.
inline Disagreement judge(double x, double alpha, int which, double df, double s, double xtol) {
    const auto g = G(x, alpha, which, df, s);
    Disagreement d{g ? *g - alpha : NAN, 0.0, NAN};
    const double h = 1e-6 * std::fmax(1.0, std::fabs(x));
    const auto gp = G(x + h, alpha, which, df, s);
    const auto gm = G(x - h, alpha, which, df, s);
    const double slope = (gp && gm) ? std::fabs(*gp - *gm) / (2.0 * h) : 0.0;
    d.allowed = 100.0 * xtol + 2.0 * slope * xtol;
    if (const auto r = root(alpha, which, df, s, x)) d.dx = x - *r;
    return d;
}

}  // namespace oracle
