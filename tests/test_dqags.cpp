// The adapted QAGS integrator: results, evaluation counts, QUADPACK's ier codes
// and the "ier,lvl: " record, and the context values handed to the integrand.
#include <gsl/gsl_errno.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "dqags.h"
#include "test_support.h"

namespace {

// The integrands below read their shape from `which` and their parameter from mu.
double shape(int which, double x, double mu, double, double, double, double, double, double) {
    switch (which) {
        case 0: return x * x;
        case 1: return std::pow(x, 19);
        case 2: return 3.0 * x * x * x - x + 2.0;
        case 3: return 1.0 / std::sqrt(x);
        case 4: return x < 1.0 / 3.0 ? 0.0 : 1.0;
        case 5: return 1.0 / x;
        case 6: return std::log(x) / std::sqrt(x);
        case 7: return 1.0 / std::fabs(x - 1.0 / 3.0);
        case 8: return std::pow(x, mu);
        default: return 0.0;
    }
}

struct Outcome {
    double result = -1.0;
    double abserr = -1.0;
    int neval = -1;
    int ier = -1;
    int last = -1;
    std::string record;
};

Outcome integrate(int which, double a, double b, double epsabs, double epsrel = 0.0,
                  double mu = 0.0, int limit = 200, int lenw = 800) {
    ts::CaptureSink capture;
    Outcome o;
    dqags(&shape, which, mu, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, a, b, epsabs, epsrel, o.result,
          o.abserr, o.neval, o.ier, limit, lenw, o.last);
    o.record = capture.text();
    return o;
}

// One 21-point rule over the whole range, then two per bisection.
void expect_kronrod_count(const Outcome& o) {
    EXPECT_GE(o.neval, 21);
    EXPECT_EQ(o.neval, 42 * o.last - 21);
}

}  // namespace

TEST(Dqags, SmoothIntegrandsTakeOneRule) {
    // Both the 10-point Gauss rule and its 21-point Kronrod extension are exact up to
    // degree 19, so their difference, the error estimate, vanishes.
    Outcome sq = integrate(0, 0.0, 1.0, 1e-10);
    EXPECT_NEAR(sq.result, 1.0 / 3.0, 1e-15);
    Outcome high = integrate(1, 0.0, 1.0, 1e-10);
    EXPECT_NEAR(high.result, 1.0 / 20.0, 1e-15);
    Outcome cubic = integrate(2, -1.0, 2.0, 1e-10);
    EXPECT_NEAR(cubic.result, 3.0 * 15.0 / 4.0 - 1.5 + 6.0, 1e-13);
    for (const Outcome* o : {&sq, &high, &cubic}) {
        EXPECT_EQ(o->ier, 0);
        EXPECT_EQ(o->neval, 21);
        EXPECT_EQ(o->last, 1);
        EXPECT_EQ(o->record, "");  // a normal return writes nothing
    }
}

TEST(Dqags, EndPointSingularityIsExtrapolated) {
    Outcome o = integrate(3, 0.0, 1.0, 1e-10);
    EXPECT_EQ(o.ier, 0);
    EXPECT_NEAR(o.result, 2.0, 1e-12);
    EXPECT_LE(o.abserr, 1e-10);
    EXPECT_GT(o.neval, 21);
    expect_kronrod_count(o);
    // x^-0.9: a stronger singularity, integral 10, still met by extrapolation.
    Outcome strong = integrate(8, 0.0, 1.0, 1e-10, 0.0, -0.9);
    EXPECT_EQ(strong.ier, 0);
    EXPECT_NEAR(strong.result, 10.0, 1e-9);
    expect_kronrod_count(strong);
}

TEST(Dqags, JumpInsideTheRange) {
    Outcome o = integrate(4, 0.0, 1.0, 1e-8);
    EXPECT_EQ(o.ier, 0);
    EXPECT_NEAR(o.result, 2.0 / 3.0, 1e-8);
    EXPECT_GT(o.neval, 21);
    expect_kronrod_count(o);
}

TEST(Dqags, ContextValuesReachEveryEvaluationUnchanged) {
    struct Seen {
        int which;
        double x, mu, sigma, lambda, df, alpha, ftol, rtol;
    };
    static std::vector<Seen> seen;
    seen.clear();
    auto spy = [](int which, double x, double mu, double sigma, double lambda, double df,
                  double alpha, double ftol, double rtol) {
        seen.push_back({which, x, mu, sigma, lambda, df, alpha, ftol, rtol});
        return std::exp(x) * sigma;
    };
    const double tiny = 4.9e-324;  // the smallest subnormal
    double result = 0, abserr = 0;
    int neval = 0, ier = -1, last = 0;
    dqags(spy, -7, -0.0, 2.5, tiny, 1e300, 0.123456789012345678, 1e-8, -3.0, 0.25, 0.75, 1e-12,
          0.0, result, abserr, neval, ier, 200, 800, last);
    EXPECT_EQ(ier, 0);
    EXPECT_NEAR(result, 2.5 * (std::exp(0.75) - std::exp(0.25)), 1e-12);
    ASSERT_EQ(static_cast<int>(seen.size()), neval);
    auto same = [](double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; };
    for (const Seen& s : seen) {
        EXPECT_EQ(s.which, -7);
        EXPECT_TRUE(same(s.mu, -0.0));
        EXPECT_TRUE(same(s.sigma, 2.5));
        EXPECT_TRUE(same(s.lambda, tiny));
        EXPECT_TRUE(same(s.df, 1e300));
        EXPECT_TRUE(same(s.alpha, 0.123456789012345678));
        EXPECT_TRUE(same(s.ftol, 1e-8));
        EXPECT_TRUE(same(s.rtol, -3.0));
        // The Gauss-Kronrod rules never evaluate at an end of the range.
        EXPECT_GT(s.x, 0.25);
        EXPECT_LT(s.x, 0.75);
    }
}

TEST(Dqags, InvalidInputComputesNothing) {
    // No absolute tolerance and no usable relative one; a limit out of range; a short work array.
    struct Case {
        double epsabs, epsrel;
        int limit, lenw;
    } cases[] = {{0.0, 0.0, 200, 800},   {-1.0, 0.0, 200, 800}, {0.0, 1e-15, 200, 800},
                 {1e-6, 0.0, 0, 800},    {1e-6, 0.0, 201, 804}, {1e-6, 0.0, 200, 799}};
    for (const Case& c : cases) {
        Outcome o = integrate(0, 0.0, 1.0, c.epsabs, c.epsrel, 0.0, c.limit, c.lenw);
        EXPECT_EQ(o.ier, 6);
        EXPECT_EQ(o.result, 0.0);
        EXPECT_EQ(o.abserr, 0.0);
        EXPECT_EQ(o.neval, 0);
        EXPECT_EQ(o.last, 0);
        EXPECT_EQ(o.record, " ier,lvl:  6 1\n");
    }
    // A relative tolerance of 50 machine epsilons is enough on its own.
    Outcome ok = integrate(0, 0.0, 1.0, 0.0, 1.2e-14);
    EXPECT_EQ(ok.ier, 0);
    EXPECT_NEAR(ok.result, 1.0 / 3.0, 1e-15);
}

TEST(Dqags, AbnormalReturnsGiveQuadpackCodes) {
    // 1/x over [0, 1] diverges logarithmically: the 200 subintervals run out first,
    // after exactly 42*200 - 21 evaluations.
    Outcome limit = integrate(5, 0.0, 1.0, 1e-10);
    EXPECT_EQ(limit.ier, 1);
    EXPECT_EQ(limit.neval, 8379);
    EXPECT_EQ(limit.last, 200);
    EXPECT_EQ(limit.record, " ier,lvl:  1 0\n");
    // A smaller limit is honoured the same way: 3 subintervals.
    Outcome three = integrate(3, 0.0, 1.0, 1e-14, 0.0, 0.0, 3, 12);
    EXPECT_EQ(three.ier, 1);
    EXPECT_EQ(three.neval, 105);
    EXPECT_EQ(three.last, 3);
    // A limit of 1 is reported as reached even when the one rule converged.
    Outcome one = integrate(0, 0.0, 1.0, 1e-10, 0.0, 0.0, 1, 4);
    EXPECT_EQ(one.ier, 1);
    EXPECT_EQ(one.neval, 21);
    EXPECT_NEAR(one.result, 1.0 / 3.0, 1e-15);

    struct Case {
        int which;
        double mu, epsabs;
        int ier;
        double value;  // the integral where it is finite
    } cases[] = {
        {6, 0.0, 1e-14, 2, -4.0},     // round-off keeps the sum from the tolerance
        {7, 0.0, 1e-10, 3, NAN},      // non-integrable pole inside the range
        {8, -0.99, 1e-12, 4, 100.0},  // round-off in the extrapolation table
        {8, -1.1, 1e-12, 5, NAN},     // divergent
    };
    for (const Case& c : cases) {
        Outcome o = integrate(c.which, 0.0, 1.0, c.epsabs, 0.0, c.mu);
        EXPECT_EQ(o.ier, c.ier) << "integrand " << c.which << " mu " << c.mu;
        EXPECT_EQ(o.record, " ier,lvl:  " + std::to_string(c.ier) + " 0\n");
        expect_kronrod_count(o);
        // Codes 2 and 4 still come with a usable result.
        if (!std::isnan(c.value)) {
            EXPECT_NEAR(o.result, c.value, 1e-9);
        }
    }
}

TEST(Dqags, LeavesTheCallersGslHandlerInPlace) {
    static int calls = 0;
    gsl_error_handler_t* mine = [](const char*, const char*, int, int) { ++calls; };
    gsl_error_handler_t* before = gsl_set_error_handler(mine);
    Outcome o = integrate(0, 0.0, 1.0, 0.0);  // GSL raises an error inside
    EXPECT_EQ(o.ier, 6);
    EXPECT_EQ(calls, 0);  // the error went to the integrator's own handler
    EXPECT_EQ(gsl_set_error_handler(before), mine);
}
