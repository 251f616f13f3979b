// Student's t quantile: the t >= 0 with P(T > t) = upper and P(0 < T < t) =
// central. The start is G. W. Hill's approximation (Algorithm 396, Student's
// t-quantiles, Comm. ACM 13 (1970) 619), which Newton's method on the accurate
// shares of tshares then refines to the rounding of those shares: in ln t on
// ln P(T > t) when the tail is the smaller share (nearly linear in the tail,
// where P falls like t^-df), else in t on the central share from the root of
// its tangent at 0 (the share is concave, so that the steps approach the root
// from below).
#include <cmath>
#include <limits>

#include "Chinorm95.h"

namespace {

constexpr double pi = 3.141592653589793;

// The lower normal quantile of p <= 1/2 to about 4.5e-4 (Abramowitz and Stegun
// 26.2.23): enough for Hill's start.
double rough_normal_quantile(double p) {
    const double t = std::sqrt(-2.0 * std::log(p));
    return -(t - (2.515517 + t * (0.802853 + t * 0.010328)) /
                     (1.0 + t * (1.432788 + t * (0.189269 + t * 0.001308))));
}

// Hill's approximation to the t with P(|T| > t) = P for n degrees of freedom.
double hill(double P, double n) {
    if (n == 2.0) return std::sqrt(2.0 / (P * (2.0 - P)) - 2.0);
    if (n == 1.0) return std::cos(P * pi / 2.0) / std::sin(P * pi / 2.0);
    const double a = 1.0 / (n - 0.5);
    const double b = 48.0 / (a * a);
    double c = ((20700.0 * a / b - 98.0) * a - 16.0) * a + 96.36;
    const double d = ((94.5 / (b + c) - 3.0) / b + 1.0) * std::sqrt(a * pi / 2.0) * n;
    double x = d * P;
    double y = std::pow(x, 2.0 / n);
    if (y > 0.05 + a) {
        // An asymptotic inverse expansion about the normal deviate.
        x = rough_normal_quantile(0.5 * P);
        y = x * x;
        if (n < 5.0) c += 0.3 * (n - 4.5) * (x + 0.6);
        c = (((0.05 * d * x - 5.0) * x - 7.0) * x - 2.0) * x + b + c;
        y = (((((0.4 * y + 6.3) * y + 36.0) * y + 94.5) / c - y - 3.0) / b + 1.0) * x;
        y = std::expm1(a * y * y);
    } else {
        y = ((1.0 / (((n + 6.0) / (n * y) - 0.089 * d - 0.822) * (n + 2.0) * 3.0) +
              0.5 / (n + 4.0)) * y - 1.0) * (n + 1.0) / (n + 2.0) + 1.0 / y;
    }
    return std::sqrt(n * y);
}

}  // namespace

double tinverse(double upper, double central, double df) {
    if (!(df >= 1.0) || !(upper >= 0.0) || !(central >= 0.0) || !(upper + central > 0.49) ||
        !(upper + central < 0.51))
        return std::numeric_limits<double>::quiet_NaN();
    if (central == 0.0) return 0.0;
    if (upper == 0.0) return std::numeric_limits<double>::infinity();
    const bool by_tail = upper <= central;
    double t;
    if (by_tail) {
        t = hill(2.0 * upper, df);
        // Where the start fails (a tail so small that its terms overflow), the
        // power law of the tail, off by a factor of order 1 in P.
        if (!(t > 0.0 && t < std::numeric_limits<double>::infinity()))
            t = std::sqrt(df) * std::exp(-std::log(upper) / df);
    } else {
        // The central share is concave in t: from its tangent at 0 the steps
        // rise to the root without passing it, however small the share.
        t = central / std::exp(tshares(0.0, df).log_density);
    }
    const double log_target = std::log(upper);
    double last_step = std::numeric_limits<double>::infinity();
    for (int it = 0; it < 100; ++it) {
        const TShares s = tshares(t, df);
        double next;
        if (by_tail) {
            // -d ln P/d ln t, about df far out in the tail.
            const double slope = t * std::exp(s.log_density - s.log_upper);
            double step = (s.log_upper - log_target) / slope;
            if (step > 50.0) step = 50.0;
            if (step < -50.0) step = -50.0;
            next = t * std::exp(step);
        } else {
            next = t + (central - s.central) / std::exp(s.log_density);
            if (!(next > 0.0)) next = 0.5 * t;
        }
        if (!std::isfinite(next)) return next;
        const double step = std::fabs(next - t);
        t = next;
        if (step <= 0x1p-52 * t) break;
        // Steps that no longer shrink are the rounding of the shares.
        if (step < 1e-12 * t && step >= 0.5 * last_step) break;
        last_step = step;
    }
    return t;
}
