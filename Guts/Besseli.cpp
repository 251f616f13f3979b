// Exponentially scaled modified Bessel functions of the first kind, and the
// gamma function they need for their normalisation.
//
// ribesl is W. J. Cody's routine for the sequence I_(alpha+k)(x),
// k = 0 .. nb-1: Sookne's backward recurrence, started where Olver's
// P-sequence shows enough significance and normalised by the series sum
// of the whole sequence.  Besseli picks one order out of that sequence.
//
// dgamma is W. J. Cody's gamma function: a rational Chebyshev approximation
// on (1, 2) carried to (0, 12) by recurrence, the Stirling series up to the
// overflow threshold, and the reflection formula for non-positive
// arguments.  Poles and overflow give 1.79e308.
#include <algorithm>
#include <cmath>

#include "mainguts.h"
#include "Cody.h"
#include "params.h"

namespace {

using namespace cody;

namespace gam {

using params::pi;

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
        double sum = stirling::series(y);
        sum = sum / y - y + stirling::ln_sqrt_2pi;
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

namespace {

namespace bes {

constexpr double konst = 1.585;  // base of the significance test for moderate x

constexpr int nsig = 16;          // decimal digits wanted
constexpr double ensig = 1.0e16;  // 10**nsig
constexpr double rtnsig = 1.0e-4;  // below this x the ascending series is enough
constexpr double enmten = 8.9e-308;  // smallest magnitude kept
constexpr double enten = 1.0e308;    // largest power of ten
constexpr double exparg = 709.0;     // largest x without scaling
constexpr double xlarge = 1.0e4;     // largest x with scaling

// Enough room for every order the limit computations can ask for: they use
// the closed form only while the argument is at most 800 and exceeds 0.26
// (in single precision) times the order, so the order stays below
// 800 / 0.26 < 3077 and the sequence below 3078 members.
constexpr int max_sequence = 4096;

// The backward recurrence grows by about e^(0.47 x) from its starting index
// down to order 0, which overflows once x exceeds about 1400 although scaled
// values are promised up to 1e4.  Whenever the running value passes 2^830
// the recurrence and the sum are scaled down by 2^-830: a power of two, so
// the normalised values are unchanged bit for bit, and nothing is scaled in
// the range where the plain recurrence stays finite.
constexpr double rescale_above = 0x1p830;
constexpr double rescale_by = 0x1p-830;

}  // namespace bes

}  // namespace

void ribesl(double x, double alpha, int nb, int ize, double b[], int& ncalc) {
    using namespace bes;

    if (!(nb > 0 && x >= zero && alpha >= zero && alpha < one &&
          ((ize == 1 && x <= exparg) || (ize == 2 && x <= xlarge)))) {
        ncalc = std::min(nb, 0) - 1;
        return;
    }

    ncalc = nb;
    int magx = static_cast<int>(x);

    if (x < rtnsig) {
        // Two-term ascending series.
        double tempa = one;
        double empal = one + alpha;
        double halfx = zero;
        if (x > enmten) halfx = half * x;
        if (alpha != zero) tempa = std::pow(halfx, alpha) / dgamma(empal);
        if (ize == 2) tempa = tempa * std::exp(-x);
        double tempb = zero;
        if ((x + one) > one) tempb = halfx * halfx;
        b[0] = tempa + tempa * tempb / empal;
        if (x != zero && b[0] == zero) ncalc = 0;
        if (nb > 1) {
            if (x == zero) {
                for (int n = 2; n <= nb; ++n) b[n - 1] = zero;
            } else {
                const double tempc = halfx;
                double tover = (enmten + enmten) / x;
                if (tempb != zero) tover = enmten / tempb;
                for (int n = 2; n <= nb; ++n) {
                    tempa = tempa / empal;
                    empal = empal + one;
                    tempa = tempa * tempc;
                    if (tempa <= tover * empal) tempa = zero;
                    b[n - 1] = tempa + tempa * tempb / empal;
                    if (b[n - 1] == zero && ncalc > n) ncalc = n - 1;
                }
            }
        }
        return;
    }

    // Forward sweep of Olver's P-sequence, to find where the backward
    // recurrence must start.
    const int nbmx = nb - magx;
    int n = magx + 1;
    double en = static_cast<double>(n + n) + (alpha + alpha);
    double plast = one;
    double p = en / x;
    double pold;
    // One step of the sequence, to the next n.
    auto step = [&]() {
        n = n + 1;
        en = en + two;
        pold = plast;
        plast = p;
        p = en * plast / x + pold;
    };

    // General significance test.
    double test = ensig + ensig;
    if (2 * magx > 5 * nsig) {
        test = std::sqrt(test * p);
    } else {
        test = test / std::pow(konst, magx);
    }

    bool overflow_guard = false;
    if (nbmx >= 3) {
        // Carry the P-sequence to n = nb - 1, rescaling before it overflows.
        double tover = enten / ensig;
        int nstart = magx + 2;
        int nend = nb - 1;
        for (int k = nstart; k <= nend; ++k) {
            step();  // to n = k
            if (p > tover) {
                // Divide the sequence by tover and carry it on until p > 1;
                // then find ncalc, the highest order that passes the
                // backward test.
                tover = enten;
                p = p / tover;
                plast = plast / tover;
                double psave = p;
                double psavel = plast;
                nstart = n + 1;
                do {
                    step();
                } while (p <= one);
                const double tempb = en / x;
                test = pold * plast / ensig;
                test = test * (half - half / (tempb * tempb));
                p = plast * tover;
                n = n - 1;
                en = en - two;
                nend = std::min(nb, n);
                int l = nstart;
                for (; l <= nend; ++l) {
                    ncalc = l;
                    pold = psavel;
                    psavel = psave;
                    psave = en * psavel / x + pold;
                    if (psave * psavel > test) break;
                }
                if (l > nend) ncalc = nend + 1;
                ncalc = ncalc - 1;
                overflow_guard = true;
                break;
            }
        }
        if (!overflow_guard) {
            n = nend;
            en = static_cast<double>(n + n) + (alpha + alpha);
            // Special significance test for nbmx >= 3.
            test = std::max(test, std::sqrt(plast * ensig) * std::sqrt(p + p));
        }
    }
    if (!overflow_guard) {
        // Carry the P-sequence on until the significance test is passed.
        do {
            step();
        } while (p < test);
    }

    // Backward recurrence with the normalising sum.
    n = n + 1;
    en = en + two;
    double tempb = zero;
    double tempa = one / p;
    double em = static_cast<double>(n) - one;
    double empal = em + alpha;
    double emp2al = (em - one) + (alpha + alpha);
    double sum = tempa * empal * emp2al / em;
    int nend = n - nb;

    // The recurrence runs down to order 0 unless it reaches it while
    // storing the two highest orders (the labelled exits of the original).
    bool at_first = false;   // b(1) has been computed; only the sum is left
    bool single = false;     // nb = 1: the sum is complete
    if (nend < 0) {
        // n < nb: store b(n) and set the higher orders to zero.
        b[n - 1] = tempa;
        nend = -nend;
        for (int l = 1; l <= nend; ++l) b[n + l - 1] = zero;
    } else {
        if (nend > 0) {
            // Recur backward, computing but not storing, down to n = nb.
            for (int l = 1; l <= nend; ++l) {
                if (tempa > rescale_above) {
                    tempa = tempa * rescale_by;
                    tempb = tempb * rescale_by;
                    sum = sum * rescale_by;
                }
                n = n - 1;
                en = en - two;
                const double tempc = tempb;
                tempb = tempa;
                tempa = (en * tempb) / x + tempc;
                em = em - one;
                emp2al = emp2al - one;
                if (n == 1) break;  // only when nb = 1
                if (n == 2) emp2al = one;
                empal = empal - one;
                sum = (sum + tempa * empal) * emp2al / em;
            }
        }
        b[n - 1] = tempa;
        if (nb <= 1) {
            sum = (sum + sum) + tempa;
            single = true;
        } else {
            // b(nb - 1).
            n = n - 1;
            en = en - two;
            b[n - 1] = (en * tempa) / x + tempb;
            if (n == 1) {
                at_first = true;
            } else {
                em = em - one;
                emp2al = emp2al - one;
                if (n == 2) emp2al = one;
                empal = empal - one;
                sum = (sum + b[n - 1] * empal) * emp2al / em;
            }
        }
    }
    if (!single) {
        if (!at_first) {
            nend = n - 2;
            if (nend > 0) {
                // Recur backward and store, down to n = 2.
                for (int l = 1; l <= nend; ++l) {
                    if (b[n - 1] > rescale_above) {
                        for (int k = n; k <= nb; ++k) b[k - 1] = b[k - 1] * rescale_by;
                        sum = sum * rescale_by;
                    }
                    n = n - 1;
                    en = en - two;
                    b[n - 1] = (en * b[n]) / x + b[n + 1];
                    em = em - one;
                    emp2al = emp2al - one;
                    if (n == 2) emp2al = one;
                    empal = empal - one;
                    sum = (sum + b[n - 1] * empal) * emp2al / em;
                }
            }
            b[0] = two * empal * b[1] / x + b[2];
        }
        sum = (sum + sum) + b[0];
    }

    // Normalise by the sum; the recurrence yields scaled values.
    if (alpha != zero) sum = sum * dgamma(one + alpha) * std::pow(x * half, -alpha);
    if (ize == 1) sum = sum * std::exp(-x);
    tempa = enmten;
    if (sum > one) tempa = tempa * sum;
    for (int k = 1; k <= nb; ++k) {
        if (b[k - 1] < tempa) b[k - 1] = zero;
        b[k - 1] = b[k - 1] / sum;
    }
}

double Besseli(double x, double nu, int ize) {
    using namespace bes;
    // Orders beyond the work sequence (and a NaN order, which has no integer
    // part) are refused like any other incomplete result.  Negative orders
    // would be refused by ribesl anyway; testing them here keeps the
    // conversion to int defined.
    if (!(nu >= zero) || !(nu < static_cast<double>(max_sequence))) return params::BesseliFailure;
    const int n = static_cast<int>(nu);
    const double alpha = nu - static_cast<double>(n);
    const int nb = n + 1;
    double b[max_sequence];
    int ncalc = 0;
    ribesl(x, alpha, nb, ize, b, ncalc);
    if (ncalc == nb) return b[n];
    return params::BesseliFailure;
}
