// Gamma and log-gamma: the values the callers rely on at the edges of the
// domain, and sweeps against the C library's extended-precision functions.
#include <gtest/gtest.h>

#include <cfloat>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "mainguts.h"
#include "test_support.h"

namespace {

constexpr double kOverflow = 1.79e308;
constexpr double kSqrtPi = 1.7724538509055160273;

// Worst relative error of f against the oracle over a grid, remembering where.
struct Worst {
    double err = 0.0;
    double at = 0.0;
    void see(double e, double x) {
        if (e > err) {
            err = e;
            at = x;
        }
    }
};

// Cody's Stirling branch (x >= 12) ends in exp(sum), which turns the rounding
// of a sum of size ln Gamma(x) into a relative error of that size.
double gamma_bound(double lngamma) { return std::max(1e-15, 4.0 * DBL_EPSILON * std::fabs(lngamma)); }

using ts::sci;

double logspace(double lo, double hi, int i, int n) {
    return lo * std::pow(hi / lo, static_cast<double>(i) / n);
}

TEST(Gamma, PolesAndOverflowGiveTheLargeValue) {
    EXPECT_EQ(dgamma(-2.0), kOverflow);
    EXPECT_EQ(dgamma(0.0), kOverflow);
    EXPECT_EQ(dgamma(-0.0), kOverflow);
    EXPECT_EQ(dgamma(-1.0e20), kOverflow);
    EXPECT_EQ(dgamma(171.7), kOverflow);
    EXPECT_EQ(dgamma(1.0e-309), kOverflow);  // 1/x would overflow
    EXPECT_EQ(dgamma(std::numeric_limits<double>::quiet_NaN()), kOverflow);
    EXPECT_EQ(dgamma(std::numeric_limits<double>::infinity()), kOverflow);
    EXPECT_TRUE(std::isfinite(dgamma(171.6)));
}

TEST(Gamma, KnownValues) {
    EXPECT_LE(ts::rel_err(dgamma(0.5), kSqrtPi), 2e-16);
    EXPECT_LE(ts::rel_err(dgamma(-0.5), -2.0 * kSqrtPi), 4e-16);
    EXPECT_LE(ts::rel_err(dgamma(-1.5), 4.0 * kSqrtPi / 3.0), 4e-16);
    EXPECT_EQ(dgamma(1.0), 1.0);
    EXPECT_EQ(dgamma(2.0), 1.0);
    double fact = 1.0;
    for (int n = 1; n <= 20; ++n) {
        SCOPED_TRACE(n);
        EXPECT_LE(ts::rel_err(dgamma(n), fact), gamma_bound(std::log(fact)));
        fact *= n;
    }
    // Below the machine epsilon Gamma(x) is 1/x.
    EXPECT_EQ(dgamma(1.0e-300), 1.0 / 1.0e-300);
}

// Gamma(x) against tgammal.  Below 12 the rational form is good to a few
// units in the last place; above, the final exponential magnifies the
// rounding of the Stirling sum, so the bound grows with ln Gamma(x).
TEST(Gamma, AgreesWithExtendedPrecision) {
    const int n = 20000;
    Worst small, stirling, reflected;
    for (int i = 0; i <= n; ++i) {
        const double x = logspace(1.0e-300, 171.6, i, n);
        const long double want = tgammal(static_cast<long double>(x));
        const double e = static_cast<double>(fabsl((dgamma(x) - want) / want));
        (x < 12.0 ? small : stirling).see(e, x);
        if (x >= 12.0) {
            ASSERT_LE(e, gamma_bound(std::lgamma(x))) << "x=" << x;
        }
    }
    // Negative arguments away from the poles, where sin(pi*frac) keeps its accuracy.
    for (int i = 0; i <= n; ++i) {
        const double x = -170.0 + 170.0 * i / n;
        const double frac = x - std::floor(x);
        if (frac < 0.05 || frac > 0.95) continue;
        const long double want = tgammal(static_cast<long double>(x));
        const double e = static_cast<double>(fabsl((dgamma(x) - want) / want));
        reflected.see(e, x);
        ASSERT_LE(e, std::max(1e-14, gamma_bound(std::lgamma(1.0 - x)))) << "x=" << x;
    }
    EXPECT_LE(small.err, 1e-15) << "at " << small.at;
    RecordProperty("dgamma_worst_below_12", sci(small.err));
    RecordProperty("dgamma_worst_stirling", sci(stirling.err));
    RecordProperty("dgamma_worst_reflected", sci(reflected.err));
}

// The order the Bessel normalisation uses: Gamma(1 + alpha), 0 <= alpha < 1.
TEST(Gamma, BesselNormalisationRange) {
    for (int i = 0; i < 1000; ++i) {
        const double x = 1.0 + i / 1000.0;
        const long double want = tgammal(static_cast<long double>(x));
        ASSERT_LE(fabsl((dgamma(x) - want) / want), 4e-16) << "x=" << x;
    }
}

TEST(LogGamma, OutsideTheDomainGivesTheLargeValue) {
    EXPECT_EQ(dlgama(0.0), kOverflow);
    EXPECT_EQ(dlgama(-1.0), kOverflow);
    EXPECT_EQ(dlgama(-0.5), kOverflow);
    EXPECT_EQ(dlgama(2.56e305), kOverflow);
    EXPECT_EQ(dlgama(std::numeric_limits<double>::quiet_NaN()), kOverflow);
    EXPECT_EQ(dlgama(std::numeric_limits<double>::infinity()), kOverflow);
    EXPECT_TRUE(std::isfinite(dlgama(2.55e305)));
}

TEST(LogGamma, KnownValues) {
    EXPECT_EQ(dlgama(1.0), 0.0);
    EXPECT_EQ(dlgama(2.0), 0.0);
    EXPECT_LE(ts::rel_err(dlgama(0.5), std::log(kSqrtPi)), 4e-16);
    EXPECT_EQ(dlgama(1.0e-20), -std::log(1.0e-20));
    // Each interval of the approximation meets the next without a jump.
    for (double edge : {0.5, 0.6796875, 1.5, 4.0, 12.0}) {
        const double below = std::nextafter(edge, 0.0);
        const double above = std::nextafter(edge, 100.0);
        EXPECT_LE(std::fabs(dlgama(above) - dlgama(below)), 4e-15 * std::max(1.0, std::fabs(dlgama(edge))))
            << "at " << edge;
    }
}

TEST(LogGamma, AgreesWithExtendedPrecision) {
    const int n = 40000;
    Worst rel;
    for (int i = 0; i <= n; ++i) {
        const double x = logspace(1.0e-300, 2.5e305, i, n);
        const long double want = lgammal(static_cast<long double>(x));
        if (want == 0.0L) continue;
        const double e = static_cast<double>(fabsl((dlgama(x) - want) / want));
        rel.see(e, x);
    }
    // Near the zeros at 1 and 2 the approximations are built on x - 1 and
    // x - 2, so the relative accuracy holds there too.
    for (int i = -2000; i <= 2000; ++i) {
        for (double centre : {1.0, 2.0}) {
            const double x = centre + i * 1.0e-6;
            const long double want = lgammal(static_cast<long double>(x));
            if (want == 0.0L) continue;
            rel.see(static_cast<double>(fabsl((dlgama(x) - want) / want)), x);
        }
    }
    EXPECT_LE(rel.err, 1e-14) << "at " << rel.at;
    RecordProperty("dlgama_worst", sci(rel.err));
}

}  // namespace
