// An independent, higher-precision judge of the factors tolvane-limits answers:
// the defining equations of the one- and two-sided limits evaluated in long
// double (64-bit mantissa), in the variable t = 1 + x' on [0, 2], where the
// density is t^a (2 - t)^a e^(-B t) with a = nu/2 - 1, by Boost's tanh-sinh
// quadrature (which takes the end-point singularities of half-integer a in its
// stride), window ends by TOMS 748 on the running integral. Nothing here is
// shared with the program's own check (angle variable, Gauss-Kronrod, Newton).
//
// A factor h is judged right to `bound` when the residual changes sign between
// h - d and h + d, d = bound * max(|h|, 1), each residual larger than the
// quadrature's own error estimate; the residual's root is also found, to
// report how far off a wrong factor is.
#pragma once
#include <boost/math/quadrature/tanh_sinh.hpp>
#include <boost/math/tools/toms748_solve.hpp>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

namespace limits_oracle {

using real = long double;

// The density of one trial factor, scaled to 1 at its peak.
struct Density {
    real a, B, tau;  // tau = 1 + rho
    real tpeak, width, logpeak;

    Density(real nu, real eta, real h) {
        const real u = -std::sqrt(nu + 1) * (eta / 2 + h / std::sqrt(nu));
        const real R = std::sqrt(nu + u * u);
        B = R * eta * std::sqrt(nu + 1) / 2;
        tau = u < 0 ? nu / ((R - u) * R) : (R + u) / R;
        a = nu / 2 - 1;
        if (a > 0) {
            // a/t - a/(2-t) = B: B t^2 - 2(a + B) t + 2a = 0, the smaller root.
            tpeak = 2 * a / ((a + B) + std::sqrt(a * a + B * B));
            width = 1 / std::sqrt(a / (tpeak * tpeak) + a / ((2 - tpeak) * (2 - tpeak)));
        } else {
            tpeak = 0;
            width = 1 / B;
        }
        logpeak = log_f_raw(tpeak);
    }
    real log_f_raw(real t) const {
        return (a > 0 ? a * (std::log(t) + std::log(2 - t)) : real(0)) - B * t;
    }
    real f(real t) const {
        if (t <= 0 || t >= 2) return a > 0 ? real(0) : std::exp(-B * t - logpeak);
        return std::exp(log_f_raw(t) - logpeak);
    }
};

// The integral of f(t) w(t) over [lo, hi], in pieces cut at the peak and at
// widths about it, with the summed error estimate.
struct Integral {
    real value = 0, error = 0;
};

template <class W>
Integral integrate(const Density& d, real lo, real hi, W w) {
    Integral out;
    if (!(hi > lo)) return out;
    std::vector<real> cuts{lo};
    for (real k : {-30.0L, -10.0L, -3.0L, -1.0L, 0.0L, 1.0L, 3.0L, 10.0L, 30.0L, 100.0L, 1000.0L}) {
        const real c = d.tpeak + k * d.width;
        if (c > cuts.back() && c < hi) cuts.push_back(c);
    }
    cuts.push_back(hi);
    static boost::math::quadrature::tanh_sinh<real> quad;
    // In units of the peak's width, so that the integrals are of order 1: the
    // error estimates of tanh-sinh have an absolute floor near 1e-19.
    const real unit = d.width;
    for (std::size_t i = 0; i + 1 < cuts.size(); ++i) {
        real err = 0, l1 = 0;
        const real from = cuts[i];
        const real v = quad.integrate(
            [&](real s) {
                const real t = from + s * unit;
                return t < 2 ? d.f(t) * w(t) : real(0);
            },
            real(0), (cuts[i + 1] - from) / unit, real(1e-17), &err, &l1);
        out.value += v * unit;
        out.error += (err + l1 * 1e-18L) * unit;
    }
    return out;
}

inline real one(real) { return 1; }

struct Residual {
    real value = 0, error = 0;
    bool ok = false;
    int sign() const { return !ok ? 0 : value > error ? 1 : value < -error ? -1 : 0; }
};

// G(H) - (1 - p) of the one-sided limit, from the smaller share.
inline Residual one_sided(real nu, real eta, real p, real H) {
    Residual r;
    const Density d(nu, eta, H);
    const Integral L = integrate(d, 0, d.tau, one), R = integrate(d, d.tau, 2, one);
    const real N = L.value + R.value;
    if (!(N > 0)) return r;
    // The limit code's target, 1 - p rounded to a double, and its complement.
    const real target = static_cast<real>(1.0 - static_cast<double>(p));
    if (L.value <= R.value) r.value = L.value / N - target;
    else r.value = (1 - target) - R.value / N;
    r.error = (L.error + R.error) / N * 2;
    r.ok = std::isfinite(static_cast<double>(r.value));
    return r;
}

// G2(h) - q of the two-sided limit, which = 1 (window [lo, rho]) or 2
// ([rho, hi]); with the window's mass q N this is (q Y - Wy)/(N - Y) with Y
// and Wy the integrals of t f over everything and over the window.
inline Residual two_sided(real nu, real eta, real q, int which, real h) {
    Residual r;
    const Density d(nu, eta, h);
    auto tw = [](real t) { return t; };
    const Integral L = integrate(d, 0, d.tau, one), R = integrate(d, d.tau, 2, one);
    const real N = L.value + R.value;
    const real amount = q * N;
    const Integral& side = which == 1 ? L : R;
    if (!(side.value >= amount)) return r;
    // The window's free end: its mass is q N.
    auto mass_to = [&](real t) {
        return (which == 1 ? integrate(d, t, d.tau, one) : integrate(d, d.tau, t, one)).value -
               amount;
    };
    real lo = which == 1 ? real(0) : d.tau, hi = which == 1 ? d.tau : real(2);
    real flo = mass_to(lo), fhi = mass_to(hi);
    std::uintmax_t iters = 300;
    const auto end = boost::math::tools::toms748_solve(
        mass_to, lo, hi, flo, fhi, boost::math::tools::eps_tolerance<real>(62), iters);
    const real t = (end.first + end.second) / 2;
    const Integral Wy = which == 1 ? integrate(d, t, d.tau, tw) : integrate(d, d.tau, t, tw);
    const Integral Wm = which == 1 ? integrate(d, t, d.tau, one) : integrate(d, d.tau, t, one);
    const Integral Yl = integrate(d, 0, d.tau, tw), Yr = integrate(d, d.tau, 2, tw);
    const real Y = Yl.value + Yr.value;
    // Mass beyond q N at the end carries t times itself.
    const real wy = Wy.value - t * (Wm.value - amount);
    const real den = N - Y;  // -(the first moment of f in x'), positive
    if (!(den > 0)) return r;
    r.value = (q * Y - wy) / den;
    r.error = (q * (Yl.error + Yr.error) + Wy.error + t * (Wm.error + L.error + R.error)) / den +
              std::fabs(r.value) * (L.error + R.error + Yl.error + Yr.error) / den +
              std::fabs(static_cast<real>(end.second - end.first)) * t * d.f(t) / den;
    r.ok = std::isfinite(static_cast<double>(r.value));
    return r;
}

// The equation of one limit, as a function of its factor.
struct Equation {
    int sides, which;
    real nu, eta, level;
    Residual operator()(real h) const {
        return sides == 1 ? one_sided(nu, eta, level, h) : two_sided(nu, eta, level, which, h);
    }
};

// True when a root of the equation lies within bound * max(|h|, 1) of h.
inline bool right(const Equation& eq, double h, double bound) {
    if (!std::isfinite(h)) return false;
    const real d = static_cast<real>(bound) * std::max<real>(1, std::fabs(static_cast<real>(h)));
    const int below = eq(h - d).sign();
    return below != 0 && eq(h + d).sign() == -below;
}

// The root near `guess` (to report how far a wrong factor is off), or nothing.
inline std::optional<real> root(const Equation& eq, real guess) {
    auto f = [&](real h) {
        const Residual r = eq(h);
        return r.ok ? r.value : std::numeric_limits<real>::quiet_NaN();
    };
    real step = 1e-6L * std::max<real>(1, std::fabs(guess));
    const real f0 = f(guess);
    if (!std::isfinite(static_cast<double>(f0))) return std::nullopt;
    for (int k = 0; k < 80; ++k, step *= 2) {
        for (real x : {guess + step, guess - step}) {
            const real fx = f(x);
            if (std::isfinite(static_cast<double>(fx)) && (fx > 0) != (f0 > 0)) {
                real lo = std::min(x, guess), hi = std::max(x, guess);
                real flo = lo == x ? fx : f0, fhi = hi == x ? fx : f0;
                std::uintmax_t iters = 200;
                const auto r = boost::math::tools::toms748_solve(
                    f, lo, hi, flo, fhi, boost::math::tools::eps_tolerance<real>(60), iters);
                return (r.first + r.second) / 2;
            }
        }
    }
    return std::nullopt;
}

}  // namespace limits_oracle
