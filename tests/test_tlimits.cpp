// The t limits of lambda = 0: Student's t distribution and quantile of the
// distribution library against Boost.Math at 50 digits, and the limits
// tolvane-limits answers with them.
#include <gtest/gtest.h>

#include <boost/math/distributions/students_t.hpp>
#include <boost/multiprecision/cpp_bin_float.hpp>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Chinorm95.h"
#include "LimitProtocol.h"
#include "mainguts.h"
#include "test_support.h"

namespace {

using big = boost::multiprecision::cpp_bin_float_50;
using boost::math::students_t_distribution;

// The t with P(T > t) = q (q <= 1/2) at 50 digits.
big reference_upper_quantile(double q, double df) {
    return -quantile(students_t_distribution<big>(df), big(q));
}

// The t with P(0 < T < t) = c: the quantile of 1/2 + c, or, where 1/2 + c
// would lose the digits of c even at 50 digits, c over the density at 0 (the
// next term is of relative order t^2).
big reference_central_quantile(double c, double df) {
    const students_t_distribution<big> d(df);
    if (c < 1e-30) return big(c) / pdf(d, big(0));
    return quantile(d, big(0.5) + big(c));
}

double rel(double got, const big& want) {
    return static_cast<double>(abs((big(got) - want) / want));
}

}  // namespace

// Every quantile from the tail (the levels of one-sided limits) and from the
// central share (those of two-sided ones) within 4e-15 of the 50-digit one,
// where t is below 1e6; beyond, the tail's power law t^-df leaves ln t times
// the rounding (2.9e-14 at df 1, t = 3e99; 7e-14 at df 1.5, t = 5e199). df from 1 to 1e300 (above 1e30
// the normal distribution), levels from 1e-300 to within 1e-12 of 1/2.
TEST(TQuantile, AgreesWithBoostAtFiftyDigits) {
    const double dfs[] = {1, 1.5, 2, 3, 4, 5, 7, 10, 14, 30, 100, 1000, 1e4, 1e6, 1e9, 1e15, 1e20,
                          1e29, 1e31, 1e300};
    const double tails[] = {1e-300, 1e-100, 1e-20, 1e-9, 1e-4, 1e-3, 0.01, 0.025, 0.05,
                            0.1,    0.2,    0.25,  0.3,  0.4,  0.45, 0.49, 0.4999999, 0.5 - 1e-12};
    const double centrals[] = {1e-300, 1e-20, 5e-9, 0.005, 0.05, 0.25, 0.45, 0.475, 0.495,
                               0.4999995};
    double worst_bulk = 0.0, worst_far = 0.0;
    for (double df : dfs) {
        for (double q : tails) {
            const double t = tinverse(q, 0.5 - q, df);
            const big want = reference_upper_quantile(q, df);
            const double r = rel(t, want);
            const double lnt = std::log(static_cast<double>(want));
            const double bound = 4e-15 + (lnt < std::log(1e6) ? 0.0 : 1.6e-16 * lnt);
            EXPECT_LE(r, bound) << "df " << df << " tail " << q << ": " << t;
            (lnt < std::log(1e6) ? worst_bulk : worst_far) =
                std::fmax(lnt < std::log(1e6) ? worst_bulk : worst_far, r);
        }
        for (double c : centrals) {
            const double t = tinverse(0.5 - c, c, df);
            const double r = rel(t, reference_central_quantile(c, df));
            EXPECT_LE(r, 4e-15) << "df " << df << " central " << c << ": " << t;
            worst_bulk = std::fmax(worst_bulk, r);
        }
    }
    std::printf("worst relative error: %.2g (t below 1e6), %.2g beyond\n", worst_bulk, worst_far);
    // Closed forms: df 1 (Cauchy) and df 2.
    for (double p : {0.6, 0.9, 0.975, 0.999}) {
        const double t1 = 1.0 / std::tan(M_PI * (1.0 - p));
        EXPECT_NEAR(tinverse(1.0 - p, p - 0.5, 1.0), t1, 4e-15 * t1);
        const double t2 = (2.0 * p - 1.0) / std::sqrt(2.0 * p * (1.0 - p));
        EXPECT_NEAR(tinverse(1.0 - p, p - 0.5, 2.0), t2, 4e-15 * t2);
    }
    EXPECT_EQ(tinverse(0.5, 0.0, 10.0), 0.0);
    EXPECT_TRUE(std::isinf(tinverse(0.0, 0.5, 10.0)));
    EXPECT_TRUE(std::isnan(tinverse(0.1, 0.4, 0.5)));
    EXPECT_TRUE(std::isnan(tinverse(0.1, 0.1, 10.0)));
}

// The shares themselves, each to full relative precision where it is small:
// at df 1e6 the tail of the classical continued fraction is off by 1e-11 (x is
// within rounding of 1), and 1/2 minus the other share loses the small one.
TEST(TQuantile, SharesKeepTheirDigitsWhereTheyAreSmall) {
    struct Point {
        double t, df;
    };
    for (const Point& p : {Point{2.5, 1e6}, Point{4.0, 1e6}, Point{1.8, 1e4}, Point{30.0, 100.0},
                           Point{1e-8, 5.0}, Point{0.3, 1e8}, Point{300.0, 3.0}, Point{1e100, 2.0}}) {
        const students_t_distribution<big> d(p.df);
        const big upper = cdf(complement(d, big(p.t)));
        const big central = cdf(d, big(p.t)) - big(0.5);
        const TShares s = tshares(p.t, p.df);
        const std::string tag = "t " + std::to_string(p.t) + " df " + std::to_string(p.df);
        EXPECT_LE(rel(s.upper, upper), 3e-14) << tag;
        EXPECT_LE(rel(s.central, central), 3e-14) << tag;
        EXPECT_LE(std::fabs(s.log_upper - static_cast<double>(log(upper))),
                  1e-14 * std::fabs(static_cast<double>(log(upper))) + 1e-15)
            << tag;
        EXPECT_LE(std::fabs(s.log_density - static_cast<double>(log(pdf(d, big(p.t))))),
                  1e-14 * (1.0 + std::fabs(s.log_density)))
            << tag;
    }
}

// tolvane-limits answers lambda 0 with the t limits, plain and checked alike:
// kind 1 ybar + t_alpha s/gamma (an upper limit above alpha 1/2, a lower one
// below), kind 2 ybar -+ t s/gamma with P(|T| <= t) = alpha; the factors
// H = t sqrt(df/(df + 1)), with which the limits are ybar + H s sqrt((df +
// 1)/df)/gamma as for any lambda. A tiny lambda gives the same factors: they
// are the limit of the factors of lambda > 0 as sd* goes to 0.
TEST(TLimits, LambdaZeroGetsTheTLimitsThroughTheCommand) {
    struct Case {
        double df, s, alpha, gamma2, ybar;
    };
    const Case cases[] = {{14, 0.4272, 0.95, 15, 0}, {2, 1.0, 0.05, 3, 1.5},
                          {1000, 0.1, 0.999, 1001, -2.0}, {5, 3.0, 0.5, 1.0, 0.25},
                          {30, 0.7, 0.001, 300, 10.0}};
    std::string requests;
    for (const Case& c : cases) {
        char line[200];
        for (int kind = 1; kind <= 2; ++kind) {
            std::snprintf(line, sizeof line, "%d %.17g %.17g %.17g 0 %.17g %.17g", kind, c.df, c.s,
                          c.alpha, c.gamma2, c.ybar);
            requests += std::string(line) + "\n" + line + " 1e-8 0\n";
        }
        std::snprintf(line, sizeof line, "1 %.17g %.17g %.17g 1e-9 %.17g %.17g\n", c.df, c.s,
                      c.alpha, c.gamma2, c.ybar);
        requests += line;
    }
    const std::vector<std::string> lines = ts::limits_answers(requests);
    ASSERT_EQ(lines.size(), 5 * std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        const std::string* out = &lines[5 * i];
        const double k = std::sqrt((c.df + 1.0) / c.df) * c.s / std::sqrt(c.gamma2);
        limitproto::Answer one, one_plain, two, two_plain, tiny;
        ASSERT_EQ(limitproto::parse_answer(out[0], 1, one), "") << out[0];
        ASSERT_EQ(limitproto::parse_answer(out[1], 1, one_plain), "") << out[1];
        ASSERT_EQ(limitproto::parse_answer(out[2], 2, two), "") << out[2];
        ASSERT_EQ(limitproto::parse_answer(out[3], 2, two_plain), "") << out[3];
        ASSERT_EQ(limitproto::parse_answer(out[4], 1, tiny), "") << out[4];
        const std::string tag = out[0] + " | " + out[2];
        EXPECT_EQ(out[0], out[1]);
        EXPECT_EQ(out[2], out[3]);

        const big t1 = c.alpha >= 0.5 ? reference_upper_quantile(1.0 - c.alpha, c.df)
                                      : -reference_upper_quantile(c.alpha, c.df);
        const double t1d = static_cast<double>(t1);
        if (c.alpha != 0.5) {
            EXPECT_LE(rel(one.value[0], t1 * sqrt(big(c.df) / big(c.df + 1.0))), 5e-15) << tag;
        } else {
            EXPECT_LE(std::fabs(one.value[0]), 1e-15) << tag;
        }
        EXPECT_NEAR(one.value[1], c.ybar + t1d * c.s / std::sqrt(c.gamma2),
                    4e-15 * (std::fabs(c.ybar) + std::fabs(t1d) * c.s))
            << tag;
        EXPECT_NEAR(one.value[1], c.ybar + one.value[0] * k, 1e-14 * (std::fabs(c.ybar) + 1.0))
            << tag;

        const big t2 = reference_central_quantile(0.5 * c.alpha, c.df);
        const double H2 = static_cast<double>(t2 * sqrt(big(c.df) / big(c.df + 1.0)));
        EXPECT_LE(std::fabs(two.value[2] - H2), 5e-15 * H2) << tag;
        EXPECT_EQ(two.value[0], -two.value[2]) << tag;
        EXPECT_NEAR(two.value[1], c.ybar - two.value[2] * k, 1e-14 * (std::fabs(c.ybar) + 1.0))
            << tag;
        EXPECT_NEAR(two.value[3], c.ybar + two.value[2] * k, 1e-14 * (std::fabs(c.ybar) + 1.0))
            << tag;
        EXPECT_LT(two.value[1], two.value[3]) << tag;

        // lambda 1e-9: sd* is of order 1e-9, and the checked factor is the t one.
        EXPECT_NEAR(tiny.value[0], one.value[0], 1e-7 * std::fmax(1.0, std::fabs(one.value[0])))
            << out[4];
    }
}

// The limit code itself still refuses lambda 0 (with its record), and the t
// limits refuse what has no t limit, with one record and no numbers.
TEST(TLimits, RefusalsLeaveOneRecordAndNoNumbers) {
    ts::TestContext tc;
    double H = 0, limit = 0, elapsed = 0;
    int it = 0;
    EXPECT_EQ(OneTail(1, 0.0, 1.0, 10.0, 0.95, 0.0, 11.0, 800.0, 1e-8, 0.0, 200, H, limit,
                      elapsed, it, 1e-8, 0.0, tc),
              limitstatus::refused);
    EXPECT_TRUE(std::isnan(H));
    tc.clear();
    struct Bad {
        double df, s, alpha, gamma2;
    };
    for (const Bad& b : {Bad{0.5, 1, 0.9, 1}, Bad{INFINITY, 1, 0.9, 1}, Bad{5, 0, 0.9, 1},
                         Bad{5, 1, 1.0, 1}, Bad{5, 1, 0.0, 1}, Bad{5, 1, 0.9, -1},
                         Bad{5, 1, 0.9, NAN}}) {
        tc.clear();
        EXPECT_EQ(TOneTail(1, 0.0, b.s, b.df, b.alpha, b.gamma2, H, limit, tc),
                  limitstatus::refused);
        EXPECT_TRUE(std::isnan(H) && std::isnan(limit));
        EXPECT_EQ(tc.text().rfind(" TOneTail: ", 0), 0u) << tc.text();
        EXPECT_EQ(ts::count_of(tc.text(), "no t limit for df,s,alpha,gamma2 ="), 1) << tc.text();
        tc.clear();
        double lo = 0, hlo = 0, up = 0, hup = 0;
        EXPECT_EQ(TTwotail(0.0, b.s, b.df, b.alpha, b.gamma2, lo, hlo, up, hup, tc),
                  limitstatus::refused);
        EXPECT_TRUE(std::isnan(lo) && std::isnan(hlo) && std::isnan(up) && std::isnan(hup));
        EXPECT_EQ(tc.text().rfind(" TTwotail: ", 0), 0u) << tc.text();
        EXPECT_EQ(ts::count_of(tc.text(), "no t limits for df,s,alpha,gamma2 ="), 1) << tc.text();
    }
    // A lambda that is no number is refused in words that read.
    limitproto::Request r;
    r.kind = 1;
    r.df = 10;
    r.s = 1;
    r.alpha = 0.9;
    r.lambda = INFINITY;
    r.gamma2 = 11;
    limitproto::Answer a;
    EXPECT_EQ(limitproto::answer_request(r, 1e-8, 0.0, a, tc), "lambda must be finite, not inf");
}
