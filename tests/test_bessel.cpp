// Modified Bessel functions of the first kind: argument checks and ncalc
// conventions of the sequence routine, the sentinel of Besseli, agreement
// with Boost.Math in extended precision, and the integral identity by which
// the G functions replace a quadrature of F with a Bessel value.
#include <gtest/gtest.h>

#include <boost/math/quadrature/tanh_sinh.hpp>
#include <boost/math/special_functions/bessel.hpp>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "mainguts.h"
#include "params.h"
#include "test_support.h"

namespace {

constexpr double kFail = params::BesseliFailure;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// e^-x I_nu(x) in long double, whose range holds I_nu(x) for every x up to
// 1e4 without overflow.
long double scaled_i(double nu, double x) {
    return expl(-static_cast<long double>(x)) *
           boost::math::cyl_bessel_i(static_cast<long double>(nu), static_cast<long double>(x));
}

using ts::sci;

// Worst relative error over a grid and where it occurred.  Reference values
// below the double range only need a zero or a tiny result.
struct Sweep {
    double worst = 0.0, at_x = 0.0, at_nu = 0.0;
    int complete = 0, refused = 0;
    void check(double x, double nu, double bound) {
        const double got = Besseli(x, nu, 2);
        const long double want = scaled_i(nu, x);
        if (got == kFail) {
            ++refused;
            // Only values beyond the double range may be refused.
            EXPECT_LT(want, 1e-290L) << "x=" << x << " nu=" << nu;
            return;
        }
        ++complete;
        if (want < 1e-290L) {
            EXPECT_LE(std::fabs(got), 1e-290) << "x=" << x << " nu=" << nu;
            return;
        }
        const double e = static_cast<double>(fabsl((got - want) / want));
        if (e > worst) {
            worst = e;
            at_x = x;
            at_nu = nu;
        }
        EXPECT_LE(e, bound) << "x=" << x << " nu=" << nu;
    }
    std::string where() const { return sci(worst) + " at x=" + sci(at_x) + " nu=" + sci(at_nu); }
};

std::vector<double> arguments() {
    std::vector<double> xs = {0.0, 1e-8, 5e-5, 9.9e-5, 1e-4, 40.0, 41.0, 709.0, 800.0};
    for (int i = 0; i <= 60; ++i) xs.push_back(1e-3 * std::pow(8.0e5, i / 60.0));  // 1e-3 .. 800
    return xs;
}

TEST(Ribesl, RefusedArgumentsLeaveTheSequenceAlone) {
    struct Case {
        double x, alpha;
        int nb, ize, ncalc;
    };
    const Case cases[] = {
        {1.0, 0.0, 0, 2, -1},       {1.0, 0.0, -3, 2, -4},      {-1.0, 0.0, 3, 2, -1},
        {1.0, -0.1, 3, 2, -1},      {1.0, 1.0, 3, 2, -1},       {1.0, 0.0, 3, 0, -1},
        {1.0, 0.0, 3, 3, -1},       {709.5, 0.0, 3, 1, -1},     {1.0e4 * (1 + 1e-15), 0.0, 3, 2, -1},
        {kNaN, 0.0, 3, 2, -1},      {1.0, kNaN, 3, 2, -1},
    };
    for (const Case& c : cases) {
        double b[3] = {7.0, 7.0, 7.0};
        int ncalc = 99;
        ribesl(c.x, c.alpha, c.nb, c.ize, b, ncalc);
        EXPECT_EQ(ncalc, c.ncalc) << "x=" << c.x << " alpha=" << c.alpha << " nb=" << c.nb
                                  << " ize=" << c.ize;
        EXPECT_EQ(b[0], 7.0);
        EXPECT_EQ(b[2], 7.0);
    }
    // The limits themselves are allowed.
    double b[3];
    int ncalc = 0;
    ribesl(709.0, 0.0, 3, 1, b, ncalc);
    EXPECT_EQ(ncalc, 3);
    ribesl(1.0e4, 0.0, 3, 2, b, ncalc);
    EXPECT_EQ(ncalc, 3);
}

TEST(Ribesl, ZeroArgument) {
    double b[4];
    int ncalc = 0;
    ribesl(0.0, 0.0, 4, 2, b, ncalc);
    EXPECT_EQ(ncalc, 4);
    EXPECT_EQ(b[0], 1.0);
    EXPECT_EQ(b[1], 0.0);
    EXPECT_EQ(b[3], 0.0);
    ribesl(0.0, 0.5, 4, 1, b, ncalc);
    EXPECT_EQ(ncalc, 4);
    EXPECT_EQ(b[0], 0.0);
}

// Below 1e-4 the ascending series runs until the values underflow; ncalc
// then names the last order that did not.
TEST(Ribesl, AscendingSeriesStopsAtUnderflow) {
    const double x = 1e-5;
    double b[80];
    int ncalc = 0;
    ribesl(x, 0.25, 80, 2, b, ncalc);
    ASSERT_GT(ncalc, 10);
    ASSERT_LT(ncalc, 80);
    EXPECT_GT(b[ncalc - 1], 0.0);
    EXPECT_EQ(b[ncalc], 0.0);
    for (int k = 0; k < ncalc; ++k) {
        const long double want = scaled_i(0.25 + k, x);
        EXPECT_LE(fabsl((b[k] - want) / want), 1e-14L) << "order " << 0.25 + k;
    }
}

// Far more orders than the argument supports: the forward sweep rescales
// to avoid overflow and reports how many leading orders are still good.
TEST(Ribesl, PartialSequenceKeepsItsLeadingOrders) {
    for (double x : {0.5, 3.0, 30.0}) {
        std::vector<double> b(1500);
        int ncalc = 0;
        ribesl(x, 0.5, 1500, 2, b.data(), ncalc);
        SCOPED_TRACE(x);
        ASSERT_GE(ncalc, 0);
        ASSERT_LT(ncalc, 1500);
        for (int k = 0; k < ncalc; k += 7) {
            const long double want = scaled_i(0.5 + k, x);
            if (want < 1e-290L) continue;
            EXPECT_LE(fabsl((b[k] - want) / want), 1e-14L) << "order " << 0.5 + k;
        }
        EXPECT_EQ(Besseli(x, ncalc - 0.5, 2), b[ncalc - 1]);  // the last good order
        EXPECT_EQ(Besseli(x, 1499.5, 2), kFail);
    }
}

TEST(Ribesl, ScaledAndUnscaledAgree) {
    for (double x : {5e-5, 0.3, 7.0, 65.0, 300.0, 700.0}) {
        double s[40], u[40];
        int ns = 0, nu = 0;
        ribesl(x, 0.3, 40, 2, s, ns);
        ribesl(x, 0.3, 40, 1, u, nu);
        ASSERT_EQ(ns, nu);
        for (int k = 0; k < ns; ++k) {
            if (s[k] < 1e-250) continue;
            EXPECT_LE(ts::rel_err(u[k], std::exp(x) * s[k]), 2e-13) << "x=" << x << " k=" << k;
        }
    }
}

TEST(Besseli, KnownValuesAndSentinels) {
    EXPECT_NEAR(Besseli(1.0, 0.0, 2), 0.46575961, 5e-9);
    EXPECT_LE(ts::rel_err(Besseli(1.0, 0.5, 2),
                          std::exp(-1.0) * std::sqrt(2.0 / params::pi) * std::sinh(1.0)),
              1e-15);
    EXPECT_EQ(Besseli(0.0, 0.0, 2), 1.0);
    EXPECT_EQ(Besseli(0.0, 2.5, 2), 0.0);
    EXPECT_EQ(Besseli(-1.0, 1.0, 2), kFail);
    EXPECT_EQ(Besseli(1.0, -0.5, 2), kFail);
    EXPECT_EQ(Besseli(1.0, -3.0, 2), kFail);
    EXPECT_EQ(Besseli(1.0, -1.0e300, 2), kFail);
    EXPECT_EQ(Besseli(2.0e4, 3.0, 2), kFail);
    EXPECT_EQ(Besseli(800.0, 3.0, 1), kFail);
    EXPECT_EQ(Besseli(1.0, 0.0, 3), kFail);
    EXPECT_EQ(Besseli(kNaN, 1.0, 2), kFail);
    EXPECT_EQ(Besseli(1.0, kNaN, 2), kFail);
    EXPECT_EQ(Besseli(1.0, std::numeric_limits<double>::infinity(), 2), kFail);
    // Unscaled values up to the unscaled limit.
    EXPECT_LE(ts::rel_err(Besseli(700.0, 10.5, 1),
                          static_cast<double>(boost::math::cyl_bessel_i(10.5L, 700.0L))),
              1e-14);
}

// The one-sided G function for nu = 5, kappa = -0.3 uses e^-w I_2(w) with
// w = -(nu + 1) kappa = 1.8.
TEST(Besseli, ClosedFormOfTheGFunction) {
    EXPECT_NEAR(Besseli(1.8, 2.0, 2), 0.0869539, 5e-8);
}

// The largest orders the limit computations reach: they use the closed form
// only for arguments up to 800 above 0.26 times the order, so orders stay
// below 3077.  Those orders are computed (the values underflow there, so
// the result is 0 or the sentinel, never an out-of-range write), and orders
// beyond the work sequence are refused.
TEST(Besseli, LargestOrders) {
    for (double nu : {1999.5, 2000.0, 2500.5, 3076.5}) {
        const double got = Besseli(800.0, nu, 2);
        EXPECT_TRUE(got == 0.0 || got == kFail) << nu;
    }
    EXPECT_LE(ts::rel_err(Besseli(9000.0, 2500.5, 2), static_cast<double>(scaled_i(2500.5, 9000.0))),
              1e-13);
    EXPECT_EQ(Besseli(9000.0, 5000.0, 2), kFail);
    EXPECT_EQ(Besseli(9000.0, 1.0e12, 2), kFail);
}

// The orders the program uses are whole or half-integer ((nu -+ 1)/2 with
// a whole nu); for them the running order terms of the normalising sum are
// exact and the values are good to a few units in the last place.
TEST(Besseli, AgreesWithBoostAtHalfIntegerOrders) {
    Sweep sweep;
    for (double x : arguments()) {
        for (int twice = 0; twice <= 2000; twice += (twice < 60 ? 1 : 37)) sweep.check(x, twice * 0.5, 2e-14);
        sweep.check(x, 1000.0, 2e-14);
    }
    // Arguments beyond 800 up to the scaled limit.
    for (double x : {1500.0, 5000.0, 1.0e4})
        for (double nu : {0.0, 0.5, 7.0, 300.5, 1000.0}) sweep.check(x, nu, 2e-14);
    EXPECT_GT(sweep.complete, 4000);
    RecordProperty("half_integer_worst", sweep.where());
    RecordProperty("half_integer_refused", sweep.refused);
}

// General fractional orders: the order terms (m + alpha) and (m - 1 + 2 alpha)
// of the normalising sum are formed once at the starting index of the
// recurrence and stepped down by 1, so they carry the rounding of that
// index: about 1e-13 at x = 800, where the recurrence starts above order
// 800, and growing with x.
TEST(Besseli, AgreesWithBoostAtFractionalOrders) {
    Sweep sweep, beyond;
    for (double x : arguments()) {
        for (double nu = 0.0001; nu <= 1000.0; nu += (nu < 30 ? 0.731 : 23.917)) sweep.check(x, nu, 3e-13);
    }
    for (double x : {1500.0, 1.0e4})
        for (double nu : {0.3, 17.2, 500.7}) beyond.check(x, nu, 3e-13 * x / 800.0);
    EXPECT_GT(sweep.complete, 3000);
    RecordProperty("fractional_worst", sweep.where());
    RecordProperty("fractional_worst_beyond_800", beyond.where());
}

// The identity the G functions rely on: with k = 1/sqrt(pi), L = ln Gamma(nu/2),
// no shift and divisor 1, the integral of F over [-1, 1] is e^-w I_((nu-1)/2)(w),
// w = -(nu + 1) kappa.  Written out, F(x) = k exp(E) with
// E = (1 + x)(nu + 1) kappa - ((nu - 1)/2) ln(2/w) - L + (nu/2 - 1) ln(1 - x^2).
TEST(Besseli, IntegralOfFIsTheScaledBesselFunction) {
    struct Case {
        double nu, kappa;
    };
    boost::math::quadrature::tanh_sinh<long double> integrator;
    for (const Case c : {Case{5, -0.3}, Case{3, -2.0}, Case{10, -0.05}, Case{51, -1.7},
                         Case{200, -0.5}, Case{1000, -0.2}}) {
        const long double nu = c.nu;
        const long double w = -(nu + 1) * c.kappa;
        const long double lg = boost::math::lgamma(nu / 2);
        auto f = [&](long double x) -> long double {
            if (fabsl(x) >= 1) return 0;
            const long double e = (1 + x) * (nu + 1) * c.kappa - ((nu - 1) / 2) * logl(2 / w) - lg +
                                  (nu / 2 - 1) * logl(1 - x * x);
            return expl(e) / sqrtl(boost::math::constants::pi<long double>());
        };
        const long double integral = integrator.integrate(f, -1.0L, 1.0L);
        const double got = Besseli(static_cast<double>(w), (c.nu - 1) * 0.5, 2);
        EXPECT_LE(ts::rel_err(got, static_cast<double>(integral)), 1e-13) << "nu=" << c.nu;
    }
}

}  // namespace
