// The chi-square distribution routine: argument checks, the three modes, and
// the quantile that the coverage integrands use, against Boost.Math.
#include <gtest/gtest.h>

#include <boost/math/distributions/chi_squared.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "Chinorm95.h"
#include "test_support.h"

namespace {

// The finders' state of these tests' searches.
FinderState finders;

struct Result {
    int status = -99;
    double bound = -99.0;
    double p, x, df;
};

Result call(int which, double p, double x, double df, double tol = 1e-8) {
    Result r;
    cdfchi(which, p, x, df, r.status, r.bound, tol, finders);
    r.p = p;
    r.x = x;
    r.df = df;
    return r;
}

// The degrees of freedom of the program's tables, and some between.
const double kDf[] = {1, 1.5, 2, 3, 4, 5, 7, 10, 15, 20, 30, 50, 75, 100, 200, 350, 500, 750, 1001};

std::vector<double> p_grid() {
    std::vector<double> ps;
    for (int e = -10; e <= -1; ++e) {
        ps.push_back(std::pow(10.0, e));
        ps.push_back(3.0 * std::pow(10.0, e));
        ps.push_back(1.0 - std::pow(10.0, e));
        ps.push_back(1.0 - 3.0 * std::pow(10.0, e));
    }
    for (double p : {0.5, 0.45, 0.55, 0.2, 0.8, 0.6}) ps.push_back(p);
    return ps;
}

}  // namespace

TEST(Cdfchi, ArgumentChecksInTheirOrder) {
    Result r = call(0, 0.5, 1.0, 1.0);
    EXPECT_EQ(r.status, -1);
    EXPECT_EQ(r.bound, 1.0);
    r = call(4, 0.5, 1.0, 1.0);
    EXPECT_EQ(r.status, -1);
    EXPECT_EQ(r.bound, 3.0);
    r = call(4, 7.0, -1.0, -1.0);  // which is checked first
    EXPECT_EQ(r.status, -1);

    r = call(2, 1.0, 0.0, 3.0);
    EXPECT_EQ(r.status, -2);
    EXPECT_EQ(r.bound, 0.999999999999999);
    r = call(3, -0.1, 1.0, 3.0);
    EXPECT_EQ(r.status, -2);
    EXPECT_EQ(r.bound, 0.0);
    r = call(2, NAN, 0.0, 3.0);
    EXPECT_EQ(r.status, -2);
    r = call(2, 0.999999999999999, 0.0, 3.0);  // the largest accepted p
    EXPECT_EQ(r.status, 0);
    r = call(1, 7.0, 1.0, 3.0);  // p is an output for which = 1
    EXPECT_EQ(r.status, 0);

    r = call(1, 0.5, -1.0, 3.0);
    EXPECT_EQ(r.status, -3);
    EXPECT_EQ(r.bound, 0.0);
    r = call(3, 0.5, -1.0, -3.0);  // x before df
    EXPECT_EQ(r.status, -3);
    r = call(2, 0.5, -1.0, 3.0);  // x is an output for which = 2
    EXPECT_EQ(r.status, 0);

    for (double df : {0.0, -2.0, std::nan(""), HUGE_VAL}) {
        r = call(2, 0.5, 0.0, df);
        EXPECT_EQ(r.status, -4) << df;
        EXPECT_EQ(r.bound, 0.0);
    }
    r = call(1, 0.5, 2.0, 0.0);
    EXPECT_EQ(r.status, -4);
    r = call(3, 0.5, 2.0, -1.0);  // df is an output for which = 3
    EXPECT_EQ(r.status, 0);
}

TEST(Cdfchi, KnownValuesOfTheThreeModes) {
    Result r = call(2, 0.95, 0.0, 1.0);
    EXPECT_EQ(r.status, 0);
    EXPECT_NEAR(r.x, 3.841458820694124, 1e-6);
    r = call(2, 0.5, 0.0, 10.0);
    EXPECT_EQ(r.status, 0);
    EXPECT_NEAR(r.x, 9.341817765591966, 1e-6);
    r = call(2, 0.0, 0.0, 4.0);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.x, 0.0);

    r = call(1, 0.0, 3.841458820694124, 1.0);
    EXPECT_EQ(r.status, 0);
    EXPECT_NEAR(r.p, 0.95, 5e-7);
    r = call(1, 0.0, 0.0, 3.0);
    EXPECT_EQ(r.p, 0.0);

    // df from p and x: P(chi2_5 <= 11.0705) = 0.95.
    r = call(3, 0.95, 11.070497693516351, 0.0);
    EXPECT_EQ(r.status, 0);
    EXPECT_NEAR(r.df, 5.0, 1e-5);

    EXPECT_EQ(cumchi(0.0, 3.0), 0.0);
    EXPECT_EQ(cumchi(-1.0, 3.0), 0.0);
}

TEST(Cdfchi, ErrorValueOfGratioBecomesStatusTen) {
    // At a = x/2 = 5e29 the incomplete gamma ratio cannot be formed to its
    // accuracy and comes back as 2: reached by which = 1 directly and by the
    // df search (which = 3) when it steps out to its upper end 1e30.
    Result r = call(1, 0.0, 1.0e30, 1.0e30);
    EXPECT_EQ(r.status, 10);
    r = call(3, 0.5, 1.0e30, 0.0);
    EXPECT_EQ(r.status, 10);
}

TEST(Cdfchi, SearchIsTheStepOutSearchFromDf) {
    // Replays the quantile search step by step: start at x = df, range
    // [0, 1e30], steps 0.5/0.5 growing by 5, tol as both tolerances. The
    // replay must agree bit for bit, and it counts the function requests.
    const std::vector<double> ps = p_grid();
    long requests = 0;
    int n = 0, most = 0;
    for (double df : kDf)
        for (double p : ps) {
            stinvr(0.0, 1.0e30, 0.5, 0.5, 5.0, 1e-15, 1e-15, finders);
            int status = 0, ql = 0, qh = 0;
            double x = df, fx = 0.0;
            int k = 0;
            std::vector<double> first;
            for (;;) {
                invr(status, x, fx, ql, qh, finders);
                if (status != 1) break;
                if (first.size() < 3) first.push_back(x);
                ++k;
                fx = cumchi(x, df) - p;
            }
            ASSERT_EQ(status, 0);
            ASSERT_EQ(first, (std::vector<double>{0.0, 1.0e30, df}));
            Result r = call(2, p, 0.0, df, 1e-15);
            ASSERT_EQ(r.status, 0);
            ASSERT_EQ(r.x, x) << "df=" << df << " p=" << p;
            EXPECT_EQ(chiinverse(p, df, 1e-15, finders), x);
            requests += k;
            most = std::max(most, k);
            ++n;
        }
    std::printf("cdfchi which=2 tol=1e-15: %d quantiles, %.2f F-requests on average, %d at most\n", n,
                static_cast<double>(requests) / n, most);
}

TEST(Cdfchi, QuantileAgainstBoost) {
    // The search stops within tol = 1e-15 absolute or relative, whichever is
    // larger, of a root of cumchi(x, df) - p, whose probabilities are good to
    // 5e-7 relative. So: where the true quantile is below 1e-9 (df < 2 and
    // tiny p) only the absolute 1e-15 is promised; elsewhere the probability
    // of the returned x must match p to 5e-7 of the smaller tail, plus the
    // spacing of doubles near 1 for p close to 1.
    double worst_tail = 0.0, worst_x = 0.0, worst_abs = 0.0;
    double wt_df = 0, wt_p = 0, wx_df = 0, wx_p = 0, wa_df = 0, wa_p = 0;
    for (double df : kDf) {
        const boost::math::chi_squared_distribution<double> chi(df);
        for (double p : p_grid()) {
            const Result r = call(2, p, 0.0, df, 1e-15);
            ASSERT_EQ(r.status, 0);
            const double want_x = boost::math::quantile(chi, p);
            if (want_x < 1e-9) {
                const double ea = std::fabs(r.x - want_x);
                EXPECT_LE(ea, 1e-15) << "df=" << df << " p=" << p;
                if (ea > worst_abs) worst_abs = ea, wa_df = df, wa_p = p;
                continue;
            }
            const double tail = std::min(p, 1.0 - p);
            const double got = (p < 0.5) ? boost::math::cdf(chi, r.x)
                                         : boost::math::cdf(boost::math::complement(chi, r.x));
            const double et = std::fabs(got - tail) / tail;
            EXPECT_LE(et, 5e-7 + 2.3e-16 / tail) << "df=" << df << " p=" << p;
            if (et > worst_tail) worst_tail = et, wt_df = df, wt_p = p;
            const double ex = ts::rel_err(r.x, want_x);
            if (ex > worst_x) worst_x = ex, wx_df = df, wx_p = p;
        }
    }
    std::printf("quantile, true x < 1e-9: worst abs. error of x %.3g at df=%g p=%.17g\n", worst_abs,
                wa_df, wa_p);
    std::printf("quantile, true x >= 1e-9: worst tail-probability rel. error %.3g at df=%g p=%.17g\n",
                worst_tail, wt_df, wt_p);
    std::printf("quantile, true x >= 1e-9: worst rel. error of x %.3g at df=%g p=%.17g\n", worst_x,
                wx_df, wx_p);
    EXPECT_LE(worst_x, 2e-7);
}

TEST(Cdfchi, TinyQuantilesAreOnlyAbsolutelyAccurate) {
    // With one degree of freedom the quantile of p = 1e-10 is 1.6e-20, far
    // inside the absolute tolerance: the search stops at the end x = 0.
    Result r = call(2, 1e-10, 0.0, 1.0, 1e-15);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.x, 0.0);
    r = call(2, 1e-10, 0.0, 1.0, 1e-25);  // a tighter tolerance reaches it
    EXPECT_LE(ts::rel_err(r.x, 1.5707963267948966e-20), 1e-5);
}

TEST(Cdfchi, DfSearchInvertsTheQuantile) {
    for (double df : {1.0, 3.0, 10.0, 100.0, 1001.0})
        for (double p : {0.01, 0.5, 0.99}) {
            const double x = boost::math::quantile(boost::math::chi_squared_distribution<double>(df), p);
            const Result r = call(3, p, x, 0.0, 1e-12);
            EXPECT_EQ(r.status, 0);
            EXPECT_LE(ts::rel_err(r.df, df), 1e-4) << df << " " << p;
        }
}

TEST(Normscdf, IsTheNormalDistributionFunction) {
    for (double x : {-14.0, -10.0, -1.5, 0.0, 0.3, 2.0, 5.9})
        EXPECT_LE(ts::rel_err(normscdf(x), 0.5 * std::erfc(-x / std::sqrt(2.0))), 1e-14) << x;
    // The far tail comes through a logarithm near -690: a few ulps of it.
    EXPECT_LE(ts::rel_err(normscdf(-37.0), 0.5 * std::erfc(37.0 / std::sqrt(2.0))), 5e-13);
}
