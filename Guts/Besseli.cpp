// Exponentially scaled modified Bessel functions of the first kind, and the
// gamma function they need for their normalisation.
//
// dgamma is W. J. Cody's gamma function: a rational Chebyshev approximation
// on (1, 2) carried to (0, 12) by recurrence, the Stirling series up to the
// overflow threshold, and the reflection formula for non-positive
// arguments.  Poles and overflow give 1.79e308.
#include <cmath>

#include "mainguts.h"

namespace {

namespace gam {

constexpr double one = 1.0;
constexpr double half = 0.5;
constexpr double twelve = 12.0;
constexpr double zero = 0.0;
constexpr double sqrtpi = 0.9189385332046727417803297;  // ln sqrt(2 pi)
constexpr double pi = 3.1415926535897932384626434;

// Overflow threshold of Gamma, smallest y with 1/y representable, the point
// below which Gamma(y) = 1/y to working precision, and the overflow value.
constexpr double xbig = 171.624;
constexpr double xminin = 2.23e-308;
constexpr double eps = 2.22e-16;
constexpr double xinf = 1.79e308;

// Approximation of Gamma on (1, 2).
constexpr double p[8] = {-1.71618513886549492533811e+0, 2.47656508055759199108314e+1,
                         -3.79804256470945635097577e+2, 6.29331155312818442661052e+2,
                         8.66966202790413211295064e+2,  -3.14512729688483675254357e+4,
                         -3.61444134186911729807069e+4, 6.64561438202405440627855e+4};
constexpr double q[8] = {-3.08402300119738975254353e+1, 3.15350626979604161529144e+2,
                         -1.01515636749021914166146e+3, -3.10777167157231109440444e+3,
                         2.25381184209801510330112e+4,  4.75584627752788110767815e+3,
                         -1.34659959864969306392456e+5, -1.15132259675553483497211e+5};

// Stirling correction series, valid above 12.
constexpr double c[7] = {-1.910444077728e-03,          8.4171387781295e-04,
                         -5.952379913043012e-04,       7.93650793500350248e-04,
                         -2.777777777777681622553e-03, 8.333333333333333331554247e-02,
                         5.7083835261e-03};

}  // namespace gam

}  // namespace

double dgamma(double x) {
    using namespace gam;
    bool parity = false;
    double fact = one;
    int n = 0;
    double y = x;
    double res;

    if (y <= zero) {
        // Reflection: Gamma(x) = -pi / (sin(pi*frac) * Gamma(1 - x)), the sign
        // following the parity of the integer part of -x.
        y = -x;
        const double y1 = std::trunc(y);
        res = y - y1;
        if (res != zero) {
            if (y1 != std::trunc(y1 * half) * 2.0) parity = true;
            fact = -pi / std::sin(pi * res);
            y = y + one;
        } else {
            return xinf;
        }
    }

    if (y < eps) {
        if (y >= xminin) {
            res = one / y;
        } else {
            return xinf;
        }
    } else if (y < twelve) {
        const double y1 = y;
        double z;
        if (y < one) {
            z = y;
            y = y + one;
        } else {
            n = static_cast<int>(y) - 1;
            y = y - static_cast<double>(n);
            z = y - one;
        }
        double xnum = zero;
        double xden = one;
        for (int i = 0; i < 8; ++i) {
            xnum = (xnum + p[i]) * z;
            xden = xden * z + q[i];
        }
        res = xnum / xden + one;
        if (y1 < y) {
            res = res / y1;
        } else if (y1 > y) {
            for (int i = 0; i < n; ++i) {
                res = res * y;
                y = y + one;
            }
        }
    } else if (y <= xbig) {
        const double ysq = y * y;
        double sum = c[6];
        for (int i = 0; i < 6; ++i) sum = sum / ysq + c[i];
        sum = sum / y - y + sqrtpi;
        sum = sum + (y - half) * std::log(y);
        res = std::exp(sum);
    } else {
        // Also reached by a NaN argument, which fails every comparison.
        return xinf;
    }

    if (parity) res = -res;
    if (fact != one) res = fact / res;
    return res;
}
