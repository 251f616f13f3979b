// Gamma(a) for real a. |a| < 15: the recurrence down (or up) to Gamma(1 + x),
// 0 <= x < 1, from a rational approximation. |a| >= 15: the Stirling form with
// a modified correction sum, and the reflection formula for negative a.
// Returns 0 where Gamma cannot be computed: at a pole, for |a| >= 1000, and when
// the result would overflow.
#include <cmath>

#include "Chinorm95.h"

double GAMMA(double a) {
    static const double pi = 3.1415926535898;
    static const double d = 0.41893853320467274178;  // ln(sqrt(2 pi)) - 1/2
    static const double p[7] = {0.539637273585445e-03, 0.261939260042690e-02,
                                0.204493667594920e-01, 0.730981088720487e-01,
                                0.279648642639792e+00, 0.553413866010467e+00, 1.0};
    static const double q[7] = {-0.832979206704073e-03, 0.470059485860584e-02,
                                0.225211131035340e-01,  -0.170458969313360e+00,
                                -0.567902761974940e-01, 0.113062953091122e+01, 1.0};
    static const double r1 = 0.820756370353826e-03;
    static const double r2 = -0.595156336428591e-03;
    static const double r3 = 0.793650663183693e-03;
    static const double r4 = -0.277777777770481e-02;
    static const double r5 = 0.833333333333333e-01;

    double x = a;
    if (std::fabs(a) < 15.0) {
        double t = 1.0;
        int m = static_cast<int>(a) - 1;
        bool rational = true;  // false: a tiny product t, Gamma = 1/t
        if (m >= 0) {
            // t = (a - 1)(a - 2)...(a - m), then x = a - m - 1 in [0, 1).
            for (int j = 1; j <= m; ++j) {
                x = x - 1.0;
                t = x * t;
            }
            x = x - 1.0;
        } else {
            // t = a(a + 1)...: Gamma(a) = Gamma(1 + x)/t with x in [0, 1).
            t = a;
            if (a <= 0.0) {
                m = -m - 1;
                for (int j = 1; j <= m; ++j) {
                    x = x + 1.0;
                    t = x * t;
                }
                x = (x + 0.5) + 0.5;
                t = x * t;
                if (t == 0.0) return 0.0;  // a pole
            }
            // 1/t would overflow when t is tiny.
            if (std::fabs(t) < 1.0e-30) {
                if (std::fabs(t) * SPMPAR(3) <= 1.0001) return 0.0;
                rational = false;
            }
            if (!rational) return 1.0 / t;
        }

        double top = p[0];
        double bot = q[0];
        for (int i = 1; i < 7; ++i) {
            top = p[i] + x * top;
            bot = q[i] + x * bot;
        }
        const double g = top / bot;
        if (a < 1.0) return g / t;
        return g * t;
    }

    if (std::fabs(a) >= 1.0e3) return 0.0;
    double s = 0.0;
    if (a <= 0.0) {
        x = -a;
        const int n = static_cast<int>(x);
        double t = x - n;
        if (t > 0.9) t = 1.0 - t;
        s = std::sin(pi * t) / pi;
        if (n % 2 == 0) s = -s;
        if (s == 0.0) return 0.0;  // a pole
    }

    const double t = 1.0 / (x * x);
    double g = ((((r1 * t + r2) * t + r3) * t + r4) * t + r5) / x;
    const double lnx = std::log(x);
    const double z = x;
    g = (d + g) + (z - 0.5) * (lnx - 1.0);
    const double w = g;
    if (w > 0.99999 * EXPARG(0)) return 0.0;  // overflow
    double gam = std::exp(w);
    if (a < 0.0) gam = (1.0 / (gam * s)) / x;
    return gam;
}
