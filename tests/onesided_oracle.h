// An independent one-sided G and the H factor it gives, for checking the
// program's own: the density (1-x^2)^(nu/2-1) e^(-B x) integrated by tanh-sinh
// quadrature (Boost.Math), roots by TOMS 748 bracketing. Used by the tests and
// by scripts/sweep-oracles.
#pragma once
#include <boost/math/quadrature/tanh_sinh.hpp>
#include <boost/math/tools/roots.hpp>
#include <boost/math/tools/toms748_solve.hpp>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

#include "mainguts.h"
#include "test_support.h"

namespace onesided_oracle {

// G(theta) computed independently: the same definitions of rho and kappa, but
// the density (1-x^2)^(nu/2-1) e^(-B x) scaled to 1 at its own peak and
// integrated by tanh-sinh quadrature split at the peak (nu = 2: the
// exponential's closed form through expm1).
struct OracleG {
    double nu, eta;
    double N = 0.0;  // the integral of the density over [-1, 1] at the last theta
    boost::math::quadrature::tanh_sinh<double> quad;

    OracleG(double nu_, double eta_) : nu(nu_), eta(eta_) {}

    double operator()(double theta) {
        const double u = -std::sqrt(nu + 1.0) * theta / eta;
        const double B = std::sqrt(u * u + nu) * eta * 0.5 * std::sqrt(nu + 1.0);  // -(nu+1) kappa
        const double rho = u / std::sqrt(nu + u * u);
        const double A = nu / 2.0 - 1.0;
        if (A == 0.0) {
            N = -std::expm1(-2.0 * B) / B;
            return std::expm1(-B * (1.0 + rho)) / std::expm1(-2.0 * B);
        }
        const double tm = (A - std::sqrt(A * A + B * B)) / B;
        const double top = A * std::log1p(-tm * tm) - B * tm;
        auto f = [&](double x) { return std::exp(A * std::log1p(-x * x) - B * x - top); };
        auto I = [&](double a, double b) { return a < b ? quad.integrate(f, a, b, 1e-13) : 0.0; };
        const double left = I(-1.0, tm), right = I(tm, 1.0);
        N = left + right;
        // The side of rho without the peak, as a share of the whole.
        if (rho <= tm) return I(-1.0, rho) / (left + right);
        return 1.0 - I(rho, 1.0) / (left + right);
    }
};

// The root of oracle G = target, bracketed outwards from `guess`.
inline double oracle_root(OracleG& G, double target, double guess) {
    auto d = [&](double t) { return G(t) - target; };
    double step = 1e-3 * std::max(1.0, std::fabs(guess));
    double lo = guess - step, hi = guess + step;
    double dlo = d(lo), dhi = d(hi);
    // G falls as theta grows.
    for (int i = 0; i < 200 && dlo < 0.0; ++i) {
        step *= 2.0;
        lo = guess - step;
        dlo = d(lo);
    }
    for (int i = 0; i < 200 && dhi > 0.0; ++i) {
        step *= 2.0;
        hi = guess + step;
        dhi = d(hi);
    }
    std::uintmax_t iters = 200;
    auto r = boost::math::tools::toms748_solve(d, lo, hi, dlo, dhi,
                                               boost::math::tools::eps_tolerance<double>(50), iters);
    return 0.5 * (r.first + r.second);
}

struct LimitCase {
    double df, sd, p;
};

struct Comparison {
    double H, Horacle, residual;  // residual: oracle G at HAdap's root minus 1 - p
    double N;                     // integral of F over [-1, 1], F scaled to 1 at its peak
    double slope;                 // dG/dH at the oracle's root
    int iterations;
};

inline Comparison compare(const LimitCase& c, double ftol, double rtol) {
    ts::TestContext tc(ftol, rtol);
    int iterations = 0;
    const double H = HAdap(c.sd, static_cast<int>(c.df) + 1, c.p, 0.0, 0.0, 200, ftol, rtol, 800.0,
                           iterations, tc);
    const double half = c.sd * c.sd / 2.0;
    const double root = half + H * c.sd / std::sqrt(c.df);
    OracleG G(c.df, c.sd);
    const double t = oracle_root(G, 1.0 - c.p, root);
    const double dt = 1e-6 * std::max(1.0, std::fabs(t));
    const double slope = (G(t + dt) - G(t - dt)) / (2.0 * dt) * c.sd / std::sqrt(c.df);
    const double residual = G(root) - (1.0 - c.p);
    return {H, std::sqrt(c.df) * (t - half) / c.sd, residual, G.N, slope, iterations};
}

inline std::string describe(const LimitCase& c) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "df=%g sd=%g p=%g", c.df, c.sd, c.p);
    return buf;
}

}  // namespace onesided_oracle
