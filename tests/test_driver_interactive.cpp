// End-to-end tests of the interactive verification: the built program is run
// with a scripted terminal. The mode question itself is tested with the entry.
#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace {

using ts::kModePrompt;
using ts::kRefusedIntegral;
using ts::kSidesPrompt;
using ts::kVerifyHelp;

const std::string kWarning =
    " Warning! Verification for two-sided limits usually\n"
    " takes only a few minutes, but can take up\n"
    " to several hours in some cases (Pentium 75).\n";
const std::string kCasePrompt = " Enter df, sigma, alpha\n";
const std::string kTolPrompt =
    " Enter AdapQuadTolerance(1e-6),FunctionTolerance(1e-8),ResultTol(0)\n";
const std::string kHitEnter = " Hit enter to continue\n";

const std::string kEndOfInteger = "tolvane: standard input: end of input while reading an integer\n";

ts::RunResult run(const std::string& input) { return ts::run_tolvane(input); }

std::string pass_head(bool warning) {
    return kVerifyHelp + kSidesPrompt + (warning ? kWarning : "") + kCasePrompt + kTolPrompt;
}

// ---- one pass of the loop, without numerics (AdapQuadTol = 0) ----

// The results of a pass with AdapQuadTol = 0 (every integral refused, so 0),
// each integral's two records first.
const std::string kZeroOneSided = kRefusedIntegral + kRefusedIntegral +
                                  " Approx. to integral is (should be 1-alpha)  0.\n"
                                  " Difference of approx.and 1-alpha is  -0.1\n";
const std::string kZeroTwoSided = kRefusedIntegral + kRefusedIntegral + kRefusedIntegral +
                                  kRefusedIntegral +
                                  "\n"
                                  " Approx to integral (should be !1-alpha)  1.\n"
                                  " Difference of approx. and 1-alpha is   0.9\n";

// 1 is one-sided; 2 is two-sided with the warning, any other answer two-sided
// without it. The end of input at the next sides question ends the program.
TEST(InteractivePass, EachSidesAnswerWithZeroTolerance) {
    struct Case {
        const char* kind;
        bool warning;
        const std::string& results;
    };
    const Case cases[] = {{"1", false, kZeroOneSided},
                          {"2", true, kZeroTwoSided},
                          {"3", false, kZeroTwoSided},
                          {"0", false, kZeroTwoSided},
                          {"-2", false, kZeroTwoSided}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        const ts::RunResult r = run("1\n" + std::string(c.kind) + "\n10 1 0.9\n0 1e-8 0\n\n");
        EXPECT_EQ(r.out, kModePrompt + pass_head(c.warning) + c.results + kHitEnter +
                             kVerifyHelp + kSidesPrompt);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, kEndOfInteger);
    }
}

TEST(InteractivePass, CaseValuesMaySpanLinesAndCommas) {
    const ts::RunResult one_line = run("1\n1\n10 1 0.9\n0 1e-8 0\n\n");
    const ts::RunResult three_lines = run("1\n1\n10\n1\n0.9\n0\n1e-8\n0\n\n");
    const ts::RunResult commas = run("1\n1\n10,1,0.9\n0,1e-8,0\n\n");
    EXPECT_EQ(three_lines.out, one_line.out);
    EXPECT_EQ(commas.out, one_line.out);
}

TEST(InteractivePass, AnyLineAtHitEnterStartsTheNextPass) {
    const ts::RunResult r = run("1\n1\n10 1 0.9\n0 1e-8 0\nnot empty, 12 / x\n2\n");
    const std::string first = kModePrompt + pass_head(false) + kZeroOneSided + kHitEnter;
    // The second pass reads its sides answer, warns, and waits for the case.
    EXPECT_EQ(r.out, first + kVerifyHelp + kSidesPrompt + kWarning + kCasePrompt);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "tolvane: standard input: end of input while reading a real number\n");
}

// ---- passes that compute (numbers checked by hand: the one-sided integral is
// within AdapQuadTol of 1 - alpha, the two-sided miss probability within it too) ----

TEST(InteractiveNumbers, OneSidedPass) {
    const ts::RunResult r = run("1\n1\n10 1 0.9\n1e-6 1e-8 0\n\n");
    EXPECT_EQ(r.out, kModePrompt + pass_head(false) +
                         " Approx. to integral is (should be 1-alpha)  0.0999990939\n"
                         " Difference of approx.and 1-alpha is  -9.06082536E-07\n" +
                         kHitEnter + kVerifyHelp + kSidesPrompt);
    EXPECT_EQ(r.status, 2);
}

TEST(InteractiveNumbers, TwoSidedPass) {
    const ts::RunResult r = run("1\n2\n10 1 0.9\n1e-4 1e-8 0\n\n");
    EXPECT_EQ(r.out, kModePrompt + pass_head(true) +
                         "\n"
                         " Approx to integral (should be !1-alpha)  0.100056422\n"
                         " Difference of approx. and 1-alpha is   5.64218433E-05\n" +
                         kHitEnter + kVerifyHelp + kSidesPrompt);
    EXPECT_EQ(r.status, 2);
}

// ---- cases outside those the limits are computed correctly for ----

// A case whose computation itself would mean nothing (df 1.5: the limit code
// takes df 1 and the integrand 1.5, and gave 0.054 against 0.1; a level of 1.5;
// a p-range cut from both ends by AdapQuadTol 1, which gave -0.189) gets one
// record naming the accepted range, and the pass goes on to its end with
// nothing computed.
TEST(InteractiveRefusal, CaseOutsideTheDomainIsRefusedWithOneRecord) {
    struct Case {
        const char* kind;
        const char* values;
        const char* record;
    };
    const Case cases[] = {
        {"1", "1.5 1 0.9\n1e-6 1e-8 0", " Refused: df must be a whole number from 2 up, not 1.5\n"},
        {"1", "2.5 1 0.9\n1e-6 1e-8 0", " Refused: df must be a whole number from 2 up, not 2.5\n"},
        {"2", "0 1 0.9\n1e-3 1e-6 0", " Refused: df must be a whole number from 2 up, not 0\n"},
        {"1", "10 -1 0.9\n1e-6 1e-8 0", " Refused: sigma must be from 1e-150 to 1e150, not -1\n"},
        {"2", "10 1e200 0.9\n1e-6 1e-8 0", " Refused: sigma must be from 1e-150 to 1e150, not 1e200\n"},
        {"1", "10 1 1.5\n1e-6 1e-8 0", " Refused: alpha must be above 0 and below 1, not 1.5\n"},
        {"1", "10 1 0\n1e-6 1e-8 0", " Refused: alpha must be above 0 and below 1, not 0\n"},
        {"1", "10 1 0.9\n1 1 1", " Refused: AdapQuadTol must be a number below 0.5, not 1\n"},
        {"3", "10 1 0.9\n0.5 1e-6 0", " Refused: AdapQuadTol must be a number below 0.5, not 0.5\n"},
        {"1", "10 1 0.9\n1e-6 -1e-8 0",
         " Refused: FunctionTol must be a finite number from 0 up, not -1e-8\n"},
        {"1", "10 1 0.9\n1e-6 1e-8 -1", " Refused: ResultTol must be a finite number from 0 up, not -1\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.values);
        const ts::RunResult r =
            run("1\n" + std::string(c.kind) + "\n" + std::string(c.values) + "\n\n");
        EXPECT_EQ(r.out, kModePrompt + pass_head(std::string(c.kind) == "2") + c.record +
                             kHitEnter + kVerifyHelp + kSidesPrompt);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, kEndOfInteger);
    }
}

// The edges of the domain and the values of the fixed tables are computed.
TEST(InteractiveRefusal, TableValuesAreComputed) {
    const ts::RunResult r = run("1\n1\n1000 10 0.999\n1e-4 1e-8 0\n\n");
    EXPECT_EQ(r.out.find("Refused"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(" Approx. to integral is (should be 1-alpha)  0.000"), std::string::npos)
        << r.out;
}

// ---- the way out of the loop ----

TEST(InteractiveEnd, EndOfInputAtEveryPromptStopsWithAReport) {
    struct Case {
        const char* input;
        std::string out_tail;
        const char* err;
    };
    const Case cases[] = {
        {"1\n1\n", kCasePrompt,
         "tolvane: standard input: end of input while reading a real number\n"},
        {"1\n1\n10 1\n", kCasePrompt,
         "tolvane: standard input: end of input while reading a real number\n"},
        {"1\n1\n10 1 0.9\n", kTolPrompt,
         "tolvane: standard input: end of input while reading a real number\n"},
        {"1\n1\n10 1 0.9\n0 1e-8 0\n", kHitEnter, "tolvane: standard input: end of input\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        const ts::RunResult r = run(c.input);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, c.err);
        ASSERT_GE(r.out.size(), c.out_tail.size());
        EXPECT_EQ(r.out.substr(r.out.size() - c.out_tail.size()), c.out_tail);
    }
}

TEST(InteractiveEnd, MalformedAnswerStopsWithAReport) {
    const ts::RunResult kind = run("1\none\n");
    EXPECT_EQ(kind.status, 2);
    EXPECT_EQ(kind.err, "tolvane: standard input: bad integer \"one\"\n");
    const ts::RunResult tol = run("1\n1\n10 1 0.9\n1e-6 tight 0\n");
    EXPECT_EQ(tol.status, 2);
    EXPECT_EQ(tol.err, "tolvane: standard input: bad real number \"tight\"\n");
    EXPECT_EQ(tol.out.find("Approx"), std::string::npos);
}

}  // namespace
