// Normal distribution functions against an extended-precision oracle
// (erfc in long double, 64-bit significand) and Boost.Math.
#include <gtest/gtest.h>

#include <boost/math/distributions/normal.hpp>
#include <cfloat>
#include <cmath>
#include <cstdio>

#include "Chinorm95.h"
#include "mainguts.h"
#include "test_support.h"

namespace {

// Phi(x) for the exact double x.
long double phi_oracle(double x) {
    return 0.5L * std::erfc(-static_cast<long double>(x) / std::sqrt(2.0L));
}

TEST(Normal, CumnorAgainstOracle) {
    // Two error sources bound the accuracy: the degree-3 erf approximation on
    // |x| < 0.707 (relative error 2.3e-15, felt most where 1 - erf is formed),
    // and the rounding of x/sqrt(2), which the exponential amplifies to about
    // x^2 units in the last place. Boost.Math's own Phi shows the same growth.
    boost::math::normal_distribution<double> normal;
    double worst = 0.0, worst_x = 0.0, worst_boost = 0.0;
    double worst_tail = 0.0, worst_tail_x = 0.0;
    for (double x = -37.9995; x <= 6.5; x += 0.000937) {  // from -38 down, 0 outright
        const long double want = phi_oracle(x);
        const double got = cumnor(x);
        if (x > -15.0 && x <= 6.0) {
            const double u = ts::ulps(got, static_cast<double>(want));
            ASSERT_LE(u, 24.0 + 2.5 * x * x) << "x = " << x;
            if (u > worst) {
                worst = u;
                worst_x = x;
            }
            if (x > -1.5) {
                ASSERT_LE(u, 24.0) << "x = " << x;
            }
            if (x > 0.0) {
                ASSERT_LE(u, 8.0) << "x = " << x;
            }
            worst_boost = std::max(worst_boost,
                                   ts::ulps(boost::math::cdf(normal, x), static_cast<double>(want)));
        } else if (x <= -15.0 && want >= DBL_MIN) {
            const double r = static_cast<double>(std::fabs((got - want) / want));
            ASSERT_LT(r, 5e-13) << "x = " << x;
            if (r > worst_tail) worst_tail = r, worst_tail_x = x;
        } else if (x <= -15.0) {
            // Subnormal results: the same relative bound, or one unit of their spacing.
            ASSERT_LE(std::fabs(got - static_cast<double>(want)),
                      5e-13 * static_cast<double>(want) + 4.9406564584124654e-324)
                << x;
        }
    }
    std::printf("cumnor: worst %.0f ulps at x = %.5f (Boost.Math %.0f); far tail rel %.3g at x = %.4f\n",
                worst, worst_x, worst_boost, worst_tail, worst_tail_x);
}

TEST(Normal, CumnorEdgeValues) {
    EXPECT_EQ(cumnor(0.0), 0.5);
    EXPECT_EQ(cumnor(1.0e-31), 0.5);
    EXPECT_EQ(cumnor(-1.0e-31), 0.5);
    EXPECT_EQ(cumnor(-38.0), 0.0);
    EXPECT_EQ(cumnor(-1000.0), 0.0);
    EXPECT_EQ(cumnor(6.0000001), 1.0);
    EXPECT_LT(cumnor(6.0), 1.0);  // x = 6 is still computed
    EXPECT_EQ(cumnor(-20.0), std::exp(dlanor(-20.0)));
    EXPECT_NEAR(cumnor(-20.0) / 2.7536241186062e-89, 1.0, 1e-12);
    EXPECT_EQ(cumnor(-15.0), std::exp(dlanor(-15.0)));
    // -14.9 comes from the erfc approximation for large arguments, and both
    // branches agree where they meet.
    EXPECT_NEAR(cumnor(-14.9) / std::exp(dlanor(-14.9)), 1.0, 5e-13);
    EXPECT_EQ(cumnor(1.5), dumnor(1.5));
    for (double x = 0.01; x <= 6.0; x *= 1.07)
        EXPECT_NEAR(cumnor(x) + cumnor(-x), 1.0, 2.3e-16) << "x = " << x;
    // The branch points of the erf approximations.
    for (double a : {0.5, 4.0}) {
        const double x = a * std::sqrt(2.0);
        for (double y : {std::nextafter(x, 0.0), x, -x, -std::nextafter(x, 0.0)})
            EXPECT_LE(ts::ulps(cumnor(y), static_cast<double>(phi_oracle(y))), 24 + 2.5 * y * y);
    }
}

TEST(Normal, AlnormAgainstOracle) {
    double worst = 0.0, worst_x = 0.0, worst_rel = 0.0;
    for (double x = -20.0; x <= 20.0; x += 0.000731) {
        const long double lower = phi_oracle(x);
        const long double upper = phi_oracle(-x);
        const double e_lower = static_cast<double>(std::fabs(alnorm(x, 0) - lower));
        const double e_upper = static_cast<double>(std::fabs(alnorm(x, 1) - upper));
        ASSERT_LT(e_lower, 1.3e-8) << x;
        ASSERT_LT(e_upper, 1.3e-8) << x;
        if (e_lower > worst) worst = e_lower, worst_x = x;
        if (x > 1.28 && x <= 18.66) {
            const double r = static_cast<double>(std::fabs((alnorm(x, 1) - upper) / upper));
            ASSERT_LT(r, 1e-10) << x;
            worst_rel = std::max(worst_rel, r);
        }
    }
    std::printf("alnorm: worst absolute %.4g at x = %.5f; upper tail beyond 1.28 relative %.3g\n",
                worst, worst_x, worst_rel);
}

TEST(Normal, AlnormEdgeValues) {
    EXPECT_NEAR(alnorm(1.96, 0), 0.97500210485, 1e-11);
    EXPECT_NEAR(alnorm(-1.96, 1), 0.97500210485, 1e-11);
    EXPECT_EQ(alnorm(-8.0, 1), 1.0);  // the tail beyond 7 is 0, its complement is returned
    EXPECT_EQ(alnorm(8.0, 0), 1.0);
    EXPECT_NEAR(alnorm(-8.0, 0) / 6.2209605742717841e-16, 1.0, 1e-9);  // an upper tail: computed
    EXPECT_EQ(alnorm(19.0, 1), 0.0);
    EXPECT_EQ(alnorm(-19.0, 0), 0.0);
    EXPECT_GT(alnorm(12.0, 1), 0.0);  // up to 18.66 the upper tail is computed
    EXPECT_NEAR(alnorm(12.0, 1) / 1.7764821120776e-33, 1.0, 1e-9);
    EXPECT_EQ(alnorm(0.0, 0), 0.5);
    EXPECT_EQ(alnorm(0.0, 1), 0.5);
    EXPECT_EQ(alnorm(1.0, 7), alnorm(1.0, 1));  // any nonzero flag means upper
}

TEST(Normal, DlanorFarTail) {
    // The twelve-term series is exact to rounding where it is used (|x| >= 15);
    // at its documented lower end, 5, the series itself is off by 2e-7.
    for (double x = 5.0; x <= 100.0; x *= 1.01) {
        const long double want =
            std::log(0.5L * std::erfc(static_cast<long double>(x) / std::sqrt(2.0L)));
        const double r = static_cast<double>(std::fabs((dlanor(x) - want) / want));
        EXPECT_LE(r, x >= 15.0 ? 5e-16 : 2e-7) << x;
        EXPECT_EQ(dlanor(-x), dlanor(x));
    }
    int status = -1;
    EXPECT_TRUE(std::isfinite(dlanor(6.0, status)));
    EXPECT_EQ(status, 0);
    const double v = dlanor(3.0, status);  // below its range: said so, and the value all the same
    EXPECT_TRUE(std::isfinite(v));
    EXPECT_EQ(status, 1);
}

TEST(Normal, Dln1pxAndDevlpl) {
    for (double a : {-0.9, -0.375, -0.3, -1e-3, -1e-10, 0.0, 1e-300, 1e-8, 0.2, 0.375, 0.376, 5.0}) {
        const double want = std::log1p(a);
        if (want == 0.0)
            EXPECT_EQ(dln1px(a), a);
        else
            EXPECT_LE(std::fabs(dln1px(a) - want) / std::fabs(want), 1e-15) << a;
    }
    double worst = 0.0;
    for (double a = -0.375; a <= 0.375; a += 1.0e-4)
        if (a != 0.0) worst = std::max(worst, std::fabs(dln1px(a) / std::log1p(a) - 1.0));
    EXPECT_LT(worst, 1e-15);

    const double c[4] = {1.0, -2.0, 0.5, 3.0};
    EXPECT_EQ(devlpl(c, 4, 2.0), 1.0 - 4.0 + 2.0 + 24.0);
    EXPECT_EQ(devlpl(c, 1, 123.0), 1.0);
    EXPECT_EQ(devlpl(c, 2, 0.5), 0.0);
}

}  // namespace
