// The two-sided root finders and the driver: the walks that make a bracket
// (counted in one method, not in the other) and their bounds, the hand-over
// to bisection, the count -1 of a root met by a walk, and the limits of the
// driver against an independent quadrature-and-bracketing solution.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "control.h"
#include "mainguts.h"
#include "test_support.h"
#include "twosided_oracle.h"

namespace {

constexpr double kStep01 = 0.10000000149011612;   // 0.1 in single precision
constexpr double kStep001 = 0.009999999776482582;  // 0.01 in single precision

struct Search {
    double x = 0.0;
    double resid = 0.0;
    int count = 0;
    std::string text;
    bool operator==(const Search& o) const {
        return x == o.x && resid == o.resid && count == o.count && text == o.text;
    }
};

// A search problem: which limit, level, nu, eta.
struct Problem {
    int which;
    double q, nu, eta;

    double r(double x) const {
        ts::TestContext tc(1e-8, 0.0);
        int fail = 0;
        return TwoTailedG(x, q, which, nu, eta, 0.0, 0.0, 800.0, 0.0, dlgama(nu / 2.0), fail, tc) - q;
    }
    // One search by `finder` at FunctionTol 1e-8, the records it writes
    // captured. The unread arguments t1..t4 get distinct values, so that a
    // finder reading one shows.
    template <class Finder>
    Search run(Finder finder, double x0, double x1, int maxit, double xtol, double ftol) const {
        ts::TestContext tc(1e-8, 0.0);
        Search s;
        finder(which, s.x, x0, x1, q, nu, eta, 1.0, 2.0, maxit, xtol, ftol, 800.0, s.resid,
               s.count, 3.0, dlgama(nu / 2.0), tc.ctx);
        s.text = tc.text();
        return s;
    }
    Search secant(double x0, double x1, int maxit = 200, double xtol = 1e-10,
                  double ftol = 0.0) const {
        auto finder = [](auto&&... a) { call_with_t4(TwoTailedSecant, a...); };
        return run(finder, x0, x1, maxit, xtol, ftol);
    }
    Search secant_bisection(double x0, double x1, int maxit = 200, double xtol = 1e-10,
                            double ftol = 0.0) const {
        auto finder = [](auto&&... a) { call_with_t4(TwoTailedSecantBisection, a...); };
        return run(finder, x0, x1, maxit, xtol, ftol);
    }
    Search only_bisection(double x0, double x1, int maxit = 200, double xtol = 1e-10,
                          double ftol = 0.0) const {
        return run(TwoTailedOnlyBisection, x0, x1, maxit, xtol, ftol);
    }

    // The secant entries take t4 between L and the context.
    template <class F, class... A>
    static void call_with_t4(F f, int which, double& x, double x0, double x1, double q, double nu,
                             double eta, double t1, double t2, int maxit, double xtol,
                             double ftol, double zmax, double& resid, int& count, double t3,
                             double L, Context& ctx) {
        f(which, x, x0, x1, q, nu, eta, t1, t2, maxit, xtol, ftol, zmax, resid, count, t3, L, 4.0,
          ctx);
    }
};

class RootFinders : public ::testing::Test {
protected:
    void SetUp() override {
        // Upper limit, nu = 5, eta = 1, level 0.95: G rises through q near 2.713
        // on [2.5, 4.5]; the window cannot be placed below about 2.4.
        root_ = upper_.secant(2.6, 2.8, 200, 1e-13).x;
        ASSERT_NEAR(root_, 2.7128987, 1e-6);
    }

    const Problem upper_{2, 0.95, 5.0, 1.0};
    double root_ = 0.0;
};

}  // namespace

TEST_F(RootFinders, SecantEntryEqualsSecantBisectionAndStartingOrderDoesNotMatter) {
    const std::pair<double, double> starts[] = {
        {2.6, 2.9}, {root_ + 0.25, root_ + 0.45}, {2.5, 2.6}, {2.6, 2.9}};
    for (auto [a, b] : starts) {
        const Search s = upper_.secant(a, b);
        EXPECT_EQ(s, upper_.secant_bisection(a, b)) << a << " " << b;
        EXPECT_EQ(s, upper_.secant_bisection(b, a)) << a << " " << b;
        EXPECT_NEAR(s.x, root_, 1e-8);
        EXPECT_LE(s.resid, 0.0);  // ftol = 0: the end with the non-positive residual
    }
    const Search b1 = upper_.only_bisection(2.6, 2.9);
    EXPECT_EQ(b1, upper_.only_bisection(2.9, 2.6));
    EXPECT_NEAR(b1.x, root_, 1e-8);
}

TEST_F(RootFinders, SecantBisectionCountsItsWalks) {
    // Downward: both points above the root; x0 goes down by 0.1 three times.
    const double a = root_ + 0.25, b = root_ + 0.45;
    double walked = a;
    int steps = 0;
    while (walked > root_) {
        walked = walked - kStep01;
        ++steps;
    }
    ASSERT_EQ(steps, 3);
    const Search from_walk = upper_.secant_bisection(a, b);
    const Search from_bracket = upper_.secant_bisection(walked, b);
    EXPECT_EQ(from_walk.x, from_bracket.x);
    EXPECT_EQ(from_walk.resid, from_bracket.resid);
    EXPECT_EQ(from_walk.count, from_bracket.count + steps);

    // Upward: both below; x1 goes up by 1% of |x1| five times.
    double up = 2.6;
    steps = 0;
    while (up < root_) {
        up = up + std::fabs(up) * kStep001;
        ++steps;
    }
    ASSERT_EQ(steps, 5);
    const Search from_up = upper_.secant_bisection(2.5, 2.6);
    const Search from_up_bracket = upper_.secant_bisection(2.5, up);
    EXPECT_EQ(from_up.x, from_up_bracket.x);
    EXPECT_EQ(from_up.count, from_up_bracket.count + steps);
    EXPECT_EQ(from_up.text, "");
}

TEST_F(RootFinders, OnlyBisectionDoesNotCountItsWalks) {
    // Downward by 0.5 twice, upward by 0.5 once.
    const Search down = upper_.only_bisection(root_ + 0.9, root_ + 1.2);
    const Search down_bracket = upper_.only_bisection(root_ + 0.9 - 0.5 - 0.5, root_ + 1.2);
    EXPECT_EQ(down.x, down_bracket.x);
    EXPECT_EQ(down.count, down_bracket.count);
    const Search up = upper_.only_bisection(2.5, 2.55);
    const Search up_bracket = upper_.only_bisection(2.5, 2.55 + 0.5);
    EXPECT_EQ(up.x, up_bracket.x);
    EXPECT_EQ(up.count, up_bracket.count);
    EXPECT_NEAR(up.x, root_, 1e-8);
}

TEST_F(RootFinders, RootMetByTheBisectionWalkHasCountMinusOne) {
    // Lower limit, nu = 2, eta = 1, level 0.95: G rises through q near -0.976.
    const Problem lower{1, 0.95, 2.0, 1.0};
    const double root = lower.secant(-1.1, -0.9, 200, 1e-14).x;
    ASSERT_NEAR(root, -0.976289, 1e-5);
    // x1 = root - 1 walks up by 0.5 twice and lands on the root.
    const Search s = lower.only_bisection(-1.5, root - 1.0, 200, 1e-10, 1e-6);
    EXPECT_EQ(s.count, -1);
    EXPECT_EQ(s.x, root - 1.0 + 0.5 + 0.5);
    EXPECT_LE(std::fabs(s.resid), 1e-6);
    EXPECT_EQ(s.text, "");
}

TEST_F(RootFinders, MaxitTwoMakesOneSecantStepAndOneBisectionStep) {
    // A bracket: one secant step, then the bisection-only search halves the
    // new bracket once and gives up.
    const double a = 2.6, b = 2.9;
    const double ra = upper_.r(a), rb = upper_.r(b);
    ASSERT_LT(ra, 0.0);
    ASSERT_GT(rb, 0.0);
    const double xn = b - rb * (b - a) / (rb - ra);
    const double mid = upper_.r(xn) < 0.0 ? (xn + b) * 0.5 : (a + xn) * 0.5;
    const Search s = upper_.secant_bisection(a, b, 2);
    EXPECT_EQ(s.text, " Method (Only Bisection) failed...\n");
    EXPECT_EQ(s.count, 3);
    EXPECT_EQ(s.x, mid);
    EXPECT_EQ(s.resid, upper_.r(mid));

    // A walk step uses up the evaluations: no secant step at all.
    const double c = root_ + 0.05, d = root_ + 0.3;
    const Search w = upper_.secant_bisection(c, d, 2);
    EXPECT_EQ(w.text, " Method (Only Bisection) failed...\n");
    EXPECT_EQ(w.count, 3);
    EXPECT_EQ(w.x, ((c - kStep01) + d) * 0.5);
}

TEST_F(RootFinders, UpwardWalkFromZeroHandsOverToBisection) {
    // Upper limit, nu = 2, eta = 1, level 0.1: root near 0.47, r(0) < 0. A step
    // of 1% of |0| never moves; the bisection-only walk of 0.5 does.
    const Problem p{2, 0.1, 2.0, 1.0};
    const double root = p.secant(0.3, 0.6, 200, 1e-14).x;
    ASSERT_LT(p.r(0.0), 0.0);
    ASSERT_LT(p.r(-0.25), p.r(0.0));
    const Search s = p.secant_bisection(-0.25, 0.0);
    EXPECT_EQ(s.text, " Upward walk cannot move in SecantBis...  Using bisection\n");
    EXPECT_NEAR(s.x, root, 1e-9);
    EXPECT_EQ(s, p.secant(-0.25, 0.0));
}

TEST_F(RootFinders, DownwardWalkReachingMaxitHandsOverToBisection) {
    // 1.5 above the root needs 15 steps of 0.1; maxit = 10 allows 9.
    const Search s = upper_.secant_bisection(root_ + 1.5, root_ + 1.7, 10);
    EXPECT_EQ(s.text.rfind(" Downward walk reached MaxIter in SecantBis...  Using bisection\n", 0),
              0u)
        << s.text;
    EXPECT_LE(s.count, 11);
    EXPECT_LT(std::fabs(s.x - root_), 0.01);
}

TEST_F(RootFinders, WalksThatNeverBracketEndWithTheirRecord) {
    // Level 1.5 with nu = 2: G - q stays positive however far x0 walks down.
    const Problem above{1, 1.5, 2.0, 1.0};
    const Search s = above.secant_bisection(-0.5, 0.5, 50);
    EXPECT_NE(s.text.find(" Downward walk reached MaxIter in SecantBis...  Using bisection\n"),
              std::string::npos)
        << s.text;
    EXPECT_NE(s.text.find(" Downward walk stopped after MaxIter steps in OnlyBisection... x,r "),
              std::string::npos)
        << s.text;
    EXPECT_GT(s.resid, 0.0);
    EXPECT_EQ(s.resid, above.r(s.x));

    // Level 1.5 with nu = 5: no window can be placed anywhere, every G fails;
    // the upward walks bisect towards the failures until they cannot move.
    const Problem failing{1, 1.5, 5.0, 1.0};
    const Search f = failing.secant_bisection(0.5, 1.0, 200);
    EXPECT_NE(f.text.find("in SecantBis...  Using bisection\n"), std::string::npos) << f.text;
    EXPECT_NE(f.text.find("in OnlyBisection... x,r "), std::string::npos) << f.text;
    EXPECT_EQ(f.resid, -8000000.0 - 1.5);

    // The bisection-only walks alone, with their own bound.
    const Search b = above.only_bisection(-0.5, 0.5, 20);
    EXPECT_EQ(b.text.rfind(" Downward walk stopped after MaxIter steps in OnlyBisection... x,r ",
                           0),
              0u)
        << b.text;
    EXPECT_EQ(b.count, 2);

    // G that yields no numbers (eta = 0) ends at once.
    const Problem nan_g{1, 0.95, 5.0, 0.0};
    const Search n = nan_g.secant_bisection(0.5, 1.0);
    EXPECT_TRUE(std::isnan(n.resid));
    // and no point is passed off as a root: the limit built from it is no number
    EXPECT_TRUE(std::isnan(n.x)) << n.x;
    const Search b2 = nan_g.only_bisection(0.5, 1.0);
    EXPECT_TRUE(std::isnan(b2.resid));
    EXPECT_TRUE(std::isnan(b2.x)) << b2.x;
}

// ---- the driver ----

namespace {

struct Limits {
    double lower, hlower, upper, hupper, elapsed;
    int nlower, nupper;
    std::string text;
    ControlParms control;  // the context's control block after the call
};

Limits twotail(double muhat, double s, double df, double alpha, double lambda, double gamma2,
               double ftolx = 1e-8, double ftolr = 0.0) {
    ts::TestContext tc;
    Limits l{};
    tc.control() = ControlParms{1.0, 2.0, 3.0, 4};
    Twotail(muhat, s, df, alpha, lambda, gamma2, 800.0, ftolx, ftolr, 200, l.lower, l.hlower,
            l.upper, l.hupper, l.elapsed, l.nlower, l.nupper, tc);
    l.text = tc.text();
    l.control = tc.control();
    return l;
}

}  // namespace

TEST(Twotail, StandardisedCaseAndControlBlock) {
    const Limits l = twotail(0.0, 1.0, 5.0, 0.95, 0.5, 6.0);
    EXPECT_EQ(l.control.BesselMaxArg, 800.0);
    EXPECT_EQ(l.control.FunctionTol, 1e-8);
    EXPECT_EQ(l.control.ResultTol, 0.0);
    EXPECT_EQ(l.control.MaxIter, 200);
    EXPECT_EQ(l.text, "");
    // eta = s: each limit is 0.5 s^2 plus a multiple of s, and is the root itself.
    EXPECT_NEAR(l.lower, 0.5 + std::sqrt(6.0 / 5.0) / std::sqrt(6.0) * l.hlower, 1e-15);
    EXPECT_NEAR(l.upper, 2.7128987, 1e-6);
    EXPECT_LT(l.lower, l.upper);
    EXPECT_GE(l.elapsed, 0.0);
    EXPECT_GT(l.nlower, 0);
    EXPECT_GT(l.nupper, 0);
}

// mu + lambda sigma^2 of the data (ybar, s) is minus mu' - lambda sigma^2 of
// the data (-ybar, s): the interval for a negative lambda is the mirror image
// of that for -lambda at -ybar, at the same level, bit for bit (the searches
// are the same; only their roots change places and sign).
TEST(Twotail, NegativeLambdaGivesTheMirrorImageInterval) {
    struct Case {
        double ybar, s, df, alpha, lambda, gamma2;
    };
    for (const Case& c : {Case{1.0, 1.0, 5.0, 0.95, -0.5, 6.0}, Case{-0.3, 0.4272, 14.0, 0.9, -1.0, 1.0},
                          Case{2.0, 3.0, 30.0, 0.5, -0.25, 300.0}, Case{0.0, 0.2, 2.0, 0.99, -2.0, 2.0}}) {
        const Limits neg = twotail(c.ybar, c.s, c.df, c.alpha, c.lambda, c.gamma2);
        const Limits pos = twotail(-c.ybar, c.s, c.df, c.alpha, -c.lambda, c.gamma2);
        const std::string tag = "alpha " + std::to_string(c.alpha) + " lambda " + std::to_string(c.lambda);
        EXPECT_LT(neg.lower, neg.upper) << tag;
        EXPECT_EQ(ts::bits(neg.lower), ts::bits(-pos.upper)) << tag;
        EXPECT_EQ(ts::bits(neg.upper), ts::bits(-pos.lower)) << tag;
        EXPECT_EQ(ts::bits(neg.hlower), ts::bits(pos.hupper)) << tag;
        EXPECT_EQ(ts::bits(neg.hupper), ts::bits(pos.hlower)) << tag;
        EXPECT_EQ(neg.nlower, pos.nupper) << tag;
        EXPECT_EQ(neg.nupper, pos.nlower) << tag;
        // The factors are applied with the sign of lambda.
        const double c1 = std::sqrt((c.df + 1.0) / c.df) * (c.s / std::sqrt(c.gamma2));
        const double centre = c.lambda * c.s * c.s + c.ybar;
        EXPECT_DOUBLE_EQ(neg.lower, centre - c1 * neg.hlower) << tag;
        EXPECT_DOUBLE_EQ(neg.upper, centre - c1 * neg.hupper) << tag;
    }
}

TEST(Twotail, FractionalDfTruncatesForTheSearchOnly) {
    const Limits frac = twotail(0.0, 1.0, 9.7, 0.9, 0.5, 10.0);
    const Limits whole = twotail(0.0, 1.0, 9.0, 0.9, 0.5, 10.0);
    EXPECT_EQ(frac.hlower, whole.hlower);
    EXPECT_EQ(frac.hupper, whole.hupper);
    const double g = std::sqrt(10.0);
    EXPECT_DOUBLE_EQ(frac.lower, 0.5 + std::sqrt(10.7 / 9.7) * (1.0 / g) * frac.hlower);
}

TEST(Twotail, RefusesLambdaZeroAndTooFewDegreesOfFreedom) {
    const Limits l0 = twotail(0.0, 1.0, 5.0, 0.95, 0.0, 6.0);
    EXPECT_TRUE(std::isnan(l0.lower));
    EXPECT_TRUE(std::isnan(l0.upper));
    EXPECT_EQ(l0.nlower, 0);
    EXPECT_EQ(l0.text.rfind(" Twotail: eta=2|lambda|*gamma*s/sqrt(df+1) is not positive,", 0),
              0u)
        << l0.text;
    for (double df : {1.9, 1.0, 0.5, -2.0}) {
        const Limits l = twotail(0.0, 1.0, df, 0.95, 0.5, df + 1.0);
        EXPECT_TRUE(std::isnan(l.lower)) << df;
        EXPECT_TRUE(std::isnan(l.hupper)) << df;
        EXPECT_EQ(l.text.rfind(" Twotail: df below 2, no two-sided limits for df =", 0), 0u)
            << l.text;
    }
}

// ---- the limits against an independent solution ----

namespace {

void check_grid(const std::vector<double>& dfs, const std::vector<double>& sds,
                const std::vector<double>& alphas, double ftolx) {
    double worst = 0.0;
    std::string where;
    for (double df : dfs) {
        for (double s : sds) {
            for (double alpha : alphas) {
                const Limits l = twotail(0.0, s, df, alpha, 0.5, df + 1.0, ftolx, 0.0);
                char tag[96];
                std::snprintf(tag, sizeof tag, "df=%g s=%g alpha=%g", df, s, alpha);
                EXPECT_LT(l.lower, l.upper) << tag;
                // In the standardised case each limit is the root itself.
                const oracle::Disagreement dl = oracle::judge(l.lower, alpha, 1, df, s, ftolx);
                const oracle::Disagreement du = oracle::judge(l.upper, alpha, 2, df, s, ftolx);
                for (const auto& [d, side] : {std::pair{dl, "lower"}, std::pair{du, "upper"}}) {
                    EXPECT_LE(std::fabs(d.residual), d.allowed) << tag << " " << side;
                    if (!(std::fabs(d.residual) <= worst)) {
                        worst = std::fabs(d.residual);
                        where = std::string(tag) + " " + side;
                    }
                }
            }
        }
    }
    std::printf("FunctionTol %g: worst |G - level| %.3g at %s\n", ftolx, worst, where.c_str());
}

}  // namespace

TEST(TwotailOracle, LimitsSolveTheirEquationsOnAModestGrid) {
    ts::TestContext tc;
    check_grid({2, 3, 5, 10, 100, 1000}, {0.1, 1, 10}, {0.001, 0.5, 0.95, 0.999}, 1e-8);
}

// With two degrees of freedom and a small s the closed forms of G cancelled:
// s = 1e-6 gave the factors -4.6547 and 2.6064, s = 1e-8 an upper "limit"
// of -470. As s falls the factors tend to those of the normal-theory
// interval, +-3.5131012 at alpha = 0.95; FunctionTol, an absolute
// tolerance on the search variable (of the order of s), scales with s.
TEST(Twotail, TwoDegreesOfFreedomWithATinyStandardDeviation) {
    ts::TestContext tc;
    for (double s : {1e-6, 1e-8, 1e-10}) {
        SCOPED_TRACE(s);
        const Limits l = twotail(0.0, s, 2.0, 0.95, 0.5, 3.0, s * 1e-2);
        EXPECT_NEAR(l.hlower, -3.5131012, 1e-5);
        EXPECT_NEAR(l.hupper, 3.5131012, 1e-5);
        EXPECT_EQ(l.text.find("Failed"), std::string::npos) << l.text;
    }
}
