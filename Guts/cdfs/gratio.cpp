// Incomplete gamma function ratios P(a, x) and Q(a, x) = 1 - P(a, x), by the
// method of DiDonato and Morris (ACM TOMS 12 (1986), Algorithm 654): Taylor
// series, Legendre's continued fraction, the asymptotic expansion, finite sums
// for integer and half-integer a, and Temme's uniform expansion for large a.
//
// ind selects the accuracy: 0 about 14 significant digits, 1 about 6, any other
// value about 3. Impossible arguments give ans = 2 (qans is then not set).
#include <algorithm>
#include <cmath>

#include "Chinorm95.h"

namespace {

// Coefficients of Temme's expansion: column k of the table is the polynomial
// d_k(z), whose constant term is dk0 and whose higher coefficients are dk[].
const double d0[13] = {0.833333333333333e-01,  -0.148148148148148e-01, 0.115740740740741e-02,
                       0.352733686067019e-03,  -0.178755144032922e-03, 0.391926317852244e-04,
                       -0.218544851067999e-05, -0.185406221071516e-05, 0.829671134095309e-06,
                       -0.176659527368261e-06, 0.670785354340150e-08,  0.102618097842403e-07,
                       -0.438203601845335e-08};
const double d10 = -0.185185185185185e-02;
const double d1[12] = {-0.347222222222222e-02, 0.264550264550265e-02,  -0.990226337448560e-03,
                       0.205761316872428e-03,  -0.401877572016461e-06, -0.180985503344900e-04,
                       0.764916091608111e-05,  -0.161209008945634e-05, 0.464712780280743e-08,
                       0.137863344691572e-06,  -0.575254560351770e-07, 0.119516285997781e-07};
const double d20 = 0.413359788359788e-02;
const double d2[10] = {-0.268132716049383e-02, 0.771604938271605e-03,  0.200938786008230e-05,
                       -0.107366532263652e-03, 0.529234488291201e-04,  -0.127606351886187e-04,
                       0.342357873409614e-07,  0.137219573090629e-05,  -0.629899213838006e-06,
                       0.142806142060642e-06};
const double d30 = 0.649434156378601e-03;
const double d3[8] = {0.229472093621399e-03,  -0.469189494395256e-03, 0.267720632062839e-03,
                      -0.756180167188398e-04, -0.239650511386730e-06, 0.110826541153473e-04,
                      -0.567495282699160e-05, 0.142309007324359e-05};
const double d40 = -0.861888290916712e-03;
const double d4[6] = {0.784039221720067e-03,  -0.299072480303190e-03, -0.146384525788434e-05,
                      0.664149821546512e-04,  -0.396836504717943e-04, 0.113757269706784e-04};
const double d50 = -0.336798553366358e-03;
const double d5[4] = {-0.697281375836586e-04, 0.277275324495939e-03, -0.199325705161888e-03,
                      0.679778047793721e-04};
const double d60 = 0.531307936463992e-03;
const double d6[2] = {-0.592166437353694e-03, 0.270878209671804e-03};
const double d70 = 0.344367606892378e-03;

const double alog10 = 2.30258509299405;  // ln 10
const double rt2pin = 0.398942280401433;  // 1/sqrt(2 pi)
const double rtpi = 1.77245385090552;     // sqrt(pi)
const double third = 0.333333333333333;

// Horner sum c0 + z*(c[0] + z*(c[1] + ... + z*c[n-1])), innermost first.
double temme_poly(double c0, const double* c, int n, double z) {
    double s = c[n - 1];
    for (int i = n - 2; i >= 0; --i) s = s * z + c[i];
    return s * z + c0;
}

// Temme's correction sum t(z, 1/a) for accuracy class iop, with the number of
// terms of each column that the class needs; `near` selects the short columns
// used when x/a is within about 1e-3 of 1.
double temme_sum(int iop, bool near, double z, double u) {
    if (iop == 1) {
        constexpr int all_terms[7] = {13, 12, 10, 8, 6, 4, 2};
        constexpr int near_terms[7] = {7, 6, 5, 4, 2, 2, 1};
        const int* const n = near ? near_terms : all_terms;
        const double c0 = temme_poly(-third, d0, n[0], z);
        const double c1 = temme_poly(d10, d1, n[1], z);
        const double c2 = temme_poly(d20, d2, n[2], z);
        const double c3 = temme_poly(d30, d3, n[3], z);
        const double c4 = temme_poly(d40, d4, n[4], z);
        const double c5 = temme_poly(d50, d5, n[5], z);
        const double c6 = temme_poly(d60, d6, n[6], z);
        return ((((((d70 * u + c6) * u + c5) * u + c4) * u + c3) * u + c2) * u + c1) * u + c0;
    }
    if (iop == 2) {
        if (!near) {
            const double c0 = temme_poly(-third, d0, 6, z);
            const double c1 = temme_poly(d10, d1, 4, z);
            const double c2 = d2[0] * z + d20;
            return (c2 * u + c1) * u + c0;
        }
        const double c0 = (d0[1] * z + d0[0]) * z - third;
        const double c1 = d1[0] * z + d10;
        return (d20 * u + c1) * u + c0;
    }
    if (!near) return ((d0[2] * z + d0[1]) * z + d0[0]) * z - third;
    return d0[0] * z - third;
}

void set_p(double p, double& ans, double& qans) {
    ans = p;
    qans = 0.5 + (0.5 - ans);
}

void set_q(double q, double& ans, double& qans) {
    qans = q;
    ans = 0.5 + (0.5 - qans);
}

}  // namespace

void gratio(double a, double x, double& ans, double& qans, int ind) {
    static const double acc0[3] = {5.0e-15, 5.0e-7, 5.0e-4};
    static const double big[3] = {20.0, 14.0, 10.0};
    static const double e00[3] = {0.25e-3, 0.25e-1, 0.14};
    static const double x00[3] = {31.0, 17.0, 9.7};

    const double e = SPMPAR(1);

    // Impossible arguments (NaN included) and the degenerate a*x = 0.
    if (!(a >= 0.0) || !(x >= 0.0) || (a == 0.0 && x == 0.0)) {
        ans = 2.0;
        return;
    }
    auto limits = [&]() {  // P = 0 below the mode side, P = 1 beyond it
        if (x <= a) {
            ans = 0.0;
            qans = 1.0;
        } else {
            ans = 1.0;
            qans = 0.0;
        }
    };
    if (a * x == 0.0) return limits();

    const int iop = (ind == 0 || ind == 1) ? ind + 1 : 3;
    const double acc = std::max(acc0[iop - 1], e);
    const double e0 = e00[iop - 1];
    const double x0 = x00[iop - 1];

    double r = 0.0;  // x**a * exp(-x) / Gamma(a), the common factor of the series

    // Which expansion finishes the job once r is known.
    enum class Then { SeriesOrFraction, ContinuedFraction } then = Then::SeriesOrFraction;

    if (a < 1.0) {
        if (a == 0.5) {
            if (x < 0.25) return set_p(ERF(std::sqrt(x)), ans, qans);
            return set_q(ERFC1(0, std::sqrt(x)), ans, qans);
        }
        if (x < 1.1) {
            // Taylor series for P(a, x)/x**a.
            double an = 3.0;
            double c = x;
            double sum = x / (a + 3.0);
            const double tol = 3.0 * acc / (a + 1.0);
            double t;
            do {
                an = an + 1.0;
                c = -c * (x / an);
                t = c / (a + an);
                sum = sum + t;
            } while (std::fabs(t) > tol);
            const double j = a * x * ((sum / 6.0 - 0.5 / (a + 2.0)) * x + 1.0 / (a + 1.0));

            const double z = a * std::log(x);
            const double h = GAM1(a);
            const double g = 1.0 + h;
            const bool direct = (x < 0.25) ? !(z > -0.13394) : !(a < x / 2.59);
            if (direct) {
                const double w = std::exp(z);
                return set_p(w * g * (0.5 + (0.5 - j)), ans, qans);
            }
            // Q directly, where P is close to 1 and would lose Q's digits.
            const double l = REXP(z);
            const double w = 0.5 + (0.5 + l);
            const double q = (w * j - l) * g - h;
            if (q < 0.0) {
                ans = 1.0;
                qans = 0.0;
                return;
            }
            return set_q(q, ans, qans);
        }
        const double t1 = a * std::log(x) - x;
        const double u = a * std::exp(t1);
        // x**a e**-x underflows only when x is far beyond a: P = 1.
        if (u == 0.0) {
            ans = 1.0;
            qans = 0.0;
            return;
        }
        r = u * (1.0 + GAM1(a));
        then = Then::ContinuedFraction;
    } else if (a < big[iop - 1]) {
        if (!(a > x || x >= x0)) {
            const double twoa = a + a;
            const int m = static_cast<int>(twoa);
            if (twoa == static_cast<double>(m)) {
                // Finite sums for Q when 2a is an integer.
                const int i = m / 2;
                double sum, t, c;
                int n;
                if (a == static_cast<double>(i)) {
                    sum = std::exp(-x);
                    t = sum;
                    n = 1;
                    c = 0.0;
                } else {
                    const double rtx = std::sqrt(x);
                    sum = ERFC1(0, rtx);
                    t = std::exp(-x) / (rtpi * rtx);
                    n = 0;
                    c = -0.5;
                }
                while (n != i) {
                    n = n + 1;
                    c = c + 1.0;
                    t = (x * t) / c;
                    sum = sum + t;
                }
                return set_q(sum, ans, qans);
            }
        }
        const double t1 = a * std::log(x) - x;
        r = std::exp(t1) / GAMMA(a);
    } else {
        const double l = x / a;
        if (l == 0.0) {
            ans = 0.0;
            qans = 1.0;
            return;
        }
        const double s = 0.5 + (0.5 - l);
        double z = RLOG(l);
        if (z >= 700.0 / a) {
            // The exponential factor underflows: P and Q are 0 and 1, or 1 and 0.
            if (std::fabs(s) <= 2.0 * e) {
                ans = 2.0;
                return;
            }
            return limits();
        }
        const double y = a * z;
        const double rta = std::sqrt(a);
        if (std::fabs(s) <= e0 / rta) {
            // Temme's expansion for x/a close to 1.
            if (a * e * e > 3.28e-3) {
                ans = 2.0;
                return;
            }
            const double c = 0.5 + (0.5 - y);
            const double w = (0.5 - std::sqrt(y) * (0.5 + (0.5 - y / 3.0)) / rtpi) / c;
            const double u = 1.0 / a;
            z = std::sqrt(z + z);
            if (l < 1.0) z = -z;
            const double t = temme_sum(iop, true, z, u);
            if (l < 1.0) return set_p(c * (w - rt2pin * t / rta), ans, qans);
            return set_q(c * (w + rt2pin * t / rta), ans, qans);
        }
        if (std::fabs(s) <= 0.4) {
            // Temme's general uniform expansion.
            if (std::fabs(s) <= 2.0 * e && a * e * e > 3.28e-3) {
                ans = 2.0;
                return;
            }
            const double c = std::exp(-y);
            const double w = 0.5 * ERFC1(1, std::sqrt(y));
            const double u = 1.0 / a;
            z = std::sqrt(z + z);
            if (l < 1.0) z = -z;
            const bool near = iop == 1 && std::fabs(s) <= 1.0e-3;
            const double t = temme_sum(iop, near, z, u);
            if (l < 1.0) return set_p(c * (w - rt2pin * t / rta), ans, qans);
            return set_q(c * (w + rt2pin * t / rta), ans, qans);
        }
        // r by the large-a form: exp(-a*RLOG(x/a)) with Stirling's correction.
        const double t = (1.0 / a) * (1.0 / a);
        double t1 = (((0.75 * t - 1.0) * t + 3.5) * t - 105.0) / (a * 1260.0);
        t1 = t1 - y;
        r = rt2pin * rta * std::exp(t1);
    }

    if (then == Then::SeriesOrFraction) {
        if (r == 0.0) return limits();
        if (x <= std::max(a, alog10)) {
            // Taylor series for P/r; the first terms are summed last, smallest first.
            double wk[20];
            double apn = a + 1.0;
            double t = x / apn;
            wk[0] = t;
            int n = 20;
            for (int k = 2; k <= 20; ++k) {
                apn = apn + 1.0;
                t = t * (x / apn);
                if (t <= 1.0e-3) {
                    n = k;
                    break;
                }
                wk[k - 1] = t;
            }
            double sum = t;
            const double tol = 0.5 * acc;
            do {
                apn = apn + 1.0;
                t = t * (x / apn);
                sum = sum + t;
            } while (t > tol);
            for (int k = n - 1; k >= 1; --k) sum = sum + wk[k - 1];
            return set_p((r / a) * (1.0 + sum), ans, qans);
        }
        if (x >= x0) {
            // Asymptotic expansion for Q/r.
            double wk[20];
            double amn = a - 1.0;
            double t = amn / x;
            wk[0] = t;
            int n = 20;
            for (int k = 2; k <= 20; ++k) {
                amn = amn - 1.0;
                t = t * (amn / x);
                if (std::fabs(t) <= 1.0e-3) {
                    n = k;
                    break;
                }
                wk[k - 1] = t;
            }
            double sum = t;
            while (!(std::fabs(t) <= acc)) {
                amn = amn - 1.0;
                t = t * (amn / x);
                sum = sum + t;
            }
            for (int k = n - 1; k >= 1; --k) sum = sum + wk[k - 1];
            return set_q((r / x) * (1.0 + sum), ans, qans);
        }
    }

    // Legendre's continued fraction for Q/r.
    const double tol = std::max(5.0 * e, acc);
    double a2nm1 = 1.0;
    double a2n = 1.0;
    double b2nm1 = x;
    double b2n = x + (1.0 - a);
    double c = 1.0;
    double am0, an0;
    do {
        a2nm1 = x * a2n + c * a2nm1;
        b2nm1 = x * b2n + c * b2nm1;
        am0 = a2nm1 / b2nm1;
        c = c + 1.0;
        const double cma = c - a;
        a2n = a2nm1 + cma * a2n;
        b2n = b2nm1 + cma * b2n;
        an0 = a2n / b2n;
    } while (std::fabs(an0 - am0) >= tol * an0);
    set_q(r * an0, ans, qans);
}
