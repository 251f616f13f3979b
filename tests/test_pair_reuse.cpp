// Reuse of the two-sided limit pairs: a case computed with reuse gives the same
// integrals, counts, control block and terminal output, to the bit and the
// character, as the same case with every pair computed afresh.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>

#include "Kestrin.h"
#include "PairCache.h"
#include "control.h"
#include "records.h"
#include "sink.h"
#include "test_support.h"

namespace {

struct Outcome {
    TwoSidedCoverage c;
    std::string text;
    ControlParms after;
    long hits;
};

Outcome run_case(bool reuse, double sigma, double df, double alpha, double aqt, double ftol,
                 double rtol) {
    set_pair_reuse(reuse);
    controlparms.BesselMaxArg = 800.0;
    controlparms.MaxIter = 200;
    const long before = paircache::hits();
    ts::CaptureSink capture;
    Outcome o{twosided_coverage(sigma, df, alpha, aqt, ftol, rtol), "", {}, 0};
    o.text = capture.text();
    o.after = controlparms;
    o.hits = paircache::hits() - before;
    set_pair_reuse(true);
    return o;
}

std::uint64_t bits(double v) { return std::bit_cast<std::uint64_t>(v); }

int count_of(const std::string& text, const std::string& piece) {
    int n = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++n;
    return n;
}

void expect_identical(const Outcome& fresh, const Outcome& reused) {
    EXPECT_EQ(bits(fresh.c.lower), bits(reused.c.lower));
    EXPECT_EQ(bits(fresh.c.upper), bits(reused.c.upper));
    EXPECT_EQ(bits(fresh.c.miss), bits(reused.c.miss));
    EXPECT_EQ(fresh.c.neval, reused.c.neval);
    EXPECT_EQ(fresh.text, reused.text);
    EXPECT_EQ(bits(fresh.after.BesselMaxArg), bits(reused.after.BesselMaxArg));
    EXPECT_EQ(bits(fresh.after.FunctionTol), bits(reused.after.FunctionTol));
    EXPECT_EQ(bits(fresh.after.ResultTol), bits(reused.after.ResultTol));
    EXPECT_EQ(fresh.after.MaxIter, reused.after.MaxIter);
    EXPECT_EQ(fresh.hits, 0);
    // The upper-limit integrals come back to abscissae of the lower-limit ones.
    EXPECT_GT(reused.hits, 0);
    EXPECT_LT(reused.hits, reused.c.neval / 2 + 1);
}

// Small alpha, df 2: nearly every pair writes the upward-walk record, so the
// reused pairs must write theirs again in the same places.
TEST(PairReuse, SameResultsAndRecordsWhenThePairsWriteRecords) {
    const Outcome fresh = run_case(false, 0.1, 2.0, 0.001, 1e-6, 1e-8, 0.0);
    const Outcome reused = run_case(true, 0.1, 2.0, 0.001, 1e-6, 1e-8, 0.0);
    EXPECT_GT(count_of(fresh.text, "Upward walk reached MaxIter"), 100);
    expect_identical(fresh, reused);
}

// df 5 goes through the quadratures of G (inversions of F, integrals of x*F),
// with records from the searches at alpha 0.05 and sigma 1.
TEST(PairReuse, SameResultsThroughTheQuadraturesOfG) {
    const Outcome fresh = run_case(false, 1.0, 5.0, 0.05, 1e-4, 1e-6, 0.0);
    const Outcome reused = run_case(true, 1.0, 5.0, 0.05, 1e-4, 1e-6, 0.0);
    expect_identical(fresh, reused);
}

// The interactive dialogue forms the same four integrals itself.
TEST(PairReuse, InteractiveVerificationUnchanged) {
    double l[2], u[2], d[2];
    std::string text[2];
    for (int i = 0; i < 2; ++i) {
        set_pair_reuse(i == 1);
        ts::CaptureSink capture;
        verifytwotail(0.0, 0.1, 0.5, 2.0, 0.01, 1e-6, 1e-8, 0.0, l[i], u[i], d[i]);
        text[i] = capture.text();
    }
    set_pair_reuse(true);
    EXPECT_EQ(bits(l[0]), bits(l[1]));
    EXPECT_EQ(bits(u[0]), bits(u[1]));
    EXPECT_EQ(bits(d[0]), bits(d[1]));
    EXPECT_EQ(text[0], text[1]);
}

// A reused pair leaves the control block as computing it would, whatever the
// block held before.
TEST(PairReuse, ControlBlockAfterAReusedPair) {
    ts::CaptureSink capture;
    paircache::clear();
    const double p = 0.3;
    const double first = twotailcriticalp(1, p, 0.0, 1.0, 0.5, 2.0, 0.05, 1e-8, 1e-9);
    controlparms = ControlParms{1.0, 2.0, 3.0, 4};
    const long before = paircache::hits();
    const double upper = twotailcriticalp(2, p, 0.0, 1.0, 0.5, 2.0, 0.05, 1e-8, 1e-9);
    EXPECT_EQ(paircache::hits(), before + 1);
    EXPECT_EQ(controlparms.BesselMaxArg, 800.0);
    EXPECT_EQ(controlparms.FunctionTol, 1e-8);
    EXPECT_EQ(controlparms.ResultTol, 1e-9);
    EXPECT_EQ(controlparms.MaxIter, 200);

    set_pair_reuse(false);
    EXPECT_EQ(bits(twotailcriticalp(2, p, 0.0, 1.0, 0.5, 2.0, 0.05, 1e-8, 1e-9)), bits(upper));
    EXPECT_EQ(bits(twotailcriticalp(1, p, 0.0, 1.0, 0.5, 2.0, 0.05, 1e-8, 1e-9)), bits(first));
    set_pair_reuse(true);
}

// The records written while a pair is computed reach the sink at once and are
// written again, in full, each time the pair is reused; a cleared cache, or a
// key differing in any argument, computes afresh.
TEST(PairReuse, RecordsPassThroughAndAreReplayed) {
    paircache::clear();
    ts::CaptureSink capture;
    const paircache::Key key{0.25, 0.0, 1.0, 0.5, 5.0, 0.05, 800.0, 1e-8, 0.0, 200};
    paircache::Pair pair{};
    ASSERT_FALSE(paircache::recall(key, pair));
    rec::say({"first record", 1.5});
    rec::say({"second record"});
    const std::string written = capture.text();
    EXPECT_EQ(count_of(written, "record"), 2);
    EXPECT_EQ(written.back(), '\n');
    paircache::keep(paircache::Pair{-1.25, 2.5});

    capture.clear();
    ASSERT_TRUE(paircache::recall(key, pair));
    EXPECT_EQ(pair.lower, -1.25);
    EXPECT_EQ(pair.upper, 2.5);
    EXPECT_EQ(capture.text(), written);

    paircache::Key other = key;
    other.alpha = 0.050000000000000003;  // the same double: still found
    EXPECT_TRUE(paircache::recall(other, pair));
    for (double paircache::Key::*field :
         {&paircache::Key::p, &paircache::Key::mu, &paircache::Key::sigma,
          &paircache::Key::lambda, &paircache::Key::df, &paircache::Key::alpha,
          &paircache::Key::BesselMaxArg, &paircache::Key::FunctionTol,
          &paircache::Key::ResultTol}) {
        other = key;
        other.*field = -(key.*field);  // -0 is not 0
        EXPECT_FALSE(paircache::recall(other, pair));
        paircache::keep(paircache::Pair{0.0, 0.0});
    }
    other = key;
    other.MaxIter = 201;
    EXPECT_FALSE(paircache::recall(other, pair));
    paircache::keep(paircache::Pair{0.0, 0.0});

    paircache::clear();
    capture.clear();
    EXPECT_FALSE(paircache::recall(key, pair));
    paircache::keep(paircache::Pair{0.0, 0.0});
    EXPECT_EQ(capture.text(), "");
}

}  // namespace
