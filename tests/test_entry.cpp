// The program entry: the mode question, the choice of run, and faults in the answer.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>

#include "Kestrin.h"
#include "control.h"
#include "test_support.h"

namespace {

const std::string prompt = " Interactive version (1) or read input file(2)?\n";

ts::RunResult run(const std::string& input) {
    const std::string dir = ts::make_tempdir();
    return ts::run_tolvane(input, dir);
}

std::string first_line(const std::string& text) { return text.substr(0, text.find('\n') + 1); }

int count_lines(const std::string& text) {
    int n = 0;
    for (char c : text) n += c == '\n';
    return n;
}

TEST(Entry, PromptComesFirst) {
    for (const char* answer : {"1\n", "2\n", "5\n", "0\n", "-1\n", "x\n", ""})
        EXPECT_EQ(first_line(run(answer).out), prompt) << answer;
}

TEST(Entry, EveryAnswerButOneRunsTheInputFile) {
    // Whatever the input-file run does with the rest of the input, it does the
    // same for 2, 5, 0, -1 and for 2 written with other separators.
    const std::string rest = "no-such-file.in\n";
    const ts::RunResult two = run("2\n" + rest);
    for (const char* answer : {"5\n", "0\n", "-1\n", "  2 , ignored\n", "+2\n"}) {
        const ts::RunResult other = run(answer + rest);
        EXPECT_EQ(other.status, two.status) << answer;
        EXPECT_EQ(other.out, two.out) << answer;
        EXPECT_EQ(other.err, two.err) << answer;
    }
    const ts::RunResult one = run("1\n" + rest);
    EXPECT_NE(one.out, two.out);
    EXPECT_EQ(one.out.find("Enter name of input file"), std::string::npos);
    EXPECT_EQ(two.out.find("Verify one(1) or two(2)-sided limits?"), std::string::npos);
    EXPECT_NE(one.out.find("\n This program can be used to verify the program that\n"), std::string::npos);
    EXPECT_NE(two.out.find("Enter name of input file"), std::string::npos);
}

TEST(Entry, MalformedOrMissingAnswerStopsWithReport) {
    for (const char* answer : {"abc\n", "1.5\n", "'1'\n", "", "\n\n\n"}) {
        const ts::RunResult r = run(answer);
        EXPECT_EQ(r.status, 2) << answer;
        EXPECT_EQ(r.out, prompt) << answer;  // nothing computed, nothing else written
        EXPECT_EQ(count_lines(r.err), 1) << answer;
        EXPECT_EQ(r.err.rfind("tolvane: standard input: ", 0), 0u) << r.err;
    }
    EXPECT_NE(run("").err.find("end of input"), std::string::npos);
}

TEST(Entry, StartUpValuesOfTheControlBlock) {
    // The entry is stopped by a bad answer right after it has stored its values;
    // an exit handler of the child shows the block as the entry left it.
    auto body = [] {
        controlparms.FunctionTol = 0.125;
        controlparms.ResultTol = 0.25;
        controlparms.MaxIter = -1;
        controlparms.BesselMaxArg = -1.0;
        std::atexit([] {
            std::fprintf(stderr, "MaxIter=%d BesselMaxArg=%.17g FunctionTol=%g ResultTol=%g\n",
                         static_cast<int>(controlparms.MaxIter), controlparms.BesselMaxArg,
                         controlparms.FunctionTol, controlparms.ResultTol);
        });
        static std::istringstream answer("not a number\n");
        std::cin.rdbuf(answer.rdbuf());
        std::cout.setstate(std::ios::badbit);  // keep the prompt out of the test log
        tolvane_main();
    };
    EXPECT_EXIT(body(), testing::ExitedWithCode(2),
                "MaxIter=200 BesselMaxArg=800 FunctionTol=0.125 ResultTol=0.25\n$");
}

}  // namespace
