// The coverage integrands, their wrappers and the coverage integrals of a case.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "Case.h"
#include "Chinorm95.h"
#include "Kestrin.h"
#include "control.h"
#include "test_support.h"

namespace {

// The case of the standardised setting (mu 0, lambda 0.5, gamma^2 df + 1).
Case case_of(int sides, double sigma, double df, double alpha, double aqt, double ftol,
             double rtol) {
    return Case{.sides = sides, .df = df, .sigma = sigma, .alpha = alpha, .AdapQuadTol = aqt,
                .FunctionTol = ftol, .ResultTol = rtol};
}

using ts::count_of;

// How far a coverage computed with these tolerances may stray from its target.
// The integrands lie in [0, 1], so each cut end of the p-range loses between 0
// and AdapQuadTol: the sum comes out low by up to 2*AdapQuadTol. Each integral is
// within its error bound, at most AdapQuadTol (checked: no abnormal return). A
// limit error dU moves the integrand Phi(z) by at most phi(0)*sqrt(1 + df)/sigma*dU
// (z = (target - U)/(sigma/sqrt(1 + df))); the searches stop on a step of at most
// FunctionTol in x, and x is the limit itself here (eta = s), so dU <= FunctionTol.
struct Bound {
    double low, high;
};
Bound one_sided_bound(double df, double sigma, double aqt, double ftol) {
    double limits = 0.3989422804014327 * std::sqrt(1.0 + df) / sigma * ftol;
    return {-(2 * aqt + 2 * aqt + limits), 2 * aqt + limits};
}
// D = (1 - I_L) + I_U: the cuts lower I_L (raising D) and I_U (lowering D) by up
// to 2*AdapQuadTol each, four integrals contribute AdapQuadTol each, and both
// limits their own error.
Bound two_sided_bound(double df, double sigma, double aqt, double ftol) {
    double limits = 2 * 0.3989422804014327 * std::sqrt(1.0 + df) / sigma * ftol;
    double reach = 2 * aqt + 4 * aqt + limits;
    return {-reach, reach};
}

}  // namespace

TEST(Coverage, NoToleranceMeansNoIntegral) {
    const std::string each = " ier,lvl:  6 1\n error is  6\n";
    {
        ts::TestContext tc;
        OneSidedCoverage c = onesided_coverage(case_of(1, 1.0, 10.0, 0.9, 0.0, 1e-8, 0.0), tc);
        EXPECT_EQ(c.integral, 0.0);
        EXPECT_EQ(c.neval, 0);
        EXPECT_EQ(tc.text(), each + each);
    }
    {
        ts::TestContext tc;
        TwoSidedCoverage c = twosided_coverage(case_of(2, 1.0, 10.0, 0.9, 0.0, 1e-8, 0.0), tc);
        EXPECT_EQ(c.lower, 0.0);
        EXPECT_EQ(c.upper, 0.0);
        EXPECT_EQ(c.miss, 1.0);
        EXPECT_EQ(c.neval, 0);
        EXPECT_EQ(tc.text(), each + each + each + each);
    }
    // A negative tolerance is invalid in the same way.
    ts::TestContext tc;
    int neval = -1;
    EXPECT_EQ(adapquadforcriticalp(&criticalpnew, 2, 1e-6, 0.5, 0.0, 1.0, 0.5, 10.0, 0.9, -1e-6,
                                   1e-8, 0.0, neval, tc),
              0.0);
    EXPECT_EQ(neval, 0);
    EXPECT_EQ(tc.text(), each);
}

TEST(Coverage, OneSidedIntegrand) {
    ts::TestContext tc;
    for (double p : {1e-6, 0.02, 0.5, 0.77, 0.999999}) {
        // which is not read.
        EXPECT_EQ(criticalpnew(1, p, 0.0, 1.0, 0.5, 10.0, 0.9, 1e-8, 0.0, tc),
                  criticalpnew(2, p, 0.0, 1.0, 0.5, 10.0, 0.9, 1e-8, 0.0, tc));
        // mu shifts the target and the sample mean alike.
        double base = criticalpnew(2, p, 0.0, 0.1, 0.5, 5.0, 0.05, 1e-8, 0.0, tc);
        EXPECT_NEAR(criticalpnew(2, p, 3.7, 0.1, 0.5, 5.0, 0.05, 1e-8, 0.0, tc), base, 1e-12) << p;
        EXPECT_NEAR(criticalpnew(2, p, -250.0, 0.1, 0.5, 5.0, 0.05, 1e-8, 0.0, tc), base, 1e-10)
            << p;
        double v = criticalpnew(2, p, 0.0, 1.0, 0.5, 10.0, 0.9, 1e-8, 0.0, tc);
        EXPECT_GE(v, 0.0);
        EXPECT_LE(v, 1.0);
    }
    // Only FunctionTol and ResultTol are the integrand's own; the rest stays as it was.
    tc.control() = {123.0, 0.0, 0.0, 17};
    criticalpnew(2, 0.3, 0.0, 1.0, 0.5, 10.0, 0.9, 1e-7, 1e-9, tc);
    EXPECT_EQ(tc.control().BesselMaxArg, 123.0);
    EXPECT_EQ(tc.control().FunctionTol, 1e-7);
    EXPECT_EQ(tc.control().ResultTol, 1e-9);
    EXPECT_EQ(tc.control().MaxIter, 17);

    // The upper limit grows with the sample standard deviation, so the integrand
    // falls from 1 to 0 over p; where the limit meets the target it is Phi(0) = 1/2.
    EXPECT_EQ(normscdf(0.0), 0.5);
    auto f = [&tc](double p) { return criticalpnew(2, p, 0.0, 1.0, 0.5, 10.0, 0.9, 1e-10, 0.0, tc); };
    double lo = 1e-6, hi = 1.0 - 1e-6;
    ASSERT_GT(f(lo), 0.5);
    ASSERT_LT(f(hi), 0.5);
    for (int i = 0; i < 60 && hi - lo > 1e-15; ++i) {
        double mid = 0.5 * (lo + hi);
        (f(mid) > 0.5 ? lo : hi) = mid;
    }
    EXPECT_NEAR(f(lo), 0.5, 1e-12);
    EXPECT_NEAR(f(hi), 0.5, 1e-12);
    double s = std::sqrt(chiinverse(lo, 10.0, 1e-15, tc.ctx.finders) / 10.0);
    EXPECT_NEAR(onetailforverify(0.0, s, 0.5, 10.0, 0.9, 1e-10, 0.0, tc), 0.5, 1e-10);
}

TEST(Coverage, TwoSidedIntegrand) {
    ts::TestContext tc;
    tc.control() = {1.0, 2.0, 3.0, 4};
    double upper = twotailcriticalp(2, 0.3, 0.0, 1.0, 0.5, 10.0, 0.9, 1e-7, 1e-9, tc);
    // The wrapper installs the whole block, whatever it held.
    EXPECT_EQ(tc.control().BesselMaxArg, 800.0);
    EXPECT_EQ(tc.control().FunctionTol, 1e-7);
    EXPECT_EQ(tc.control().ResultTol, 1e-9);
    EXPECT_EQ(tc.control().MaxIter, 200);
    // Any which but 1 is the upper limit.
    EXPECT_EQ(twotailcriticalp(5, 0.3, 0.0, 1.0, 0.5, 10.0, 0.9, 1e-7, 1e-9, tc), upper);
    EXPECT_EQ(twotailcriticalp(-1, 0.3, 0.0, 1.0, 0.5, 10.0, 0.9, 1e-7, 1e-9, tc), upper);
    double lower = twotailcriticalp(1, 0.3, 0.0, 1.0, 0.5, 10.0, 0.9, 1e-7, 1e-9, tc);
    // The lower limit lies below the upper one, so it is more often below the target.
    EXPECT_GT(lower, upper);
    double s = std::sqrt(chiinverse(0.3, 10.0, 1e-15, tc.ctx.finders) / 10.0);
    EXPECT_LT(twotailforverify(1, 0.0, s, 10.0, 0.9, 0.5, 1e-7, 1e-9, tc),
              twotailforverify(2, 0.0, s, 10.0, 0.9, 0.5, 1e-7, 1e-9, tc));
}

TEST(Coverage, OneSidedMeetsItsTarget) {
    const double aqt = 1e-6, ftol = 1e-8;
    struct Case {
        double alpha, df, sigma;
    } cases[] = {{0.9, 10, 1}, {0.05, 5, 0.1}, {0.95, 100, 1}, {0.01, 2, 10}};
    for (const Case& c : cases) {
        ts::TestContext tc;
        OneSidedCoverage got = onesided_coverage(case_of(1, c.sigma, c.df, c.alpha, aqt, ftol, 0.0), tc);
        double err = got.integral - (1.0 - c.alpha);
        Bound b = one_sided_bound(c.df, c.sigma, aqt, ftol);
        EXPECT_GE(err, b.low) << c.alpha << " " << c.df << " " << c.sigma;
        EXPECT_LE(err, b.high) << c.alpha << " " << c.df << " " << c.sigma;
        EXPECT_EQ(tc.text(), "");  // both integrals met their tolerance
        EXPECT_GE(got.neval, 42);
        EXPECT_EQ(got.neval % 42, 0);  // two counts of the form 42k - 21
    }
}

TEST(Coverage, TwoSidedMeetsItsTarget) {
    // Two-sided limits cost two searches per evaluation; looser tolerances keep
    // the test short, and the bound grows with them.
    struct Case {
        double alpha, df, sigma, aqt, ftol;
    } cases[] = {{0.9, 2, 1, 1e-6, 1e-8}, {0.95, 100, 1, 1e-5, 1e-7}, {0.95, 5, 10, 1e-5, 1e-7}};
    for (const Case& c : cases) {
        ts::TestContext tc;
        TwoSidedCoverage got = twosided_coverage(case_of(2, c.sigma, c.df, c.alpha, c.aqt, c.ftol, 0.0), tc);
        EXPECT_EQ(got.miss, (1.0 - got.lower) + got.upper);
        double err = got.miss - (1.0 - c.alpha);
        Bound b = two_sided_bound(c.df, c.sigma, c.aqt, c.ftol);
        EXPECT_GE(err, b.low) << c.alpha << " " << c.df << " " << c.sigma;
        EXPECT_LE(err, b.high) << c.alpha << " " << c.df << " " << c.sigma;
        EXPECT_EQ(count_of(tc.text(), "ier,lvl"), 0);
        EXPECT_GE(got.neval, 84);
        EXPECT_EQ(got.neval % 42, 0);
    }
}
