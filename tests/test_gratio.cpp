// The incomplete gamma ratio and its auxiliary functions, against Boost.Math
// and extended-precision references.
#include <gtest/gtest.h>

#include <boost/math/special_functions/gamma.hpp>
#include <boost/math/special_functions/log1p.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "Chinorm95.h"
#include "test_support.h"

namespace {

struct Worst {
    double err = 0.0;
    double a = 0.0, x = 0.0;
    void note(double e, double aa, double xx) {
        if (e > err) {
            err = e;
            a = aa;
            x = xx;
        }
    }
};

// Parameters a that reach every branch of gratio: a < 1 (with a = 0.5 apart),
// the finite sums for integer and half-integer a, the series and fractions
// below `big`, and Temme's expansions above; up to the 500.5 of df = 1001.
std::vector<double> a_grid() {
    return {1e-6, 0.01, 0.1,  0.3,  0.5,  0.75, 0.999, 1.0,  1.5,  2.0,   2.5,   3.7,
            5.0,  7.5,  9.99, 10.0, 12.5, 13.9, 14.0,  17.3, 19.5, 20.0,  25.0,  33.3,
            50.0, 75.5, 100,  150,  250,  333.3, 400.5, 500.5};
}

// Points x relative to a, dense near x = a where Temme's expansions take over,
// plus absolute points around the switches 0.25, 1.1, ln 10, 9.7, 17 and 31.
std::vector<double> x_grid(double a) {
    std::vector<double> xs;
    for (double r : {1e-3, 0.05, 0.2, 0.5, 0.6, 0.7, 0.8, 0.9, 0.95, 0.99, 0.999, 0.9999, 1.0,
                     1.0001, 1.001, 1.01, 1.05, 1.1, 1.2, 1.4, 1.41, 1.6, 2.0, 3.0, 5.0})
        xs.push_back(r * a);
    for (double x : {1e-8, 0.01, 0.2, 0.25, 0.3, 1.0, 1.09, 1.1, 2.3, 2.31, 5.0, 9.6, 9.8, 16.9,
                     17.1, 30.9, 31.1, 50.0, 100.0, 400.0, 700.0})
        xs.push_back(x);
    return xs;
}

// Relative error of the smaller of P and Q, the one that carries information;
// cases where the smaller one underflows below 1e-290 are not compared.
bool small_tail_error(double a, double x, int ind, double& err) {
    double ans = -1.0, qans = -1.0;
    gratio(a, x, ans, qans, ind);
    const double p = boost::math::gamma_p(a, x);
    const double q = boost::math::gamma_q(a, x);
    if (std::min(p, q) < 1e-290) return false;
    err = (p < q) ? ts::rel_err(ans, p) : ts::rel_err(qans, q);
    return true;
}

}  // namespace

TEST(Gratio, ImpossibleAndDegenerateArguments) {
    struct Case {
        double a, x;
        int ind;
        double ans, qans;  // qans -1: not set
    };
    const Case cases[] = {
        // Impossible arguments: ans = 2, qans untouched.
        {0.0, 0.0, 0, 2.0, -1.0},
        {-1.0, 2.0, 0, 2.0, -1.0},
        {1.0, -2.0, 1, 2.0, -1.0},
        {NAN, 2.0, 1, 2.0, -1.0},
        {2.0, NAN, 1, 2.0, -1.0},
        {0.0, 3.0, 0, 1.0, 0.0},
        {2.0, 0.0, 0, 0.0, 1.0},
        // Far beyond the mode: the factor x**a e**-x underflows and P is 1, Q is 0
        // (a < 1 through the continued fraction, a >= big through the exponent test).
        {0.75, 1000.0, 1, 1.0, 0.0},
        {0.75, 5.0e29, 0, 1.0, 0.0},
        {50.0, 1.0e5, 0, 1.0, 0.0},
        {50.0, 1.0e-10, 0, 0.0, 1.0},
        // Temme's expansion cannot reach the accuracy at a huge a with x = a.
        {1.0e30, 1.0e30, 0, 2.0, -1.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.a) + " " + std::to_string(c.x));
        double ans = -1.0, qans = -1.0;
        gratio(c.a, c.x, ans, qans, c.ind);
        EXPECT_EQ(ans, c.ans);
        EXPECT_EQ(qans, c.qans);
    }
}

TEST(Gratio, HalfIntegerAndIntegerClosedForms) {
    // a = 1: Q = exp(-x); a = 0.5: Q = erfc(sqrt x); a = 1.5 through the finite sums.
    double ans, qans;
    for (double x : {0.1, 0.24, 0.25, 1.0, 5.0, 20.0, 30.0}) {
        gratio(1.0, x, ans, qans, 0);
        EXPECT_LE(ts::rel_err(qans, std::exp(-x)), 2e-15) << x;
        gratio(0.5, x, ans, qans, 0);
        EXPECT_LE(ts::rel_err(qans, std::erfc(std::sqrt(x))), 5e-15) << x;
        EXPECT_LE(ts::rel_err(ans, std::erf(std::sqrt(x))), 5e-15) << x;
        gratio(1.5, x, ans, qans, 0);
        const double q15 = std::erfc(std::sqrt(x)) + 2.0 * std::sqrt(x / M_PI) * std::exp(-x);
        EXPECT_LE(ts::rel_err(qans, q15), 5e-15) << x;
    }
}

TEST(Gratio, FullAccuracyClassAgainstBoost) {
    Worst w;
    int n = 0;
    for (double a : a_grid())
        for (double x : x_grid(a)) {
            double err;
            if (!small_tail_error(a, x, 0, err)) continue;
            ++n;
            w.note(err, a, x);
        }
    std::printf("gratio ind=0: %d points, worst rel. error of min(P,Q) %.3g at a=%g x=%.17g\n", n,
                w.err, w.a, w.x);
    // The worst case is Temme's expansion at the edge of its range (a = 20,
    // x/a = 0.6), where its truncation error is largest.
    EXPECT_LE(w.err, 2e-13);
}

TEST(Gratio, SixDigitClassAgainstBoost) {
    // The class that cumgam uses, and with it every chi-square probability.
    Worst w;
    Worst wp;  // error of P alone, as cumchi returns it
    for (double a : a_grid())
        for (double x : x_grid(a)) {
            double err;
            if (!small_tail_error(a, x, 1, err)) continue;
            w.note(err, a, x);
            double ans, qans;
            gratio(a, x, ans, qans, 1);
            wp.note(ts::rel_err(ans, boost::math::gamma_p(a, x)), a, x);
        }
    std::printf("gratio ind=1: worst rel. error of min(P,Q) %.3g at a=%g x=%.17g; of P %.3g at a=%g x=%.17g\n",
                w.err, w.a, w.x, wp.err, wp.a, wp.x);
    EXPECT_LE(w.err, 5e-7);
    EXPECT_LE(wp.err, 5e-7);
}

TEST(Gratio, ThreeDigitClassAgainstBoost) {
    Worst w;
    for (double a : a_grid())
        for (double x : x_grid(a)) {
            double err;
            if (small_tail_error(a, x, 2, err)) w.note(err, a, x);
        }
    std::printf("gratio ind=2: worst rel. error of min(P,Q) %.3g at a=%g x=%.17g\n", w.err, w.a, w.x);
    EXPECT_LE(w.err, 5e-4);
}

TEST(Auxiliary, GammaFunction) {
    double worst = 0.0, at = 0.0;
    for (double a = -14.95; a < 171.0; a += 0.37) {
        const double want = std::tgamma(a);
        const double e = ts::rel_err(GAMMA(a), want);
        if (e > worst) worst = e, at = a;
    }
    for (double a : {1e-300, 1e-20, 0.5, 1.0, 2.0, 14.999, 15.0, -15.5, -20.25, -100.5, 170.5}) {
        const double e = ts::rel_err(GAMMA(a), std::tgamma(a));
        if (e > worst) worst = e, at = a;
    }
    std::printf("GAMMA: worst rel. error %.3g at a=%g\n", worst, at);
    // Above 15, exp of ln Gamma near 600 costs ~600 ulps of the exponent.
    EXPECT_LE(worst, 2e-13);
    EXPECT_LE(ts::rel_err(GAMMA(0.5), std::sqrt(M_PI)), 1e-14);
    EXPECT_EQ(GAMMA(1.0), 1.0);
    // Where Gamma cannot be formed, 0: poles, |a| >= 1000, overflow, 1/tiny.
    EXPECT_EQ(GAMMA(0.0), 0.0);
    EXPECT_EQ(GAMMA(-3.0), 0.0);
    EXPECT_EQ(GAMMA(-30.0), 0.0);
    EXPECT_EQ(GAMMA(1000.0), 0.0);
    EXPECT_EQ(GAMMA(-1000.5), 0.0);
    EXPECT_EQ(GAMMA(172.0), 0.0);
    EXPECT_EQ(GAMMA(1e-310), 0.0);
    EXPECT_GT(GAMMA(1e-307), 0.0);
}

TEST(Auxiliary, Gam1RlogRexp) {
    double worst = 0.0, at = 0.0;
    for (double a = -0.5; a <= 1.5; a += 0.01) {
        const double g1pm1 = boost::math::tgamma1pm1(a);  // Gamma(1 + a) - 1
        const double want = -g1pm1 / (1.0 + g1pm1);
        if (want == 0.0) continue;
        const double e = ts::rel_err(GAM1(a), want);
        if (e > worst) worst = e, at = a;
    }
    std::printf("GAM1: worst rel. error %.3g at a=%g\n", worst, at);
    EXPECT_LE(worst, 1e-13);
    EXPECT_EQ(GAM1(0.0), 0.0);
    EXPECT_EQ(GAM1(1.0), 0.0);

    worst = 0.0;
    for (double x = 0.05; x <= 3.0; x += 0.0123) {
        // x - 1 is exact here, so -log1pmx(x - 1) is x - 1 - ln x to full precision.
        const double want = -boost::math::log1pmx(x - 1.0);
        if (want == 0.0) continue;
        const double e = ts::rel_err(RLOG(x), want);
        if (e > worst) worst = e, at = x;
    }
    for (double x : {1e-300, 1e-10, 1e5, 1e300}) {
        const double want = static_cast<double>(static_cast<long double>(x) - 1.0L - std::log(static_cast<long double>(x)));
        const double e = ts::rel_err(RLOG(x), want);
        if (e > worst) worst = e, at = x;
    }
    std::printf("RLOG: worst rel. error %.3g at x=%g\n", worst, at);
    EXPECT_LE(worst, 1e-14);

    worst = 0.0;
    for (double x = -40.0; x <= 40.0; x += 0.0137) {
        const double e = ts::rel_err(REXP(x), std::expm1(x));
        if (e > worst) worst = e, at = x;
    }
    for (double x : {-0.15, 0.15, 1e-300, -1e-12, 700.0}) {
        const double e = ts::rel_err(REXP(x), std::expm1(x));
        if (e > worst) worst = e, at = x;
    }
    std::printf("REXP: worst rel. error %.3g at x=%g\n", worst, at);
    EXPECT_LE(worst, 1e-14);
}

TEST(Auxiliary, ErrorFunctions) {
    double werf = 0.0, werfc = 0.0, wscaled = 0.0, aerf = 0, aerfc = 0, ascaled = 0;
    for (double x = -6.5; x <= 30.0; x += 0.0173) {
        const double e1 = ts::rel_err(ERF(x), std::erf(x));
        if (e1 > werf) werf = e1, aerf = x;
        const double want = std::erfc(x);
        if (want > 1e-300) {
            const double e2 = ts::rel_err(ERFC1(0, x), want);
            if (e2 > werfc) werfc = e2, aerfc = x;
        }
        if (x < 26.0) {
            const long double lx = x;
            const double scaled = static_cast<double>(std::exp(lx * lx) * std::erfc(lx));
            const double e3 = ts::rel_err(ERFC1(1, x), scaled);
            if (e3 > wscaled) wscaled = e3, ascaled = x;
        }
    }
    std::printf("ERF: %.3g at %g; ERFC1(0): %.3g at %g; ERFC1(1): %.3g at %g\n", werf, aerf, werfc,
                aerfc, wscaled, ascaled);
    EXPECT_LE(werf, 1e-14);
    EXPECT_LE(werfc, 1e-13);
    EXPECT_LE(wscaled, 1e-13);
    // Switch points and saturation.
    EXPECT_EQ(ERF(5.8), 1.0);
    EXPECT_EQ(ERF(-6.0), -1.0);
    EXPECT_EQ(ERFC1(0, -5.6), 2.0);
    EXPECT_EQ(ERFC1(1, -5.6), 2.0 * std::exp(5.6 * 5.6));
    EXPECT_EQ(ERFC1(0, 27.0), 0.0);   // x*x beyond the underflow limit
    EXPECT_EQ(ERFC1(0, 101.0), 0.0);
    EXPECT_GT(ERFC1(1, 101.0), 0.0);  // the scaled form does not underflow
    EXPECT_NEAR(ERFC1(1, 1e4) * 1e4 * std::sqrt(M_PI), 1.0, 1e-8);
}
