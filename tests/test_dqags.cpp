// The QAGS integrator: QUADPACK's own results, error codes and evaluation counts,
// GSL's QAGS as an independent oracle where the two agree, and the program's
// adaptation (a function with its parameters, the "ier,lvl: " record).
#include <gsl/gsl_errno.h>
#include <gsl/gsl_integration.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "Kestrin.h"
#include "control.h"
#include "dqags.h"
#include "test_support.h"

namespace {

enum Shape {
    Square,         // x^2
    Power19,        // x^19
    Cubic,          // 3x^3 - x + 2
    InvSqrt,        // x^-1/2
    Jump,           // 0 below 1/3, 1 above
    Reciprocal,     // 1/x
    LogInvSqrt,     // log(x)/sqrt(x)
    Pole,           // 1/|x - 1/3|
    Power,          // x^mu
    Steps,          // number of i in 1..mu with x > frac(0.6180339887498949 i)
    Kinks,          // sum of |x - i/26 - 0.01| over i = 1..25
    Exp,            // e^x
    Oscillating,    // cos(mu x)
    Lorentz,        // 1/(1e-4 + (x - 0.3)^2)
    Log,            // log x
    SqrtLog,        // sqrt(x) log x
    ExpInvSqrt,     // e^-x / sqrt(x)
    NotANumber,     // NaN everywhere
    InfiniteAtHalf,           // 1, but +inf at 1/2
    InfiniteAtThreeQuarters,  // 1, but +inf at 3/4
    InfiniteAboveHalf,        // 1, but +inf above 1/2
    LogPole,        // 1/(x (-log x)^mu)
};

double value(int shape, double x, double mu) {
    switch (shape) {
        case Square: return x * x;
        case Power19: return std::pow(x, 19);
        case Cubic: return 3.0 * x * x * x - x + 2.0;
        case InvSqrt: return 1.0 / std::sqrt(x);
        case Jump: return x < 1.0 / 3.0 ? 0.0 : 1.0;
        case Reciprocal: return 1.0 / x;
        case LogInvSqrt: return std::log(x) / std::sqrt(x);
        case Pole: return 1.0 / std::fabs(x - 1.0 / 3.0);
        case Power: return std::pow(x, mu);
        case Steps: {
            int count = 0;
            for (int i = 1; i <= static_cast<int>(mu); ++i) {
                double t = 0.6180339887498949 * i;
                if (x > t - std::floor(t)) ++count;
            }
            return count;
        }
        case Kinks: {
            double sum = 0.0;
            for (int i = 1; i <= 25; ++i) sum += std::fabs(x - i / 26.0 - 0.01);
            return sum;
        }
        case Exp: return std::exp(x);
        case Oscillating: return std::cos(mu * x);
        case Lorentz: return 1.0 / (1e-4 + (x - 0.3) * (x - 0.3));
        case Log: return std::log(x);
        case SqrtLog: return std::sqrt(x) * std::log(x);
        case ExpInvSqrt: return std::exp(-x) / std::sqrt(x);
        case NotANumber: return std::nan("");
        case InfiniteAtHalf: return x == 0.5 ? HUGE_VAL : 1.0;
        case InfiniteAtThreeQuarters: return x == 0.75 ? HUGE_VAL : 1.0;
        case InfiniteAboveHalf: return x > 0.5 ? HUGE_VAL : 1.0;
        case LogPole: return 1.0 / (x * std::pow(-std::log(x), mu));
        default: return 0.0;
    }
}

// Every evaluation made through dqags, for the count.
int evaluations = 0;

// The integrands: a shape and its parameter mu.
struct Shaped {
    int which;
    double mu;
    double operator()(double x) const {
        ++evaluations;
        return value(which, x, mu);
    }
};

struct Outcome {
    double result = -1.0;
    double abserr = -1.0;
    int neval = -1;
    int ier = -1;
    int last = -1;
    int calls = -1;  // evaluations actually made
    std::string record;
};

Outcome integrate(int which, double a, double b, double epsabs, double epsrel = 0.0,
                  double mu = 0.0, int limit = 200, int lenw = 800) {
    Outcome o;
    evaluations = 0;
    Shaped f{which, mu};
    dqags(dqags_function(f), a, b, epsabs, epsrel, o.result, o.abserr, o.neval, o.ier, limit, lenw,
          o.last);
    o.calls = evaluations;
    o.record = dqags_record(o.ier);
    return o;
}

// One 21-point rule over the whole range, then two per bisection; the count
// reported is the count made.
void expect_kronrod_count(const Outcome& o) {
    EXPECT_GE(o.neval, 21);
    EXPECT_EQ(o.neval, 42 * o.last - 21);
    EXPECT_EQ(o.neval, o.calls);
}

std::string record_of(int ier) {
    return " ier,lvl:  " + std::to_string(ier) + (ier == 6 ? " 1\n" : " 0\n");
}

}  // namespace

TEST(Dqags, SmoothIntegrandsTakeOneRule) {
    // Both the 10-point Gauss rule and its 21-point Kronrod extension are exact up to
    // degree 19, so their difference, the error estimate, vanishes.
    Outcome sq = integrate(Square, 0.0, 1.0, 1e-10);
    EXPECT_NEAR(sq.result, 1.0 / 3.0, 1e-15);
    Outcome high = integrate(Power19, 0.0, 1.0, 1e-10);
    EXPECT_NEAR(high.result, 1.0 / 20.0, 1e-15);
    Outcome cubic = integrate(Cubic, -1.0, 2.0, 1e-10);
    EXPECT_NEAR(cubic.result, 3.0 * 15.0 / 4.0 - 1.5 + 6.0, 1e-13);
    for (const Outcome* o : {&sq, &high, &cubic}) {
        EXPECT_EQ(o->ier, 0);
        EXPECT_EQ(o->neval, 21);
        EXPECT_EQ(o->calls, 21);
        EXPECT_EQ(o->last, 1);
        EXPECT_EQ(o->record, "");  // a normal return writes nothing
    }
}

TEST(Dqags, EndPointSingularityIsExtrapolated) {
    Outcome o = integrate(InvSqrt, 0.0, 1.0, 1e-10);
    EXPECT_EQ(o.ier, 0);
    EXPECT_NEAR(o.result, 2.0, 1e-12);
    EXPECT_LE(o.abserr, 1e-10);
    EXPECT_GT(o.neval, 21);
    expect_kronrod_count(o);
    // x^-0.9: a stronger singularity, integral 10, still met by extrapolation.
    Outcome strong = integrate(Power, 0.0, 1.0, 1e-10, 0.0, -0.9);
    EXPECT_EQ(strong.ier, 0);
    EXPECT_NEAR(strong.result, 10.0, 1e-9);
    expect_kronrod_count(strong);
}

TEST(Dqags, JumpInsideTheRange) {
    Outcome o = integrate(Jump, 0.0, 1.0, 1e-8);
    EXPECT_EQ(o.ier, 0);
    EXPECT_NEAR(o.result, 2.0 / 3.0, 1e-8);
    EXPECT_GT(o.neval, 21);
    expect_kronrod_count(o);
}

// Results of QUADPACK's own routines (epsrel 0, limit 200, over [0, 1]), to the last
// bit and evaluation. Each rests on details where reworkings of QAGS part from it:
// the limit test coming before the tolerance test, the error-ordered list kept
// within the limit, intervals too small to bisect judged by their length.
TEST(Dqags, QuadpacksOwnResults) {
    Outcome steps15 = integrate(Steps, 0.0, 1.0, 1e-7, 0.0, 15.0);
    EXPECT_EQ(steps15.ier, 1);
    EXPECT_EQ(steps15.neval, 8379);
    EXPECT_EQ(steps15.result, 7.8355351635711008);
    EXPECT_EQ(steps15.record, record_of(1));

    Outcome steps24 = integrate(Steps, 0.0, 1.0, 1e-4, 0.0, 24.0);
    EXPECT_EQ(steps24.ier, 1);
    EXPECT_EQ(steps24.neval, 8379);
    EXPECT_EQ(steps24.result, 11.588642692491847);

    Outcome kinks = integrate(Kinks, 0.0, 1.0, 1e-4);
    EXPECT_EQ(kinks.ier, 2);
    EXPECT_EQ(kinks.neval, 1785);
    EXPECT_EQ(kinks.result, 8.1755782700995372);
    EXPECT_EQ(kinks.record, record_of(2));

    for (const Outcome* o : {&steps15, &steps24, &kinks}) expect_kronrod_count(*o);
}

TEST(Dqags, ParametersReachEveryEvaluationUnchanged) {
    // What the integrand reads besides x travels with it, never through the
    // integrator: the very object, each time.
    struct Spy {
        double sigma;
        std::vector<std::pair<double, const Spy*>> seen;
        double operator()(double x) {
            seen.push_back({x, this});
            return std::exp(x) * sigma;
        }
    } spy{2.5, {}};
    double result = 0, abserr = 0;
    int neval = 0, ier = -1, last = 0;
    dqags(dqags_function(spy), 0.25, 0.75, 1e-12, 0.0, result, abserr, neval, ier, 200, 800, last);
    EXPECT_EQ(ier, 0);
    EXPECT_NEAR(result, 2.5 * (std::exp(0.75) - std::exp(0.25)), 1e-12);
    ASSERT_EQ(static_cast<int>(spy.seen.size()), neval);
    struct Seen {
        double x;
    };
    std::vector<Seen> seen;
    for (const auto& [x, who] : spy.seen) {
        EXPECT_EQ(who, &spy);
        seen.push_back({x});
    }
    for (const Seen& s : seen) {
        // The Gauss-Kronrod rules never evaluate at an end of the range.
        EXPECT_GT(s.x, 0.25);
        EXPECT_LT(s.x, 0.75);
    }
    // The first rule: the centre, then the Gauss points, then the Kronrod points.
    ASSERT_GE(seen.size(), 21u);
    EXPECT_EQ(seen[0].x, 0.5);
    EXPECT_LT(seen[1].x, 0.5);
    EXPECT_EQ(seen[1].x + seen[2].x, 1.0);
}

TEST(Dqags, InvalidInputComputesNothing) {
    // No absolute tolerance and no usable relative one; a limit out of range (the
    // lists hold 200 subintervals); a short work length.
    struct Case {
        double epsabs, epsrel;
        int limit, lenw;
    } cases[] = {{0.0, 0.0, 200, 800},  {-1.0, 0.0, 200, 800}, {0.0, 1e-15, 200, 800},
                 {1e-6, 0.0, 0, 800},   {1e-6, 0.0, 201, 804}, {1e-6, 0.0, 200, 799},
                 {1e-6, 0.0, -5, 800},  {1e-6, 0.0, 2147483647, 2147483647}};
    for (const Case& c : cases) {
        Outcome o = integrate(Square, 0.0, 1.0, c.epsabs, c.epsrel, 0.0, c.limit, c.lenw);
        EXPECT_EQ(o.ier, 6);
        EXPECT_EQ(o.result, 0.0);
        EXPECT_EQ(o.abserr, 0.0);
        EXPECT_EQ(o.neval, 0);
        EXPECT_EQ(o.calls, 0);
        EXPECT_EQ(o.last, 0);
        EXPECT_EQ(o.record, " ier,lvl:  6 1\n");
    }
    // A relative tolerance of 50 machine epsilons is enough on its own.
    Outcome ok = integrate(Square, 0.0, 1.0, 0.0, 1.2e-14);
    EXPECT_EQ(ok.ier, 0);
    EXPECT_NEAR(ok.result, 1.0 / 3.0, 1e-15);
}

TEST(Dqags, TheLimitEndsTheBisectionBeforeAnyTolerance) {
    // 1/x over [0, 1] diverges logarithmically: the 200 subintervals run out first,
    // after exactly 42*200 - 21 evaluations.
    Outcome limit = integrate(Reciprocal, 0.0, 1.0, 1e-10);
    EXPECT_EQ(limit.ier, 1);
    EXPECT_EQ(limit.neval, 8379);
    EXPECT_EQ(limit.last, 200);
    EXPECT_EQ(limit.record, " ier,lvl:  1 0\n");
    expect_kronrod_count(limit);
    // A smaller limit is honoured the same way: 3 subintervals.
    Outcome three = integrate(InvSqrt, 0.0, 1.0, 1e-14, 0.0, 0.0, 3, 12);
    EXPECT_EQ(three.ier, 1);
    EXPECT_EQ(three.neval, 105);
    EXPECT_EQ(three.last, 3);
    // A limit of 1 is reported as reached even when the one rule converged.
    Outcome one = integrate(Square, 0.0, 1.0, 1e-10, 0.0, 0.0, 1, 4);
    EXPECT_EQ(one.ier, 1);
    EXPECT_EQ(one.neval, 21);
    EXPECT_NEAR(one.result, 1.0 / 3.0, 1e-15);

    // cos(100x) meets 1e-8 with its 8th subinterval. With a limit of 8 that same
    // bisection reaches the limit, which QUADPACK reports before it looks at the
    // tolerance: ier 1, with the very result of the normal return.
    Outcome free = integrate(Oscillating, 0.0, 1.0, 1e-8, 0.0, 100.0);
    EXPECT_EQ(free.ier, 0);
    EXPECT_EQ(free.last, 8);
    Outcome capped = integrate(Oscillating, 0.0, 1.0, 1e-8, 0.0, 100.0, 8, 32);
    EXPECT_EQ(capped.ier, 1);
    EXPECT_EQ(capped.neval, free.neval);
    EXPECT_EQ(capped.result, free.result);
    EXPECT_LE(capped.abserr, 1e-8);
    // The jump at 1/3 converges by extrapolation on its 5th subinterval; a limit of
    // 5 ends before the extrapolation, with the plain sum and its error.
    Outcome jump = integrate(Jump, 0.0, 1.0, 1e-8, 0.0, 0.0, 6, 24);
    EXPECT_EQ(jump.ier, 0);
    EXPECT_EQ(jump.neval, 189);
    Outcome cut = integrate(Jump, 0.0, 1.0, 1e-8, 0.0, 0.0, 5, 20);
    EXPECT_EQ(cut.ier, 1);
    EXPECT_EQ(cut.neval, 189);
    EXPECT_GT(std::fabs(cut.result - 2.0 / 3.0), 5e-4);
    EXPECT_GT(cut.abserr, 1e-3);
    // Below the limit, the count is 42k - 21 for every k.
    for (int k = 2; k <= 7; ++k) {
        Outcome o = integrate(Oscillating, 0.0, 1.0, 1e-8, 0.0, 100.0, k, 4 * k);
        EXPECT_EQ(o.ier, 1);
        EXPECT_EQ(o.last, k);
        expect_kronrod_count(o);
    }
}

TEST(Dqags, AbnormalReturnsGiveQuadpackCodes) {
    struct Case {
        Shape which;
        double mu, epsabs;
        int ier;
        double value;  // the integral where it is finite
    } cases[] = {
        {LogInvSqrt, 0.0, 1e-14, 2, -4.0},  // round-off keeps the sum from the tolerance
        {Exp, 0.0, 1e-20, 2, std::exp(1.0) - 1.0},  // ... already in the first rule
        {Pole, 0.0, 1e-10, 3, NAN},         // non-integrable pole inside the range
        {Power, -0.99, 1e-12, 4, 100.0},    // round-off in the extrapolation table
        {Power, -1.1, 1e-12, 5, NAN},       // divergent
    };
    for (const Case& c : cases) {
        Outcome o = integrate(c.which, 0.0, 1.0, c.epsabs, 0.0, c.mu);
        EXPECT_EQ(o.ier, c.ier) << "integrand " << c.which << " mu " << c.mu;
        EXPECT_EQ(o.record, record_of(c.ier));
        expect_kronrod_count(o);
        // Codes 2 and 4 still come with a usable result.
        if (!std::isnan(c.value)) {
            EXPECT_NEAR(o.result, c.value, 1e-9);
        }
    }
    EXPECT_EQ(integrate(Exp, 0.0, 1.0, 1e-20).neval, 21);
    // The interval around the pole is bisected until it is too short to bisect.
    Outcome pole = integrate(Pole, 0.0, 1.0, 1e-10);
    EXPECT_LT(pole.last, 200);
}

TEST(Dqags, NotANumberFailsEveryComparison) {
    // Every test on a NaN estimate fails, so each bisection counts as one that
    // changed nothing: the tenth makes it round-off, ier 2, after 11 subintervals.
    Outcome o = integrate(NotANumber, 0.0, 1.0, 1e-3);
    EXPECT_EQ(o.ier, 2);
    EXPECT_EQ(o.neval, 441);
    EXPECT_TRUE(std::isnan(o.result));
    expect_kronrod_count(o);
}

TEST(Dqags, InfiniteValuesNeverPassATolerance) {
    // An infinite value at the centre of the first rule, or on half the range:
    // the estimates turn NaN, and no test on them passes, not even against a
    // relative tolerance of an infinite sum.
    for (double epsrel : {0.0, 1e-6}) {
        double epsabs = epsrel == 0.0 ? 1e-6 : 0.0;
        Outcome centre = integrate(InfiniteAtHalf, 0.0, 1.0, epsabs, epsrel);
        EXPECT_EQ(centre.ier, 2);
        EXPECT_TRUE(std::isnan(centre.result));
        EXPECT_EQ(centre.record, record_of(2));
        Outcome half = integrate(InfiniteAboveHalf, 0.0, 1.0, epsabs, epsrel);
        EXPECT_EQ(half.ier, 2);
        EXPECT_TRUE(std::isnan(half.result));
        expect_kronrod_count(half);
    }
    // An infinite value at a point no rule uses is never seen.
    Outcome unseen = integrate(InfiniteAtThreeQuarters, 0.0, 1.0, 1e-6);
    EXPECT_EQ(unseen.ier, 0);
    EXPECT_EQ(unseen.result, 1.0);
}

// GSL's gsl_integration_qags is a separate implementation of QAGS. Where it and
// QUADPACK agree (well-behaved integrands that converge below the limit) the two
// must give the same result within 2 units in the last place (on this machine they
// are identical) and the same number of evaluations.
TEST(Dqags, AgreesWithGslOnWellBehavedIntegrands) {
    struct Case {
        Shape which;
        double mu, epsabs;
        double b = 1.0, epsrel = 0.0;
    } cases[] = {
        {Exp, 0.0, 1e-10},        {Oscillating, 10.0, 1e-10}, {Oscillating, 100.0, 1e-8},
        {Lorentz, 0.0, 1e-8},     {Power, 1.5, 1e-12},        {InvSqrt, 0.0, 1e-10},
        {InvSqrt, 0.0, 1e-3},     {Power, -0.9, 1e-10},       {Log, 0.0, 1e-10},
        {Log, 0.0, 1e-14},        {SqrtLog, 0.0, 1e-10},      {ExpInvSqrt, 0.0, 1e-10},
        {Jump, 0.0, 1e-8},        {Power, -1.0 / 3.0, 1e-12},
        // Its integral 1/(4 log^4 2) converges as 1/log^4 towards 0: the
        // bisection goes dozens of levels deep, each level adding an element to the
        // epsilon table, which fills up to its limit of 50 and is cut back.
        {LogPole, 5.0, 0.0, 0.5, 1e-10},
    };
    gsl_error_handler_t* previous = gsl_set_error_handler_off();
    gsl_integration_workspace* w = gsl_integration_workspace_alloc(200);
    ASSERT_NE(w, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "integrand " << c.which << " mu " << c.mu << " epsabs "
                                        << c.epsabs);
        Outcome o = integrate(c.which, 0.0, c.b, c.epsabs, c.epsrel, c.mu);
        EXPECT_EQ(o.ier, 0);
        expect_kronrod_count(o);

        struct Counted {
            const Case* c;
            int calls;
        } counted{&c, 0};
        gsl_function fn{[](double x, void* p) {
                            Counted& k = *static_cast<Counted*>(p);
                            ++k.calls;
                            return value(k.c->which, x, k.c->mu);
                        },
                        &counted};
        double result = 0.0, abserr = 0.0;
        int status =
            gsl_integration_qags(&fn, 0.0, c.b, c.epsabs, c.epsrel, 200, w, &result, &abserr);
        ASSERT_EQ(status, GSL_SUCCESS);
        EXPECT_LE(ts::ulps(o.result, result), 2.0);
        EXPECT_LE(ts::ulps(o.abserr, abserr), 2.0);
        EXPECT_EQ(o.neval, counted.calls);
    }
    gsl_integration_workspace_free(w);
    gsl_set_error_handler(previous);
}

// df 0 makes every coverage integrand NaN (the chi-square quantile over df): the
// integrator gives up with round-off after 441 evaluations, and says so.
TEST(Dqags, CoverageIntegralOfANanIntegrand) {
    ts::TestContext tc;
    int neval = -1;
    double r = adapquadforcriticalp(&criticalpnew, 2, 1e-3, 0.5, 0.0, 1.0, 0.5, 0.0, 0.9, 1e-3,
                                    1e-6, 0.0, neval, tc);
    EXPECT_TRUE(std::isnan(r));
    EXPECT_EQ(neval, 441);
    // Every evaluation says why it has no limit; the integrator's record comes last.
    const std::string text = tc.text();
    EXPECT_TRUE(text.ends_with(" ier,lvl:  2 0\n error is  2\n")) << text.substr(0, 200);
}

// The dialogue no longer integrates a case without limits: df 0 is refused before
// any evaluation, so no integrator record appears at all.
TEST(Dqags, ProgramRefusesANanCoverageBeforeIntegrating) {
    std::string dir = ts::make_tempdir();
    ts::RunResult run = ts::run_tolvane("1\n1\n0 1 0.9\n1e-3 1e-8 0\n\n", dir);
    std::filesystem::remove_all(dir);
    EXPECT_NE(run.out.find(" Refused: df must be a whole number from 2 up, not 0"),
              std::string::npos)
        << run.out;
    EXPECT_EQ(run.out.find("ier,lvl:"), std::string::npos);
}
