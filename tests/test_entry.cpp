// The program entry, end to end: the mode question, the choice of run, and
// faults in the answer; and the start-up values of the control block.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>

#include "Case.h"
#include "Kestrin.h"
#include "control.h"
#include "test_support.h"

namespace {

using ts::kModePrompt;

std::string first_line(const std::string& text) { return text.substr(0, text.find('\n') + 1); }

TEST(Entry, PromptComesFirst) {
    for (const char* answer : {"1\n", "2\n", "5\n", "0\n", "-1\n", "x\n", ""})
        EXPECT_EQ(first_line(ts::run_tolvane(answer).out), kModePrompt) << answer;
}

TEST(Entry, OneStartsTheInteractiveLoop) {
    const ts::RunResult r = ts::run_tolvane("1\n");
    EXPECT_EQ(r.out, kModePrompt + ts::kVerifyHelp + ts::kSidesPrompt);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "tolvane: standard input: end of input while reading an integer\n");
}

TEST(Entry, EveryAnswerButOneRunsTheInputFile) {
    for (const char* answer : {"2", "5", "0", "-1"}) {
        SCOPED_TRACE(answer);
        const ts::RunResult r = ts::run_tolvane(std::string(answer) + "\n");
        EXPECT_EQ(r.out, kModePrompt + ts::kFileHelp);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, "tolvane: standard input: end of input while reading a character value\n");
    }
    // Whatever the input-file run does with the rest of the input, it does the
    // same for 2, 5, 0, -1 and for 2 written with other separators.
    const std::string rest = "no-such-file.in\n";
    const ts::RunResult two = ts::run_tolvane("2\n" + rest);
    for (const char* answer : {"5\n", "0\n", "-1\n", "  2 , ignored\n", "+2\n"}) {
        SCOPED_TRACE(answer);
        const ts::RunResult other = ts::run_tolvane(answer + rest);
        EXPECT_EQ(other.status, two.status);
        EXPECT_EQ(other.out, two.out);
        EXPECT_EQ(other.err, two.err);
    }
}

TEST(Entry, MalformedOrMissingAnswerStopsWithReport) {
    for (const char* answer : {"abc\n", "1.5\n", "'1'\n", "", "\n\n\n"}) {
        const ts::RunResult r = ts::run_tolvane(answer);
        EXPECT_EQ(r.status, 2) << answer;
        EXPECT_EQ(r.out, kModePrompt) << answer;  // nothing computed, nothing else written
        EXPECT_EQ(ts::count_of(r.err, "\n"), 1) << answer;
        EXPECT_EQ(r.err.rfind("tolvane: standard input: ", 0), 0u) << r.err;
    }
    EXPECT_EQ(ts::run_tolvane("abc\n").err, "tolvane: standard input: bad integer \"abc\"\n");
    EXPECT_NE(ts::run_tolvane("").err.find("end of input"), std::string::npos);
}

TEST(Entry, EveryCaseStartsFromTheStartUpValuesOfTheControlBlock) {
    // A context starts with the program's start-up values, and a case starts
    // from them again whatever the context's block was left holding.
    ts::TestContext tc;
    EXPECT_EQ(tc.control().BesselMaxArg, 800.0);
    EXPECT_EQ(tc.control().MaxIter, 200);
    const Case c{.sides = 1, .df = 10, .sigma = 1, .alpha = 0.9, .AdapQuadTol = 1e-4,
                 .FunctionTol = 1e-8, .ResultTol = 0};
    const CaseResult first = run_case(c, tc);
    tc.control() = ControlParms{1.0, 0.5, 0.25, 3};
    const CaseResult again = run_case(c, tc);
    EXPECT_EQ(ts::bits(first.integral), ts::bits(again.integral));
    EXPECT_EQ(first.neval, again.neval);
    EXPECT_EQ(tc.control().BesselMaxArg, 800.0);
    EXPECT_EQ(tc.control().MaxIter, 200);
}

}  // namespace
