// The speed layer (speed.h) saves work and changes nothing: full cases of both
// kinds, computed with it on and off, give the same integrals, evaluation
// counts, diagnostic records and control block, to the bit and the character.
// Also the parts of the layer a full case does not show on its own: the kept
// G values on searches that cycle until maxit, and the pair cache's records
// and control block.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>

#include "Case.h"
#include "Kestrin.h"
#include "PairCache.h"
#include "control.h"
#include "mainguts.h"
#include "records.h"
#include "speed.h"
#include "test_support.h"

namespace {

// Sets the speed layer for one computation and turns it back on afterwards.
class SpeedLayer {
public:
    explicit SpeedLayer(bool on) : was_(speed::enabled()) { speed::enable(on); }
    ~SpeedLayer() { speed::enable(was_); }
    SpeedLayer(const SpeedLayer&) = delete;
    SpeedLayer& operator=(const SpeedLayer&) = delete;

private:
    bool was_;
};

void expect_same_block(const ControlParms& plain, const ControlParms& fast) {
    EXPECT_EQ(ts::bits(plain.BesselMaxArg), ts::bits(fast.BesselMaxArg));
    EXPECT_EQ(ts::bits(plain.FunctionTol), ts::bits(fast.FunctionTol));
    EXPECT_EQ(ts::bits(plain.ResultTol), ts::bits(fast.ResultTol));
    EXPECT_EQ(plain.MaxIter, fast.MaxIter);
}

struct Case {
    double sigma, df, alpha, AdapQuadTol, FunctionTol, ResultTol;
};

std::string describe(const Case& c) {
    return testing::PrintToString(c.sigma) + " " + testing::PrintToString(c.df) + " " +
           testing::PrintToString(c.alpha) + " " + testing::PrintToString(c.AdapQuadTol) + " " +
           testing::PrintToString(c.FunctionTol) + " " + testing::PrintToString(c.ResultTol);
}

template <class Coverage>
struct Outcome {
    Coverage c;
    std::string records;
    ControlParms after;
    long pairs_reused;
};

// One case as the input-file run computes it, from the values the entry
// stores, with the layer on or off.
template <class Coverage, class Compute>
Outcome<Coverage> run_case(bool on, const Case& k, Compute compute) {
    const SpeedLayer layer(on);
    ts::TestContext tc;
    tc.control() = ControlParms{800.0, 0.0, k.ResultTol, 200};
    const ::Case c{.sides = 1, .df = k.df, .sigma = k.sigma, .alpha = k.alpha,
                   .AdapQuadTol = k.AdapQuadTol, .FunctionTol = k.FunctionTol,
                   .ResultTol = k.ResultTol};
    Outcome<Coverage> o{compute(c, tc.ctx), "", {}, 0};
    o.records = tc.text();
    o.after = tc.control();
    o.pairs_reused = tc.ctx.pairs.hits();
    return o;
}

OneSidedCoverage one_sided(::Case c, Context& ctx) { return onesided_coverage(c, ctx); }
TwoSidedCoverage two_sided(::Case c, Context& ctx) {
    c.sides = 2;
    return twosided_coverage(c, ctx);
}

// The case without the layer and with it; their counts, records and control
// blocks must be the same (the integrals are the caller's to compare).
template <class Coverage, class Compute>
std::pair<Outcome<Coverage>, Outcome<Coverage>> both_ways(const Case& k, Compute compute) {
    auto plain = run_case<Coverage>(false, k, compute);
    auto fast = run_case<Coverage>(true, k, compute);
    EXPECT_EQ(plain.c.neval, fast.c.neval);
    EXPECT_EQ(plain.records, fast.records);
    expect_same_block(plain.after, fast.after);
    EXPECT_EQ(plain.pairs_reused, 0);
    return {std::move(plain), std::move(fast)};
}

// Tight tolerances with ResultTol 0, where the H-factor searches cycle and
// take G from their kept values, at both ends of the levels and of df.
TEST(SpeedLayer, OneSidedCasesAreTheSameWithoutIt) {
    const Case cases[] = {{1.0, 10.0, 0.05, 1e-9, 1e-12, 0.0},
                          {0.1, 3.0, 0.999, 1e-9, 1e-12, 0.0},
                          {10.0, 100.0, 0.001, 1e-7, 1e-10, 0.0}};
    for (const Case& k : cases) {
        SCOPED_TRACE(describe(k));
        const auto [plain, fast] = both_ways<OneSidedCoverage>(k, one_sided);
        EXPECT_EQ(ts::bits(plain.c.integral), ts::bits(fast.c.integral));
        EXPECT_GT(plain.c.neval, 21);
    }
}

// df 2 at alpha 0.001: nearly every pair writes the upward-walk record, so
// the reused pairs must write theirs again in the same places. df 5 goes
// through the quadratures of G (inversions of F, integrals of x*F).
TEST(SpeedLayer, TwoSidedCasesAreTheSameWithoutIt) {
    const Case cases[] = {{0.1, 2.0, 0.001, 1e-6, 1e-8, 0.0},
                          {1.0, 5.0, 0.05, 1e-4, 1e-6, 0.0},
                          {10.0, 10.0, 0.9, 1e-5, 1e-8, 0.0}};
    for (const Case& k : cases) {
        SCOPED_TRACE(describe(k));
        const auto [plain, fast] = both_ways<TwoSidedCoverage>(k, two_sided);
        EXPECT_EQ(ts::bits(plain.c.lower), ts::bits(fast.c.lower));
        EXPECT_EQ(ts::bits(plain.c.upper), ts::bits(fast.c.upper));
        EXPECT_EQ(ts::bits(plain.c.miss), ts::bits(fast.c.miss));
        // The upper-limit integrals come back to abscissae of the lower-limit ones.
        EXPECT_GT(fast.pairs_reused, 0);
        EXPECT_LT(fast.pairs_reused, fast.c.neval / 2 + 1);
        if (&k == &cases[0]) {
            EXPECT_GT(ts::count_of(fast.records, "Upward walk reached MaxIter"), 100);
        }
    }
}

// The interactive dialogue forms the same four integrals itself.
TEST(SpeedLayer, InteractiveTwoSidedVerificationIsTheSameWithoutIt) {
    double l[2], u[2], d[2];
    std::string records[2];
    for (int i = 0; i < 2; ++i) {
        const SpeedLayer layer(i == 1);
        ts::TestContext tc;
        verifytwotail(0.0, 0.1, 0.5, 2.0, 0.01, 1e-6, 1e-8, 0.0, l[i], u[i], d[i], tc);
        records[i] = tc.text();
    }
    EXPECT_EQ(ts::bits(l[0]), ts::bits(l[1]));
    EXPECT_EQ(ts::bits(u[0]), ts::bits(u[1]));
    EXPECT_EQ(ts::bits(d[0]), ts::bits(d[1]));
    EXPECT_EQ(records[0], records[1]);
}

// The H-factor searches with and without their kept G values: the same root,
// residual, count and method, bit for bit, on searches that run to maxit
// (where the kept values are taken) and on searches that end early.
TEST(SpeedLayer, HFactorSearchesAreTheSameWithoutKeptValues) {
    const double xtol = 1e-8, ftol = 0.0, zmax = 800.0;
    const int maxit = 200;
    ts::TestContext tc(xtol, 0.0);
    struct Search {
        int N;
        double sd, p;
    };
    // The first three run to maxit; the others end early.
    const Search searches[] = {{4, 1.0, 0.999}, {11, 10.0, 0.3}, {1001, 0.2, 0.999},
                               {11, 1.0, 0.5},  {3, 1.0, 0.05},  {101, 0.3, 0.95}};
    int cycled = 0;
    for (const Search& c : searches) {
        SCOPED_TRACE(testing::Message() << "N " << c.N << " sd " << c.sd << " p " << c.p);
        const double nu = c.N - 1.0;
        const double L = dlgama(nu / 2.0);
        // HAdap's starting points.
        const double z = NormInv(c.p, 1.0e-4, 500);
        const double V = 1.0 / (nu + 1.0) + c.sd * c.sd / (2.0 * (nu + 2.0));
        const double th0 = c.sd * c.sd / 2.0;
        const double th1 = th0 + 0.15000000596046448 * z * c.sd * std::sqrt(V);
        double root[2], residual[2];
        int iterations[2], method[2];
        for (int i = 0; i < 2; ++i) {
            const SpeedLayer layer(i == 1);
            method[i] = -7;
            NewSecantAdap(root[i], th1, th0, 1.0 - c.p, nu, c.sd, 0.0, 0.0, maxit, xtol, ftol,
                          zmax, residual[i], iterations[i], method[i], L, tc);
        }
        EXPECT_EQ(ts::bits(root[0]), ts::bits(root[1]));
        EXPECT_EQ(ts::bits(residual[0]), ts::bits(residual[1]));
        EXPECT_EQ(iterations[0], iterations[1]);
        EXPECT_EQ(method[0], method[1]);
        if (iterations[1] > maxit) ++cycled;
    }
    EXPECT_GT(cycled, 0);
}

// A reused pair leaves the control block as computing it would, whatever the
// block held before.
TEST(PairReuse, ControlBlockAfterAReusedPair) {
    const SpeedLayer on(true);
    ts::TestContext tc;
    tc.ctx.pairs.clear();
    const double p = 0.3;
    const double first = twotailcriticalp(1, p, 0.0, 1.0, 0.5, 2.0, 0.05, 1e-8, 1e-9, tc);
    tc.control() = ControlParms{1.0, 2.0, 3.0, 4};
    const long before = tc.ctx.pairs.hits();
    const double upper = twotailcriticalp(2, p, 0.0, 1.0, 0.5, 2.0, 0.05, 1e-8, 1e-9, tc);
    EXPECT_EQ(tc.ctx.pairs.hits(), before + 1);
    expect_same_block(tc.control(), ControlParms{800.0, 1e-8, 1e-9, 200});

    const SpeedLayer off(false);
    EXPECT_EQ(ts::bits(twotailcriticalp(2, p, 0.0, 1.0, 0.5, 2.0, 0.05, 1e-8, 1e-9, tc)),
              ts::bits(upper));
    EXPECT_EQ(ts::bits(twotailcriticalp(1, p, 0.0, 1.0, 0.5, 2.0, 0.05, 1e-8, 1e-9, tc)),
              ts::bits(first));
}

// The records written while a pair is computed reach the sink at once and are
// written again, in full, each time the pair is reused; a cleared cache, or a
// key differing in any argument, computes afresh.
TEST(PairReuse, RecordsPassThroughAndAreReplayed) {
    const SpeedLayer on(true);
    ts::TestContext tc;
    paircache::Cache& cache = tc.ctx.pairs;
    cache.clear();
    const paircache::Key key{0.25, 0.0, 1.0, 0.5, 5.0, 0.05, 6.0, 800.0, 1e-8, 0.0, 200};
    paircache::Pair pair{};
    ASSERT_FALSE(cache.recall(key, pair, tc.ctx.records()));
    std::string written;
    {
        paircache::Cache::Recording recording(cache, key, tc.ctx.out);
        rec::list(tc.ctx.records(), {"first record", 1.5});
        rec::list(tc.ctx.records(), {"second record"});
        written = tc.text();
        EXPECT_EQ(ts::count_of(written, "record"), 2);
        EXPECT_EQ(written.back(), '\n');
        recording.keep(paircache::Pair{-1.25, 2.5});
    }

    tc.clear();
    ASSERT_TRUE(cache.recall(key, pair, tc.ctx.records()));
    EXPECT_EQ(pair.lower, -1.25);
    EXPECT_EQ(pair.upper, 2.5);
    EXPECT_EQ(tc.text(), written);

    paircache::Key other = key;
    other.alpha = 0.050000000000000003;  // the same double: still found
    EXPECT_TRUE(cache.recall(other, pair, tc.ctx.records()));
    for (double paircache::Key::*field :
         {&paircache::Key::p, &paircache::Key::mu, &paircache::Key::sigma,
          &paircache::Key::lambda, &paircache::Key::df, &paircache::Key::alpha,
          &paircache::Key::gamma2, &paircache::Key::BesselMaxArg, &paircache::Key::FunctionTol,
          &paircache::Key::ResultTol}) {
        other = key;
        other.*field = -(key.*field);  // -0 is not 0
        EXPECT_FALSE(cache.recall(other, pair, tc.ctx.records()));
    }
    other = key;
    other.MaxIter = 201;
    EXPECT_FALSE(cache.recall(other, pair, tc.ctx.records()));

    cache.clear();
    tc.clear();
    EXPECT_FALSE(cache.recall(key, pair, tc.ctx.records()));
    EXPECT_EQ(tc.text(), "");
}

// A computation that ends without its pair (its recording is destroyed
// unkept) leaves the sink as it found it, its records written once and kept
// nowhere; a recording begun inside another neither records nor keeps.
TEST(PairReuse, UnkeptRecordingRestoresTheSink) {
    const SpeedLayer on(true);
    ts::TestContext tc;
    paircache::Cache& cache = tc.ctx.pairs;
    cache.clear();
    const std::ostream* const before = tc.ctx.out;
    const paircache::Key key{0.75, 0.0, 1.0, 0.5, 5.0, 0.05, 6.0, 800.0, 1e-8, 0.0, 200};
    {
        paircache::Cache::Recording recording(cache, key, tc.ctx.out);
        EXPECT_NE(tc.ctx.out, before);
        rec::list(tc.ctx.records(), {"lost"});
    }
    EXPECT_EQ(tc.ctx.out, before);
    paircache::Pair pair{};
    EXPECT_FALSE(cache.recall(key, pair, tc.ctx.records()));
    EXPECT_EQ(tc.text(), " lost\n");

    paircache::Key inner_key = key;
    inner_key.p = 0.5;
    {
        paircache::Cache::Recording outer(cache, key, tc.ctx.out);
        {
            paircache::Cache::Recording inner(cache, inner_key, tc.ctx.out);
            rec::list(tc.ctx.records(), {"inner"});
            inner.keep(paircache::Pair{1.0, 2.0});
        }
        EXPECT_NE(tc.ctx.out, before);
        outer.keep(paircache::Pair{3.0, 4.0});
    }
    EXPECT_EQ(tc.ctx.out, before);
    EXPECT_FALSE(cache.recall(inner_key, pair, tc.ctx.records()));
    tc.clear();
    ASSERT_TRUE(cache.recall(key, pair, tc.ctx.records()));
    EXPECT_EQ(pair.lower, 3.0);
    EXPECT_EQ(tc.text(), " inner\n");
}

}  // namespace
