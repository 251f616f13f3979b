// The reverse-communication finders: the exact order of their requests, their
// failure reports and their convergence.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "Chinorm95.h"
#include "test_support.h"

namespace {

// The finders' state of these tests' searches.
FinderState finders;

using Fn = std::function<double(double)>;

struct InvrRun {
    std::vector<double> asked;  // every point invr asked for, in order
    int status = 0;
    double x = 0.0;
    int qleft = -7, qhi = -7;   // -7: never set
};

InvrRun run_invr(const Fn& f, double start, size_t max_requests = 10000) {
    InvrRun r;
    r.x = start;
    r.status = 0;
    double fx = 0.0;
    for (;;) {
        invr(r.status, r.x, fx, r.qleft, r.qhi, finders);
        if (r.status != 1 || r.asked.size() >= max_requests) break;
        r.asked.push_back(r.x);
        fx = f(r.x);
    }
    return r;
}

struct ZrorRun {
    std::vector<double> asked;
    int status = 0;
    double xlo = 0.0, xhi = 0.0;
    int qleft = -7, qhi = -7;
};

ZrorRun run_zror(const Fn& f, size_t max_requests = 10000) {
    ZrorRun r;
    double x = 0.0, fx = 0.0;
    r.status = 0;
    for (;;) {
        zror(r.status, x, fx, r.xlo, r.xhi, r.qleft, r.qhi, finders.zror);
        if (r.status != 1 || r.asked.size() >= max_requests) break;
        r.asked.push_back(x);
        fx = f(x);
    }
    return r;
}

}  // namespace

TEST(Invr, RequestSequenceOnSquareMinusFour) {
    stinvr(0.0, 10.0, 0.5, 0.5, 5.0, 1e-10, 1e-10, finders);
    const InvrRun r = run_invr([](double x) { return x * x - 4.0; }, 1.0);
    // Bounds, start, two steps out (1.5, then 1.5 + 2.5), then zror's two ends.
    const std::vector<double> head = {0.0, 10.0, 1.0, 1.5, 4.0, 1.5, 4.0};
    ASSERT_GE(r.asked.size(), head.size());
    for (size_t i = 0; i < head.size(); ++i) EXPECT_EQ(r.asked[i], head[i]) << "request " << i;
    EXPECT_EQ(r.status, 0);
    EXPECT_NEAR(r.x, 2.0, 1e-10);
    EXPECT_LT(r.asked.size(), 30u);
}

TEST(Invr, TargetOutsideTheRangeIsReportedNotSearched) {
    struct Case {
        Fn f;
        int qleft, qhi;
        double x_after;
    };
    // Increasing F positive at both bounds, increasing F negative at both,
    // decreasing F negative at both, decreasing F positive at both.
    const Case cases[] = {
        {[](double x) { return x + 1.0; }, 1, 1, 10.0},
        {[](double x) { return x - 11.0; }, 0, 0, 10.0},
        {[](double x) { return -x - 1.0; }, 1, 0, 10.0},
        {[](double x) { return 11.0 - x; }, 0, 1, 10.0},
    };
    for (const Case& c : cases) {
        stinvr(0.0, 10.0, 0.5, 0.5, 5.0, 1e-10, 1e-10, finders);
        const InvrRun r = run_invr(c.f, 3.0);
        EXPECT_EQ(r.status, -1);
        EXPECT_EQ(r.asked.size(), 2u);
        EXPECT_EQ(r.qleft, c.qleft);
        EXPECT_EQ(r.qhi, c.qhi);
        EXPECT_EQ(r.x, c.x_after);
    }
}

TEST(Invr, ExactZeroAtTheStartEndsAfterThreeRequests) {
    stinvr(0.0, 10.0, 0.5, 0.5, 5.0, 1e-10, 1e-10, finders);
    const InvrRun r = run_invr([](double x) { return x * x - 4.0; }, 2.0);
    EXPECT_EQ(r.asked, (std::vector<double>{0.0, 10.0, 2.0}));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.x, 2.0);
}

TEST(Invr, StepsDownAndFindsADecreasingTarget) {
    // Decreasing F, target below the start: steps 1.5 down, then 7.5 (cut at small).
    stinvr(0.0, 100.0, 0.5, 0.5, 5.0, 1e-12, 1e-12, finders);
    const InvrRun r = run_invr([](double x) { return std::exp(-x) - std::exp(-0.25); }, 3.0);
    ASSERT_GE(r.asked.size(), 5u);
    EXPECT_EQ(r.asked[3], 1.5);
    EXPECT_EQ(r.asked[4], 0.0);
    EXPECT_EQ(r.status, 0);
    EXPECT_NEAR(r.x, 0.25, 1e-12);
}

TEST(Invr, StartOutsideTheRangeWarnsOnceAndGoesOn) {
    stinvr(0.0, 10.0, 0.5, 0.5, 5.0, 1e-10, 1e-10, finders);
    const InvrRun r = run_invr([](double x) { return x - 3.0; }, 12.0);
    EXPECT_TRUE(finders.invr.start_outside);
    EXPECT_EQ(r.status, 0);
    EXPECT_NEAR(r.x, 3.0, 1e-10);
    // A start inside the range clears it.
    run_invr([](double x) { return x - 3.0; }, 1.0);
    EXPECT_FALSE(finders.invr.start_outside);
}

TEST(Invr, NewStartAbandonsTheSearchInProgress) {
    stinvr(0.0, 10.0, 0.5, 0.5, 5.0, 1e-10, 1e-10, finders);
    int status = 0, ql = 0, qh = 0;
    double x = 1.0;
    invr(status, x, 0.0, ql, qh, finders);                // asks at 0
    invr(status, x, -4.0, ql, qh, finders);               // asks at 10
    ASSERT_EQ(status, 1);
    EXPECT_EQ(x, 10.0);
    stinvr(0.0, 20.0, 0.5, 0.5, 5.0, 1e-10, 1e-10, finders);
    const InvrRun r = run_invr([](double v) { return v - 7.0; }, 5.0);
    ASSERT_GE(r.asked.size(), 3u);
    EXPECT_EQ(r.asked[0], 0.0);
    EXPECT_EQ(r.asked[1], 20.0);
    EXPECT_EQ(r.asked[2], 5.0);
    EXPECT_EQ(r.status, 0);
    EXPECT_NEAR(r.x, 7.0, 1e-9);
}

TEST(Zror, RequestSequenceOnXMinusTwo) {
    stzror(1.0, 3.0, 1e-10, 1e-10, finders.zror);
    const ZrorRun r = run_zror([](double x) { return x - 2.0; });
    // The first step is a bisection (p < mb*q fails by equality), and lands on
    // the root; then one step of the signed tolerance to confirm the bracket.
    EXPECT_EQ(r.asked, (std::vector<double>{1.0, 3.0, 2.0, 2.0 - 1e-10}));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.xlo, 2.0);
}

TEST(Zror, NoSignChangeAtTheStart) {
    // qleft: the smaller |F| lies at the left end; qhi: F is positive there.
    struct Case {
        Fn f;
        int qleft, qhi;
    };
    const Case cases[] = {
        {[](double x) { return x + 1.0; }, 1, 1},   // positive, rising
        {[](double x) { return 5.0 - x; }, 0, 1},   // positive, falling
        {[](double x) { return -x; }, 1, 0},        // negative, falling
        {[](double x) { return x - 5.0; }, 0, 0},   // negative, rising
    };
    for (const Case& c : cases) {
        stzror(1.0, 3.0, 1e-10, 1e-10, finders.zror);
        const ZrorRun r = run_zror(c.f);
        EXPECT_EQ(r.status, -1);
        EXPECT_EQ(r.asked, (std::vector<double>{1.0, 3.0}));
        EXPECT_EQ(r.qleft, c.qleft);
        EXPECT_EQ(r.qhi, c.qhi);
    }
}

TEST(Zror, ConvergesOnHardFunctionsWithBoundedWork) {
    struct Case {
        Fn f;
        double lo, hi, root;
    };
    const Case cases[] = {
        // A jump: only the forced bisections make progress.
        {[](double x) { return x < 0.3 ? -1.0 : 1.0; }, 0.0, 1.0, 0.3},
        // A triple root: secant steps crawl.
        {[](double x) { return (x - 1.0 / 3.0) * (x - 1.0 / 3.0) * (x - 1.0 / 3.0); }, 0.0, 1.0,
         1.0 / 3.0},
        // Very flat on one side, steep on the other.
        {[](double x) { return std::exp(20.0 * (x - 0.9)) - 1e-6; }, -5.0, 1.0,
         0.9 + std::log(1e-6) / 20.0},
    };
    for (const Case& c : cases) {
        stzror(c.lo, c.hi, 1e-12, 1e-12, finders.zror);
        const ZrorRun r = run_zror(c.f);
        EXPECT_EQ(r.status, 0);
        EXPECT_NEAR(r.xlo, c.root, 1e-11);
        // Bisection alone needs about 42 halvings here; Algorithm R at most
        // four steps per halving.
        EXPECT_LE(r.asked.size(), 4u * 45u);
        EXPECT_LE(std::fabs(r.xhi - r.xlo), 2e-12);
    }
}

TEST(Zror, UnusableToleranceStillEnds) {
    // A NaN or negative tolerance is taken as zero: the search ends on adjacent
    // doubles instead of running for ever.
    for (double tol : {std::nan(""), -1.0, 0.0}) {
        stzror(0.0, 4.0, tol, tol, finders.zror);
        const ZrorRun r = run_zror([](double x) { return x * x - 2.0; }, 5000);
        EXPECT_LT(r.asked.size(), 5000u) << tol;
        EXPECT_EQ(r.status, 0);
        EXPECT_LE(std::fabs(r.xlo - std::sqrt(2.0)), 4.5e-16) << tol;
    }
}
