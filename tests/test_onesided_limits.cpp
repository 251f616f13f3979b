// The one-sided G function, the inversions of the running integral of F, the
// H factor search against an independent quadrature-and-bracketing oracle,
// and the one-sided limit entry.
#include <gtest/gtest.h>

#include <boost/math/quadrature/tanh_sinh.hpp>
#include <boost/math/tools/roots.hpp>
#include <boost/math/tools/toms748_solve.hpp>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>

#include "control.h"
#include "mainguts.h"
#include "onesided_oracle.h"
#include "test_support.h"

namespace {

using namespace onesided_oracle;
using ts::kInvSqrtPi;

// The standardised deviation OneTail hands to HAdap.
double standardised(double lambda, double gamma2, double sd, double nu) {
    return 2.0 * std::fabs(lambda) * std::sqrt(gamma2) * sd / std::sqrt(nu + 1.0);
}


}  // namespace

// ---- the one-sided G function ----

TEST(NewGAdap, TwoDegreesOfFreedomClosedForm) {
    ts::TestContext tc(1e-8, 0.0);
    int method = 77;
    EXPECT_NEAR(NewGAdap(0.0, 2.0, 1.0, 0.0, 0.0, 800.0, method, 0.0, tc), 0.772897, 5e-7);
    EXPECT_NEAR(NewGAdap(0.5, 2.0, 1.0, 0.0, 0.0, 800.0, method, 0.0, tc), 0.526255, 5e-7);
    EXPECT_EQ(method, 77);  // no integral and no Bessel function
}

TEST(NewGAdap, AgreesWithTheOracleOnEveryBranch) {
    ts::TestContext tc(1e-8, 0.0);
    // nu = 60 with w/o <= 0.26 takes the integration-only branch; nu = 50 with
    // the same ratio the Bessel one (the test is nu > 50); zmax = 0 forces the
    // three-piece normaliser; rho on either side of the peak and of 0.
    struct Case {
        double nu, eta, zmax;
        int method;  // expected; 0: left unchanged
    };
    for (const Case& c : {Case{60.0, 0.05, 800.0, 0}, Case{50.0, 0.05, 800.0, 1}, Case{5.0, 1.0, 800.0, 1},
                          Case{5.0, 1.0, 0.0, 2}, Case{9.0, 3.0, 800.0, 1}, Case{9.0, 3.0, 1.0, 2},
                          Case{200.0, 2.0, 800.0, 1}, Case{1000.0, 0.1, 800.0, 0}}) {
        const double L = std::lgamma(c.nu / 2.0);
        OracleG oracle(c.nu, c.eta);
        for (double x : {-2.0, -0.3, 0.0, 0.01, 0.3, 2.0}) {
            const double theta = x * c.eta;
            int method = 0;
            const double G = NewGAdap(theta, c.nu, c.eta, 0.0, 0.0, c.zmax, method, L, tc);
            EXPECT_NEAR(G, oracle(theta), 2e-8)
                << "nu=" << c.nu << " eta=" << c.eta << " zmax=" << c.zmax << " theta=" << theta;
            EXPECT_EQ(method, c.method) << "nu=" << c.nu << " eta=" << c.eta << " zmax=" << c.zmax;
        }
    }
}

TEST(NewGAdap, BesselAndQuadratureNormalisersGiveTheSameG) {
    ts::TestContext tc(1e-8, 0.0);
    for (double nu : {3.0, 10.0, 40.0}) {
        const double L = std::lgamma(nu / 2.0);
        for (double theta : {-0.4, 0.0, 0.2, 1.5}) {
            int m1 = 0, m2 = 0;
            const double bessel = NewGAdap(theta, nu, 1.3, 0.0, 0.0, 800.0, m1, L, tc);
            const double quad = NewGAdap(theta, nu, 1.3, 0.0, 0.0, 1e-3, m2, L, tc);
            EXPECT_EQ(m1, 1);
            EXPECT_EQ(m2, 2);
            EXPECT_NEAR(bessel, quad, 1e-8) << "nu=" << nu << " theta=" << theta;
        }
    }
}

TEST(NewGAdap, LargeNuShiftKeepsGInRange) {
    ts::TestContext tc(1e-8, 0.0);
    const double nu = 1001.0, L = std::lgamma(nu / 2.0);
    // eta = 5 uses the shift computed at the peak, 5.0001 uses no shift; G
    // barely moves with eta, and both stay proper probabilities.
    int m = 0;
    const double a = NewGAdap(0.1, nu, 5.0, 0.0, 0.0, 800.0, m, L, tc);
    const double b = NewGAdap(0.1, nu, 5.0001, 0.0, 0.0, 800.0, m, L, tc);
    OracleG oa(nu, 5.0), ob(nu, 5.0001);
    EXPECT_NEAR(a, oa(0.1), 1e-7);
    EXPECT_NEAR(b, ob(0.1), 1e-7);
}

// ---- inverting the running integral ----

TEST(InvertNewF, UpperAndLowerMeetAtTheMedian) {
    ts::TestContext tc(1e-8, 0.0);
    for (double nu : {3.0, 5.0, 30.0}) {
        for (double kappa : {-0.1, -0.3, -2.0}) {
            const double L = std::lgamma(nu / 2.0);
            const double tm = tmax(nu, kappa);
            const double P = NewF(tm, nu, kappa, kInvSqrtPi, L, 0.0, 1.0);
            for (double a : {-1.0, -0.5}) {
                const double whole = NewFIntegrateAdap(a, 1.0, 0.0, nu, kappa, L, 0.0, P, tc);
                int e1 = 0, e2 = 0;
                const double up = InvertNewFUpper(a, 1.0, whole / 2.0, nu, kappa, kInvSqrtPi, L, 0.0, P, e1, tc);
                const double lo = InvertNewFLower(a, 1.0, whole / 2.0, nu, kappa, kInvSqrtPi, L, 0.0, P, e2, tc);
                ASSERT_EQ(e1, 0);
                ASSERT_EQ(e2, 0);
                // F/P is at most 1, so an error of tol in the amount moves the
                // point by at least tol.
                EXPECT_NEAR(up, lo, 1e-6) << "nu=" << nu << " kappa=" << kappa << " a=" << a;
                EXPECT_NEAR(NewFIntegrateAdap(a, up, 0.0, nu, kappa, L, 0.0, P, tc), whole / 2.0, 1e-7);
            }
            // A quarter from each end.
            const double whole = NewFIntegrateAdap(-1.0, 1.0, 0.0, nu, kappa, L, 0.0, P, tc);
            int e = 0;
            const double q1 = InvertNewFUpper(-1.0, 1.0, whole / 4.0, nu, kappa, kInvSqrtPi, L, 0.0, P, e, tc);
            const double q3 = InvertNewFLower(-1.0, 1.0, whole / 4.0, nu, kappa, kInvSqrtPi, L, 0.0, P, e, tc);
            ASSERT_EQ(e, 0);
            EXPECT_NEAR(NewFIntegrateAdap(-1.0, q1, 0.0, nu, kappa, L, 0.0, P, tc), whole / 4.0, 1e-7);
            EXPECT_NEAR(NewFIntegrateAdap(q3, 1.0, 0.0, nu, kappa, L, 0.0, P, tc), whole / 4.0, 1e-7);
        }
    }
}

TEST(InvertNewF, AmountBeyondTheIntegralSetsTheFlag) {
    ts::TestContext tc(1e-8, 0.0);
    const double nu = 5.0, kappa = -0.3, L = std::lgamma(2.5);
    const double whole = NewFIntegrateAdap(-1.0, 1.0, 0.0, nu, kappa, L, 0.0, 1.0, tc);
    int e = 0;
    InvertNewFUpper(-1.0, 1.0, whole * 1.01, nu, kappa, kInvSqrtPi, L, 0.0, 1.0, e, tc);
    EXPECT_EQ(e, 1);
    e = 0;
    InvertNewFLower(-1.0, 1.0, whole * 1.01, nu, kappa, kInvSqrtPi, L, 0.0, 1.0, e, tc);
    EXPECT_EQ(e, 1);
}

// ---- the secant search and the H factor ----

TEST(NewSecantAdap, IdenticalStartingResidualsStopAtOnce) {
    ts::TestContext tc(1e-8, 0.0);
    double root = 0.0, residual = 0.0;
    int iterations = 0, method = 0;
    NewSecantAdap(root, 0.3, 0.3, 0.5, 9.0, 1.0, 0.0, 0.0, 200, 1e-8, 0.0, 800.0, residual, iterations,
                  method, std::lgamma(4.5), tc);
    EXPECT_EQ(root, 0.3);
    EXPECT_EQ(iterations, 2);
}

TEST(HAdap, AgreesWithTheQuadratureOracle) {
    // The accuracy FunctionTol allows: the integrals of F/P are good to a
    // fraction of tol absolute, so G = num/N is good to that over the
    // normaliser N, and H to that over the slope dG/dH. Where N is small
    // (wide sd, few df, p near 1) the error in G exceeds tol itself; the
    // worst case is printed.
    const double ftol = 1e-8;
    double worst_res = 0.0, worst_H = 0.0, worst_relH = 0.0;
    std::string at_res, at_H, at_relH;
    for (double df : {2.0, 3.0, 5.0, 10.0, 100.0, 1000.0}) {
        for (double sd : {0.1, 0.5, 1.0, 3.0, 10.0}) {
            for (double p : {0.001, 0.05, 0.5, 0.95, 0.999}) {
                const LimitCase c{df, sd, p};
                const Comparison r = compare(c, ftol, 0.0);
                ASSERT_TRUE(std::isfinite(r.H)) << describe(c);
                const double allowed = 0.02 * ftol / r.N;
                EXPECT_LT(std::fabs(r.residual), allowed) << describe(c) << " H=" << r.H << " N=" << r.N;
                EXPECT_LT(std::fabs((r.H - r.Horacle) * r.slope), 1.5 * allowed + 1e-13)
                    << describe(c) << " H=" << r.H << " oracle=" << r.Horacle;
                if (std::fabs(r.residual) > worst_res) {
                    worst_res = std::fabs(r.residual);
                    at_res = describe(c);
                }
                const double dH = std::fabs(r.H - r.Horacle);
                if (dH > worst_H) {
                    worst_H = dH;
                    at_H = describe(c);
                }
                if (dH / std::max(1.0, std::fabs(r.Horacle)) > worst_relH) {
                    worst_relH = dH / std::max(1.0, std::fabs(r.Horacle));
                    at_relH = describe(c);
                }
            }
        }
    }
    std::printf("worst |G_oracle(root) - (1-p)| = %.3g at %s\n", worst_res, at_res.c_str());
    std::printf("worst |H - H_oracle| = %.3g at %s; relative to max(1,|H|) %.3g at %s\n", worst_H,
                at_H.c_str(), worst_relH, at_relH.c_str());
}

TEST(HAdap, StartsFromTheNormalApproximation) {
    // N = 10, p = 0.05: z = NormInv(0.05) and H is sqrt(9) (root - sd^2/2)/sd.
    ts::TestContext tc(1e-8, 1e-8);
    int it = 0;
    const double sd = 0.8;
    const double H = HAdap(sd, 10, 0.05, 0.0, 0.0, 200, 1e-8, 1e-8, 800.0, it, tc);
    const Comparison r = compare({9.0, sd, 0.05}, 1e-8, 1e-8);
    EXPECT_EQ(H, r.H);
    EXPECT_NEAR(H, r.Horacle, 1e-6);
    EXPECT_GE(it, 3);
    EXPECT_LT(it, 20);
}

// ---- the one-sided limit entry ----

TEST(OneTail, StandardisedCaseAndItsSymmetries) {
    ts::TestContext tc(1e-8, 0.0);
    const double nu = 9.0, sd = 0.7, ybar = 0.25;
    double H1, lim1, el1, H0, lim0, el0;
    int it1, it0;
    OneTail(1, ybar, sd, nu, 0.05, 0.5, nu + 1.0, 800.0, 1e-8, 0.0, 200, H1, lim1, el1, it1, 0.0, 0.0, tc);
    EXPECT_EQ(tc.control().FunctionTol, 1e-8);
    EXPECT_EQ(tc.control().MaxIter, 200);
    EXPECT_NEAR(lim1, ybar + sd * sd / 2.0 + H1 * sd / std::sqrt(nu), 1e-14);
    EXPECT_GE(el1, 0.0);
    int it = 0;
    const double s1 = standardised(0.5, nu + 1.0, sd, nu);
    EXPECT_NEAR(s1, sd, 1e-15);
    EXPECT_EQ(H1, HAdap(s1, 10, 0.05, 0.0, 0.0, 200, 1e-8, 0.0, 800.0, it, tc));

    // kind 0 at alpha is kind 1 at 1 - alpha.
    OneTail(0, ybar, sd, nu, 0.95, 0.5, nu + 1.0, 800.0, 1e-8, 0.0, 200, H0, lim0, el0, it0, 0.0, 0.0, tc);
    EXPECT_EQ(H0, H1);
    EXPECT_EQ(lim0, lim1);

    // A negative lambda flips p and subtracts the H term.
    double Hn, limn, eln;
    int itn;
    OneTail(1, ybar, sd, nu, 0.05, -0.5, nu + 1.0, 800.0, 1e-8, 0.0, 200, Hn, limn, eln, itn, 0.0, 0.0, tc);
    EXPECT_EQ(Hn, HAdap(s1, 10, 0.95, 0.0, 0.0, 200, 1e-8, 0.0, 800.0, it, tc));
    EXPECT_NEAR(limn, ybar - sd * sd / 2.0 - Hn * sd / std::sqrt(nu), 1e-14);

    // A general gamma^2 and lambda: the standardised sd is 2|lambda| gamma sd / sqrt(nu+1).
    double Hg, limg, elg;
    int itg;
    OneTail(1, ybar, sd, nu, 0.1, 0.8, 4.0, 800.0, 1e-8, 0.0, 200, Hg, limg, elg, itg, 0.0, 0.0, tc);
    EXPECT_EQ(Hg, HAdap(standardised(0.8, 4.0, sd, nu), 10, 0.1, 0.0, 0.0, 200, 1e-8, 0.0, 800.0, it, tc));
    EXPECT_NEAR(limg, ybar + 0.8 * sd * sd + Hg * sd * std::sqrt((nu + 1.0) / nu) / 2.0, 1e-14);
}

TEST(OneTail, FractionalDegreesOfFreedomTruncateTheSampleSize) {
    ts::TestContext tc(1e-8, 0.0);
    double H, lim, el;
    int it, it2 = 0;
    const double nu = 9.7, sd = 1.1;
    OneTail(1, 0.0, sd, nu, 0.1, 0.5, nu + 1.0, 800.0, 1e-8, 0.0, 200, H, lim, el, it, 0.0, 0.0, tc);
    EXPECT_EQ(H, HAdap(standardised(0.5, nu + 1.0, sd, nu), 10, 0.1, 0.0, 0.0, 200, 1e-8, 0.0, 800.0, it2, tc));
    EXPECT_EQ(it, it2);
}

// ---- cases the one-sided search cannot handle ----

// With one degree of freedom tmax finds the minimum of F, F/P overflows and
// G is no number. The search used to stop on that residual and return its
// last point: H = 31.2275 for sd = 10, p = 0.95, where the root is H = 1266.5.
TEST(HAdap, ResidualThatIsNoNumberIsNeverARoot) {
    ts::TestContext tc(1e-8, 0.0);
    int it = 0;
    const double H = HAdap(10.0, 2, 0.95, 0.0, 0.0, 200, 1e-8, 0.0, 800.0, it, tc);
    EXPECT_TRUE(std::isnan(H)) << H;

    double root = 0.0, residual = 0.0;
    int method = 0;
    NewSecantAdap(root, 60.0, 50.0, 0.05, 1.0, 10.0, 0.0, 0.0, 200, 1e-8, 0.0, 800.0, residual,
                  it, method, dlgama(0.5), tc);
    EXPECT_TRUE(std::isnan(residual));
    EXPECT_TRUE(std::isnan(root)) << root;
}

TEST(OneTail, RefusesWhatTheSearchCannotHandleWithOneRecordAndNoNumbers) {
    ts::TestContext tc(1e-8, 0.0);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        double df, sd, lambda;
        const char* record;
    };
    const Case cases[] = {
        {1.0, 10.0, 0.5, " OneTail: df below 2, no one-sided limit for df =  1.\n"},
        {1.5, 1.0, 0.5, " OneTail: df below 2, no one-sided limit for df =  1.5\n"},
        {1.99, 1.0, 0.5, " OneTail: df below 2, no one-sided limit for df =  1.99\n"},
        {-3.0, 1.0, 0.5, " OneTail: df below 2, no one-sided limit for df = -3.\n"},
        {nan, 1.0, 0.5, " OneTail: df below 2, no one-sided limit for df = NaN\n"},
        // The sample size df + 1 is converted to a 32-bit integer only below 2^31 - 1.
        {2147483646.0, 1.0, 0.5, " OneTail: df too large, no one-sided limit for df =  2.14748365E+09\n"},
        {1e300, 1.0, 0.5, " OneTail: df too large, no one-sided limit for df =  1.E+300\n"},
        // sd <= 0 used to give H = -0 and the limit ybar + sd^2/2.
        {10.0, -1.0, 0.5, " OneTail: sd* not positive, no limit for lambda,sd =  0.5 -1.\n"},
        {10.0, 0.0, 0.5, nullptr},
        {10.0, 1.0, 0.0, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.df);
        tc.clear();
        double H = 1.0, lim = 1.0, el = 1.0;
        int it = 7;
        EXPECT_EQ(OneTail(1, 0.0, c.sd, c.df, 0.95, c.lambda, c.df + 1.0, 800.0, 1e-8, 0.0, 200, H,
                          lim, el, it, 0.0, 0.0, tc),
                  limitstatus::refused);
        EXPECT_TRUE(std::isnan(H));
        EXPECT_TRUE(std::isnan(lim));
        EXPECT_EQ(it, 0);
        EXPECT_EQ(el, 0.0);
        const std::string text = tc.text();
        if (c.record) {
            EXPECT_EQ(text, c.record);
        }
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
    }
    // Two degrees of freedom, and 2.5 truncated to them, are computed.
    for (double df : {2.0, 2.5}) {
        tc.clear();
        double H = 0.0, lim = 0.0, el = 0.0;
        int it = 0;
        EXPECT_EQ(OneTail(1, 0.0, 1.0, df, 0.95, 0.5, df + 1.0, 800.0, 1e-8, 0.0, 200, H, lim, el,
                          it, 0.0, 0.0, tc),
                  limitstatus::computed);
        EXPECT_TRUE(std::isfinite(H));
        EXPECT_EQ(tc.text(), "");
    }
}
