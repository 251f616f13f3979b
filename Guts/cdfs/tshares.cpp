// Student's t distribution at t >= 0: the upper tail P(T > t) and the central
// share P(0 < T < t), each to nearly full relative precision however small it
// is, with the logarithms of the tail and of the density.
//
// With u = t^2/df, x = 1/(1 + u), y = u/(1 + u) and a = df/2 both shares are
// incomplete beta ratios with the parameter 1/2 (Abramowitz and Stegun 26.7.1,
// 26.5.x):
//   P(T > t) = I_x(a, 1/2)/2,   P(0 < T < t) = I_y(1/2, a)/2.
// Each is computed from its own continued fraction where that converges fast
// (the tail for u (a + 1) > 3/2, as for the classical fraction, the central
// share below), the other as 1/2 minus it. The fraction is the even part of
// the classical one (A&S 26.5.8): two of its steps folded into one, so that its
// partial denominators are polynomials in a, k and the complement of the
// fraction's own argument with no cancellation (the classical steps
// 1 + d_(2k+1) lose the digits of y when x is within rounding of 1, at a
// large df: 1e-11 of the tail at df 1e6). For df above 1e30 the distribution
// is the normal one to 1e-27 relative, and it is taken as that.
#include <cmath>
#include <limits>

#include "Chinorm95.h"

namespace {

constexpr double pi = 3.141592653589793;

// Gamma(a + 1/2)/Gamma(a) for a > 0: the asymptotic series of its logarithm,
//   ln(Gamma(a + 1/2)/Gamma(a)) = ln(a)/2 + sum_k (2^(1-2k) - 2) B_2k/(2k(2k-1)) a^(1-2k),
// from the Stirling series with Bernoulli polynomials B_n(1/2) = (2^(1-n) - 1) B_n,
// for a >= 10 (the first term left out is below 6e-17 there), and the
// recurrence Gamma(a + 3/2)/Gamma(a + 1) = (a + 1/2)/a Gamma(a + 1/2)/Gamma(a)
// below it.
double gamma_half_ratio(double a) {
    double product = 1.0;
    for (; a < 10.0; a += 1.0) product *= a / (a + 0.5);
    constexpr double c[] = {-1.0 / 8.0,        1.0 / 192.0,       -1.0 / 640.0,
                            17.0 / 14336.0,    -31.0 / 18432.0,   691.0 / 180224.0,
                            -5461.0 / 425984.0};
    const double w = 1.0 / (a * a);
    double s = 0.0;
    for (int k = 6; k >= 0; --k) s = s * w + c[k];
    return product * std::sqrt(a) * std::exp(s / a);
}

// The modified Lentz evaluation of 1/(beta_0 + alpha_1/(beta_1 + alpha_2/(...)))
// with the terms of `terms(k, alpha, beta)`, to the rounding of its value.
template <class Terms>
double fraction(double beta0, Terms terms) {
    constexpr double tiny = 1e-300;
    double g = beta0 == 0.0 ? tiny : beta0;
    double C = g, D = 0.0;
    for (int k = 1; k < 10000; ++k) {
        double alpha = 0.0, beta = 0.0;
        terms(static_cast<double>(k), alpha, beta);
        D = beta + alpha * D;
        if (D == 0.0) D = tiny;
        C = beta + alpha / C;
        if (C == 0.0) C = tiny;
        D = 1.0 / D;
        const double delta = C * D;
        g *= delta;
        if (std::fabs(delta - 1.0) <= 2.3e-16) break;  // a unit in the last place of 1 or less
    }
    return 1.0 / g;
}

// f with I_x(a, 1/2) = x^a y^(1/2) f/(a B(a, 1/2)).
double tail_fraction(double a, double x, double y) {
    const double beta0 = (0.5 + (a + 0.5) * y) / (a + 1.0);
    return fraction(beta0, [&](double k, double& alpha, double& beta) {
        alpha = ((a + k - 1.0) * (a + k - 0.5) * x / ((a + 2.0 * k - 2.0) * (a + 2.0 * k - 1.0))) *
                (k * (0.5 - k) * x / ((a + 2.0 * k - 1.0) * (a + 2.0 * k)));
        const double n0 = a * a * (2.0 * k + 0.5) + a * (6.0 * k * k + k - 0.5) + 4.0 * k * k * k - k;
        const double n1 = a * a * a - 0.5 * a * a + 4.0 * a * a * k + 6.0 * a * k * k - a * k -
                          0.5 * a + 4.0 * k * k * k - k;
        beta = (n0 + y * n1) / ((a + 2.0 * k - 1.0) * (a + 2.0 * k) * (a + 2.0 * k + 1.0));
    });
}

// f with I_y(1/2, a) = y^(1/2) x^a f/((1/2) B(1/2, a)); its partial denominators
// in y, not in x = 1 - y, which is within rounding of 1 here.
double central_fraction(double a, double y) {
    const double beta0 = 1.0 - (a + 0.5) * y / 1.5;
    return fraction(beta0, [&](double k, double& alpha, double& beta) {
        alpha = ((k - 0.5) * (a + k - 0.5) * y / ((2.0 * k - 1.5) * (2.0 * k - 0.5))) *
                (k * (a - k) * y / ((2.0 * k - 0.5) * (2.0 * k + 0.5)));
        const double n = (8.0 * k * k * k + 6.0 * k * k - 0.5 * k - 0.375) +
                         y * (0.125 + 0.25 * a + a * k - 3.0 * k * k - 4.0 * k * k * k);
        beta = n / ((2.0 * k - 0.5) * (2.0 * k + 0.5) * (2.0 * k + 1.5));
    });
}

TShares normal_shares(double t) {
    TShares s;
    const double z = t / std::sqrt(2.0);
    s.upper = 0.5 * std::erfc(z);
    s.central = 0.5 * std::erf(z);
    s.log_density = -0.5 * t * t - 0.5 * std::log(2.0 * pi);
    if (s.upper > 0.0) {
        s.log_upper = std::log(s.upper);
    } else {
        // Beyond t = 38.5: the Mills ratio's series, its first omitted term
        // below 2e-13 of the tail there.
        const double w = 1.0 / (t * t);
        s.log_upper = s.log_density - std::log(t) +
                      std::log1p(w * (-1.0 + w * (3.0 + w * (-15.0 + w * 105.0))));
    }
    return s;
}

}  // namespace

TShares tshares(double t, double df) {
    TShares s;
    if (!(t >= 0.0) || !(df > 0.0)) {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        s.upper = s.central = s.log_upper = s.log_density = nan;
        return s;
    }
    if (df > 1e30) return normal_shares(t);
    const double a = 0.5 * df;
    const double r = t / std::sqrt(df);
    const double ratio = gamma_half_ratio(a);
    // ln x, y and sqrt(y) Gamma(a + 1/2)/Gamma(a), each without cancellation,
    // from r or from 1/r, and without forming r where it is subnormal.
    double x, y, lx, sy_ratio;
    bool tail;
    if (r <= 1.0) {
        const double u = r * r;
        x = 1.0 / (1.0 + u);
        y = u / (1.0 + u);
        lx = -std::log1p(u);
        sy_ratio = (t * ratio) / (std::sqrt(df) * std::sqrt(1.0 + u));
        tail = u * (a + 1.0) > 1.5;
    } else {
        const double w = std::sqrt(df) / t;
        const double w2 = w * w;
        x = w2 / (1.0 + w2);
        y = 1.0 / (1.0 + w2);
        lx = 2.0 * std::log(w) - std::log1p(w2);
        sy_ratio = ratio / std::sqrt(1.0 + w2);
        tail = true;
    }
    s.log_density = std::log(ratio / std::sqrt(df * pi)) + (a + 0.5) * lx;
    if (tail) {
        const double f = tail_fraction(a, x, y);
        s.log_upper = a * lx + std::log(sy_ratio / (2.0 * a * std::sqrt(pi)) * f);
        s.upper = std::exp(a * lx) * sy_ratio / (2.0 * a * std::sqrt(pi)) * f;
        s.central = 0.5 - s.upper;
    } else {
        s.central = std::exp(a * lx) * sy_ratio / std::sqrt(pi) * central_fraction(a, y);
        s.upper = 0.5 - s.central;
        s.log_upper = std::log(s.upper);
    }
    return s;
}
