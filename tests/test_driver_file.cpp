// Tests of the input-file run: end to end through the built program, and the
// table of cases in-process with a scripted clock (midnight, flushing).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "Kestrin_readfile.h"
#include "entries.h"
#include "control.h"
#include "params.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

const std::string kStart = ts::kModePrompt + ts::kFileHelp;
using ts::kRefusedIntegral;

const std::string kOneSidedHeader = " Verifying one-tailed \n";
const std::string kOneSidedColumns =
    "  alpha  df  sigma   Integral      Error  AdqTol FncTol ResTol\n";
const std::string kTwoSidedHeader =
    " Verifying two-tailed \n"
    "  alpha  df  sigma  Integ   Error  AdqTol FncTol ResTol\n";

// Column ranges of the minutes field, the only time-dependent part of a case record.
struct Minutes {
    std::size_t from, width;
};
constexpr Minutes kOneReport{62, 6}, kOneTerminal{49, 9}, kTwoReport{55, 9},
    kTwoTerminal{51, 9};

// Masks the minutes field of every line of `text` that has `marker` at its end.
std::string mask_minutes(const std::string& text, Minutes m, const std::string& marker) {
    std::istringstream in(text);
    std::string line, out;
    while (std::getline(in, line)) {
        const std::size_t at = line.find(marker);
        if (at != std::string::npos && line.size() >= m.from + m.width &&
            at + marker.size() + 7 == line.size())
            line.replace(m.from, m.width, std::string(m.width, '#'));
        out += line + "\n";
    }
    return out;
}

// The one-sided report's second line holds the clock and the date.
std::string mask_date_line(const std::string& report) {
    const std::size_t a = report.find('\n');
    const std::size_t b = report.find('\n', a + 1);
    if (a == std::string::npos || b == std::string::npos) return report;
    return report.substr(0, a + 1) + "<date>" + report.substr(b);
}

struct FileRun {
    std::string dir;
    ts::RunResult r;
    FileRun() = default;
    FileRun(FileRun&& o) noexcept : dir(std::move(o.dir)), r(std::move(o.r)) { o.dir.clear(); }
    FileRun& operator=(FileRun&&) = delete;
    ~FileRun() {
        std::error_code ec;
        if (!dir.empty()) fs::remove_all(dir, ec);
    }
    std::string file(const std::string& name) const { return ts::read_file(dir + "/" + name); }
    bool has(const std::string& name) const { return ts::file_exists(dir + "/" + name); }
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
};

FileRun run_file(const std::string& input_file, const std::string& name = "run.in") {
    FileRun f;
    f.dir = ts::make_tempdir();
    ts::write_file(f.dir + "/" + name, input_file);
    f.r = ts::run_tolvane("2\n" + name + "\n", f.dir);
    return f;
}

// Runs an input file that must be refused: status 2, one report on standard
// error (`err`, unless empty) and no file made besides the input.
FileRun refused_file(const std::string& input_file, const std::string& err = "") {
    FileRun f = run_file(input_file);
    EXPECT_EQ(f.r.status, 2);
    if (!err.empty()) {
        EXPECT_EQ(f.r.err, err);
    }
    EXPECT_EQ(f.entries(), std::vector<std::string>{"run.in"});
    return f;
}

// ---- the first record ----

TEST(InputFile, FirstRecordOtherThanOneOrTwoStopsQuietly) {
    const FileRun f = run_file("3\n6 6\n4 4\n1e-6 1e-8 0\nrep.txt\n2 2\n");
    const std::string padded = "run.in" + std::string(66, ' ');
    EXPECT_EQ(f.r.out, kStart +
                           "  Error in 1st line of file \n"
                           " " + padded + "\n"
                           "  Value must be 1 or 2 for testing one- or two-sided limits.\n"
                           " Value in file is  3\n");
    EXPECT_EQ(f.r.status, 0);
    EXPECT_EQ(f.r.err, "");
    EXPECT_EQ(f.entries(), std::vector<std::string>{"run.in"});
}

// ---- tables without numerics: AdapQuadTol = 0 makes every case instant ----

TEST(InputFile, OneSidedCaseRecordsAndLineEnds) {
    const FileRun f = run_file("1\n6 6\n4 4\n0 1e-8 0\nrep.txt\n2 2\n");
    ASSERT_EQ(f.r.status, 0) << f.r.err;
    EXPECT_EQ(f.r.err, "");
    EXPECT_EQ(mask_date_line(f.file("rep.txt")),
              kOneSidedHeader + "<date>\n" +
                  " AdapQuadTol:  0.0E+00 FunctionTol:  1.0E-08   ResultTol:  0.0E+00\n" +
                  kOneSidedColumns +
                  "  0.900  10.  1.0   1.000E+00  -1.000E-01 0.E+00 1.E-08 0.E+00   0.0 min."
                  "      0\n");
    EXPECT_EQ(f.r.out, kStart + kRefusedIntegral + kRefusedIntegral +
                           "  0.900  10.  1.00000     1.000E+00    -1.000E-01     0.00  minutes"
                           "      0\n");
    EXPECT_FALSE(f.has("tolvane.int"));
}

TEST(InputFile, DateLineHasClockAndDateFields) {
    const FileRun f = run_file("1\n2 1\n1 1\n0 1e-8 0\nrep.txt\n");
    const std::string report = f.file("rep.txt");
    const std::size_t a = report.find('\n') + 1;
    const std::string date = report.substr(a, report.find('\n', a) - a);
    // "hh:mm    mm/dd/yyyy", single digits right-justified with a blank.
    ASSERT_EQ(date.size(), 19u) << date;
    EXPECT_EQ(date[2], ':');
    EXPECT_EQ(date.substr(5, 4), "    ");
    EXPECT_EQ(date[11], '/');
    EXPECT_EQ(date[14], '/');
    for (std::size_t i : {0u, 3u, 9u, 12u}) {
        EXPECT_TRUE(date[i] == ' ' || (date[i] >= '0' && date[i] <= '9')) << date;
        EXPECT_TRUE(date[i + 1] >= '0' && date[i + 1] <= '9') << date;
    }
}

TEST(InputFile, FirstIndexAboveLastRunsNoCase) {
    // Indices outside the tables are harmless in a range that runs no case.
    const FileRun one = run_file("1\n7 6\n4 4\n0 1e-8 0\nrep.txt\n99 0\n");
    ASSERT_EQ(one.r.status, 0) << one.r.err;
    EXPECT_EQ(mask_date_line(one.file("rep.txt")),
              kOneSidedHeader + "<date>\n" +
                  " AdapQuadTol:  0.0E+00 FunctionTol:  1.0E-08   ResultTol:  0.0E+00\n" +
                  kOneSidedColumns);
    EXPECT_EQ(one.r.out, kStart);

    const FileRun two = run_file("2\n1 10\n11 -3\n0 1e-8 0\nrep.txt\n");
    ASSERT_EQ(two.r.status, 0) << two.r.err;
    EXPECT_EQ(two.file("rep.txt"), kTwoSidedHeader);
    EXPECT_EQ(two.file("tolvane.int"), " Intermediate results for verifying two-tailed...\n");
    EXPECT_EQ(two.r.out, kStart + " Error reading sigmas.  Will do all three...\n");
}

TEST(InputFile, MissingSigmaRecordRunsAllThreeSigmas) {
    for (const char* tail : {"", "\n", "x y\n", "2\n"}) {
        SCOPED_TRACE(tail);
        const FileRun f = run_file("1\n6 6\n4 4\n0 1e-8 0\nrep.txt\n" + std::string(tail));
        ASSERT_EQ(f.r.status, 0) << f.r.err;
        EXPECT_EQ(f.r.out.substr(kStart.size(), 45),
                  " Error reading sigmas.  Will do all three...\n");
        const std::string report = f.file("rep.txt");
        EXPECT_NE(report.find("\n  0.900  10.  0.1 "), std::string::npos);
        EXPECT_NE(report.find("\n  0.900  10.  1.0 "), std::string::npos);
        EXPECT_NE(report.find("\n  0.900  10. 10.0 "), std::string::npos);
    }
}

TEST(InputFile, CasesRunLevelMajor) {
    const FileRun g = run_file("1\n2 3\n5 6\n0 1e-8 0\nr.txt\n2 3\n");
    ASSERT_EQ(g.r.status, 0) << g.r.err;
    std::istringstream report(g.file("r.txt"));
    std::string line;
    for (int i = 0; i < 4; ++i) std::getline(report, line);
    std::vector<std::string> order;
    while (std::getline(report, line)) order.push_back(line.substr(0, 17));
    const std::vector<std::string> expected = {
        "  0.005 100.  1.0", "  0.005 100. 10.0", "  0.0051000.  1.0", "  0.0051000. 10.0",
        "  0.010 100.  1.0", "  0.010 100. 10.0", "  0.0101000.  1.0", "  0.0101000. 10.0"};
    EXPECT_EQ(order, expected);
}

TEST(InputFile, TwoSidedNamesEachCaseBeforeItsResult) {
    const FileRun f = run_file("2\n9 10\n6 6\n0 1e-8 0\nrep2.txt\n3 3\n");
    ASSERT_EQ(f.r.status, 0) << f.r.err;
    const std::string four = kRefusedIntegral + kRefusedIntegral + kRefusedIntegral +
                             kRefusedIntegral;
    EXPECT_EQ(f.file("tolvane.int"),
              " Intermediate results for verifying two-tailed...\n"
              "Mu,Sigma,df,alpha ar    0.0000   10.0000 1000.0   0.995\n"
              "Mu,Sigma,df,alpha ar    0.0000   10.0000 1000.0   0.999\n");
    EXPECT_EQ(mask_minutes(f.r.out, kTwoTerminal, " min. "),
              kStart + "Mu,Sigma,df,alpha ar    0.0000   10.0000 1000.0   0.995\n" + four +
                  "    0.995  1000.  10.00     0.000E+00     9.950E-01#########    min.       0\n"
                  "Mu,Sigma,df,alpha ar    0.0000   10.0000 1000.0   0.999\n" +
                  four +
                  "    0.999  1000.  10.00     0.000E+00     9.990E-01#########    min.       0\n");
    EXPECT_EQ(mask_minutes(f.file("rep2.txt"), kTwoReport, " min."),
              kTwoSidedHeader +
                  " 0.9951000.   10.0 0.0E+00 9.9E-01 0.E+00 1.E-08 0.E+00######### min.      0\n"
                  " 0.9991000.   10.0 0.0E+00 1.0E+00 0.E+00 1.E-08 0.E+00######### min.      0\n");
}

// ---- tables that compute (numbers checked by hand: Integral within AdapQuadTol of
// alpha, about twice AdapQuadTol below it at most from the two cut ends) ----

TEST(InputFileNumbers, OneOneSidedCase) {
    const FileRun f = run_file("1\n6 6\n4 4\n1e-6 1e-8 0\nrep.txt\n2 2\n");
    ASSERT_EQ(f.r.status, 0) << f.r.err;
    EXPECT_EQ(f.r.err, "");
    EXPECT_EQ(mask_minutes(mask_date_line(f.file("rep.txt")), kOneReport, " min."),
              kOneSidedHeader + "<date>\n" +
                  " AdapQuadTol:  1.0E-06 FunctionTol:  1.0E-08   ResultTol:  0.0E+00\n" +
                  kOneSidedColumns +
                  "  0.900  10.  1.0   9.000E-01  -9.061E-07 1.E-06 1.E-08 0.E+00###### min."
                  "    252\n");
    EXPECT_EQ(mask_minutes(f.r.out, kOneTerminal, "  minutes"),
              kStart +
                  "  0.900  10.  1.00000     9.000E-01    -9.061E-07#########  minutes    252\n");
}

TEST(InputFileNumbers, FiveRecordsRunEverySigma) {
    const FileRun f = run_file("1\n6 6\n4 4\n1e-4 1e-8 0\nrep.txt\n");
    ASSERT_EQ(f.r.status, 0) << f.r.err;
    EXPECT_EQ(mask_minutes(mask_date_line(f.file("rep.txt")), kOneReport, " min."),
              kOneSidedHeader + "<date>\n" +
                  " AdapQuadTol:  1.0E-04 FunctionTol:  1.0E-08   ResultTol:  0.0E+00\n" +
                  kOneSidedColumns +
                  "  0.900  10.  0.1   9.000E-01  -4.133E-05 1.E-04 1.E-08 0.E+00###### min.    252\n"
                  "  0.900  10.  1.0   9.001E-01  -8.711E-05 1.E-04 1.E-08 0.E+00###### min.    210\n"
                  "  0.900  10. 10.0   9.001E-01  -1.000E-04 1.E-04 1.E-08 0.E+00###### min.    168\n");
    EXPECT_EQ(mask_minutes(f.r.out, kOneTerminal, "  minutes"),
              kStart + " Error reading sigmas.  Will do all three...\n" +
                  "  0.900  10.  0.10000     9.000E-01    -4.133E-05#########  minutes    252\n"
                  "  0.900  10.  1.00000     9.001E-01    -8.711E-05#########  minutes    210\n"
                  "  0.900  10. 10.00000     9.001E-01    -1.000E-04#########  minutes    168\n");
}

TEST(InputFileNumbers, OneTwoSidedCase) {
    const FileRun f = run_file("2\n6 6\n4 4\n1e-4 1e-8 0\nrep.txt\n2 2\n");
    ASSERT_EQ(f.r.status, 0) << f.r.err;
    const std::string name = "Mu,Sigma,df,alpha ar    0.0000    1.0000   10.0   0.900\n";
    EXPECT_EQ(f.file("tolvane.int"),
              " Intermediate results for verifying two-tailed...\n" + name);
    EXPECT_EQ(mask_minutes(f.file("rep.txt"), kTwoReport, " min."),
              kTwoSidedHeader +
                  " 0.900  10.    1.0 9.0E-01 5.6E-05 1.E-04 1.E-08 0.E+00######### min.    546\n");
    EXPECT_EQ(mask_minutes(f.r.out, kTwoTerminal, " min. "),
              kStart + name +
                  "    0.900    10.   1.00     8.999E-01     5.642E-05#########    min.     546\n");
}

TEST(Examples, QuickExampleRunsAndTheOthersRead) {
    const std::string examples = std::string(TOLVANE_SOURCE_DIR) + "/examples/";
    const FileRun f =
        run_file(ts::read_file(examples + "quick-one-sided.in"), "quick-one-sided.in");
    ASSERT_EQ(f.r.status, 0) << f.r.err;
    const std::string report = f.file("quick-one-sided.rep");
    EXPECT_NE(report.find("\n  0.900  10.  1.0   9.000E-01 "), std::string::npos) << report;

    struct Expect {
        const char* file;
        std::int32_t kind, levels[2], dfs[2], sigmas[2];
    };
    for (const Expect& e : {Expect{"full-one-sided.in", 1, {1, 10}, {1, 6}, {1, 3}},
                            Expect{"small-two-sided.in", 2, {6, 7}, {4, 4}, {2, 2}}}) {
        SCOPED_TRACE(e.file);
        std::istringstream in(ts::read_file(examples + e.file));
        RunInput run;
        std::string fault;
        ASSERT_EQ(read_run_input(in, e.file, run, fault), ReadOutcome::Ok) << fault;
        EXPECT_EQ(run.kind, e.kind);
        EXPECT_EQ(run.level_first, e.levels[0]);
        EXPECT_EQ(run.level_last, e.levels[1]);
        EXPECT_EQ(run.df_first, e.dfs[0]);
        EXPECT_EQ(run.df_last, e.dfs[1]);
        EXPECT_EQ(run.sigma_first, e.sigmas[0]);
        EXPECT_EQ(run.sigma_last, e.sigmas[1]);
        EXPECT_FALSE(run.sigmas_defaulted);
        EXPECT_EQ(table_range_fault(run), "");
    }
}

// ---- input that the run refuses ----

TEST(InputFileRefused, IndicesOutsideTheTables) {
    struct Case {
        const char* records;
        const char* record;
        const char* range;
    };
    const Case cases[] = {
        {"1\n0 2\n4 4\n0 1e-8 0\nrep.txt\n2 2\n", "record 2", "1 to 10"},
        {"2\n10 11\n4 4\n0 1e-8 0\nrep.txt\n2 2\n", "record 2", "1 to 10"},
        {"1\n6 6\n-1 1\n0 1e-8 0\nrep.txt\n2 2\n", "record 3", "1 to 6"},
        {"2\n6 6\n6 7\n0 1e-8 0\nrep.txt\n2 2\n", "record 3", "1 to 6"},
        {"1\n6 6\n4 4\n0 1e-8 0\nrep.txt\n3 4\n", "record 6", "1 to 3"},
        {"2\n6 6\n4 4\n0 1e-8 0\nrep.txt\n0 0\n", "record 6", "1 to 3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.records);
        const FileRun f = refused_file(c.records);
        EXPECT_EQ(f.r.err.find("tolvane: run.in: "), 0u) << f.r.err;
        EXPECT_NE(f.r.err.find(c.record), std::string::npos) << f.r.err;
        EXPECT_NE(f.r.err.find(c.range), std::string::npos) << f.r.err;
        EXPECT_EQ(f.r.err.find('\n'), f.r.err.size() - 1) << f.r.err;
        EXPECT_EQ(f.r.out, kStart);
    }
}

// The cases come from the fixed tables, but the tolerances are free: ones
// under which the computation itself means nothing (a p-range turned over by
// AdapQuadTol 1, which gave -0.189; tolerances that can never be met) end the
// run before any output file is made.
TEST(InputFileRefused, TolerancesOutsideTheirRanges) {
    struct Case {
        const char* records;
        const char* err;
    };
    const Case cases[] = {
        {"1\n6 6\n4 4\n1 1 1\nrep.txt\n2 2\n",
         "tolvane: run.in: record 4: AdapQuadTol must be a number below 0.5, not 1\n"},
        {"2\n6 6\n4 4\n1e-4 -1e-6 0\nrep.txt\n2 2\n",
         "tolvane: run.in: record 4: FunctionTol must be a finite number from 0 up, not -1e-6\n"},
        {"1\n6 6\n4 4\n0 1e-8 -1e-6\nrep.txt\n2 2\n",
         "tolvane: run.in: record 4: ResultTol must be a finite number from 0 up, not -1e-6\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.records);
        EXPECT_EQ(refused_file(c.records, c.err).r.out, kStart);
    }
}

// A stored file with tolerances outside the measured domain of the built-in
// limits runs as it always did: the report in its own format, and on the
// terminal one record before each result that says the case lies outside.
TEST(InputFile, ToleranceOutsideTheLimitsDomainRunsWithARecord) {
    const FileRun f = run_file("1\n4 4\n4 4\n1e-4 1e-6 0\n'r5.txt'\n");
    EXPECT_EQ(f.r.status, 0) << f.r.err;
    EXPECT_EQ(f.r.err, "");
    const std::vector<std::string> report = ts::lines_of(f.file("r5.txt"));
    ASSERT_EQ(report.size(), 7u) << f.file("r5.txt");
    EXPECT_EQ(report[3] + "\n", kOneSidedColumns);
    for (int i = 4; i < 7; ++i) EXPECT_TRUE(report[i].starts_with("  0.050  10. ")) << report[i];
    const std::string record =
        " Outside the measured domain of the built-in limits (df 2 to 1000, sigma 0.05 to 10, "
        "alpha 0.001 to 0.999, AdapQuadTol 0 or 1e-12 to 0.0001, FunctionTol 1e-14 to 1e-8, "
        "ResultTol 0 to 1e-11): FunctionTol 1e-6. The result is the true coverage of the limits "
        "computed there.\n";
    std::size_t count = 0;
    for (std::size_t at = f.r.out.find(record); at != std::string::npos;
         at = f.r.out.find(record, at + 1))
        ++count;
    EXPECT_EQ(count, 3u) << f.r.out;
}

TEST(InputFileRefused, MissingFileOrRecord) {
    FileRun none;
    none.dir = ts::make_tempdir();
    none.r = ts::run_tolvane("2\nnosuch.in\n", none.dir);
    EXPECT_EQ(none.r.status, 2);
    EXPECT_EQ(none.r.err,
              "tolvane: nosuch.in: cannot open the input file: No such file or directory\n");
    EXPECT_TRUE(none.entries().empty());

    const ts::RunResult slash = ts::run_tolvane("2\n/dev/null\n", none.dir);
    EXPECT_EQ(slash.status, 2);
    EXPECT_EQ(slash.err,
              "tolvane: standard input: blank input file name (quote a name with blanks, commas "
              "or slashes)\n");
    fs::create_directory(none.dir + "/adir");
    const ts::RunResult dir = ts::run_tolvane("2\nadir\n", none.dir);
    EXPECT_EQ(dir.status, 2);
    EXPECT_EQ(dir.err, "tolvane: adir: cannot open the input file: Is a directory\n");
    EXPECT_EQ(none.entries(), std::vector<std::string>{"adir"});

    struct Case {
        const char* records;
        const char* err;
    };
    const Case cases[] = {
        {"", "tolvane: run.in: record 1: end of input while reading an integer\n"},
        {"one\n", "tolvane: run.in: record 1, line 1: bad integer \"one\"\n"},
        {"1\n6 6\n",
         "tolvane: run.in: record 3, after line 2: end of input while reading an integer\n"},
        // Each read starts on a new line, so one line cannot hold two records.
        {"1 6 6\n4 4\n",
         "tolvane: run.in: record 3, after line 2: end of input while reading an integer\n"},
        {"2\n6 6\n4 4\nabc 1e-8 0\nrep.txt\n",
         "tolvane: run.in: record 4, line 4: bad real number \"abc\"\n"},
        {"1\n6 6\n4 4\n1e-6 1e-8 0\n",
         "tolvane: run.in: record 5, after line 4: end of input while reading a character value\n"},
        {"1\n6 6\n4 4\n1e-6 1e-8 0\n''\n2 2\n",
         "tolvane: run.in: record 5, line 5: the report file name is blank\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.records);
        refused_file(c.records, c.err);
    }
}

TEST(InputFileRefused, ReportFileThatCannotBeWritten) {
    const FileRun one = run_file("1\n6 6\n4 4\n0 1e-8 0\n'nodir/rep.txt'\n2 2\n");
    EXPECT_EQ(one.r.status, 2);
    EXPECT_EQ(one.r.err,
              "tolvane: nodir/rep.txt: cannot create the file: No such file or directory\n");
    EXPECT_EQ(one.entries(), std::vector<std::string>{"run.in"});

    // A two-sided run has made tolvane.int before it opens the report.
    const FileRun two = run_file("2\n6 6\n4 4\n0 1e-8 0\n'nodir/rep.txt'\n2 2\n");
    EXPECT_EQ(two.r.status, 2);
    EXPECT_EQ(two.file("tolvane.int"), " Intermediate results for verifying two-tailed...\n");

    // A full device takes the open but not the records.
    const FileRun full = run_file("1\n6 6\n4 4\n0 1e-8 0\n'/dev/full'\n2 2\n");
    EXPECT_EQ(full.r.status, 2);
    EXPECT_EQ(full.r.err, "tolvane: /dev/full: cannot write the file: No space left on device\n");
}

// ---- the table in-process, with a scripted clock ----

struct Script {
    std::vector<WallClock> readings;
    std::size_t next = 0;
    std::string report_path;
    std::vector<std::string> report_seen, inter_seen;  // the files at each reading
};
Script* script = nullptr;

WallClock scripted_clock() {
    script->report_seen.push_back(ts::read_file(script->report_path));
    script->inter_seen.push_back(ts::read_file("tolvane.int"));
    return script->readings.at(script->next++);
}

WallClock at(int h, int m, int s, int hs, int year = 2026, int month = 12, int day = 31) {
    return WallClock{h, m, s, hs, year, month, day};
}

// Runs a table in the directory `dir` with the scripted clock; returns the terminal text.
std::string run_scripted(const RunInput& run, Script& s, const std::string& dir) {
    s.report_path = dir + "/" + run.report;
    const fs::path here = fs::current_path();
    fs::current_path(dir);
    script = &s;
    std::string terminal;
    {
        ts::CaptureStdout out;
        EXPECT_EQ(run_table(run, RunOptions{}, &scripted_clock), 0);
        terminal = out.text();
    }
    script = nullptr;
    fs::current_path(here);
    return terminal;
}

RunInput quick_table(int kind) {
    RunInput run;
    run.kind = kind;
    run.level_first = run.level_last = 6;
    run.df_first = run.df_last = 4;
    run.sigma_first = 1;
    run.sigma_last = 2;
    run.AdapQuadTol = 0.0;
    run.FunctionTol = 1e-8;
    run.ResultTol = 0.0;
    run.report = "rep.txt";
    return run;
}

TEST(RunTable, CaseOverMidnightCountsForwardAndRecordsAreFlushed) {
    Script s;
    s.readings = {at(9, 5, 0, 0, 2026, 1, 7),                    // heading
                  at(23, 59, 0, 0), at(0, 5, 0, 0, 2027, 1, 1),  // 6 minutes over midnight
                  at(0, 5, 0, 0), at(0, 5, 30, 0)};              // half a minute
    const ts::TempDir tmp;
    const std::string& dir = tmp.path();
    const std::string terminal = run_scripted(quick_table(1), s, dir);
    ASSERT_EQ(s.next, 5u);

    const std::string heading = kOneSidedHeader + " 9: 5     1/ 7/2026\n" +
                                " AdapQuadTol:  0.0E+00 FunctionTol:  1.0E-08   ResultTol:  0.0E+00\n" +
                                kOneSidedColumns;
    const std::string case1 =
        "  0.900  10.  0.1   1.000E+00  -1.000E-01 0.E+00 1.E-08 0.E+00   6.0 min.      0\n";
    const std::string case2 =
        "  0.900  10.  1.0   1.000E+00  -1.000E-01 0.E+00 1.E-08 0.E+00   0.5 min.      0\n";
    EXPECT_EQ(ts::read_file(dir + "/rep.txt"), heading + case1 + case2);
    // On disk before the next case starts: the heading, then the first case.
    EXPECT_EQ(s.report_seen[1], heading);
    EXPECT_EQ(s.report_seen[3], heading + case1);
    EXPECT_EQ(terminal, kRefusedIntegral + kRefusedIntegral +
                            "  0.900  10.  0.10000     1.000E+00    -1.000E-01     6.00  minutes"
                            "      0\n" +
                            kRefusedIntegral + kRefusedIntegral +
                            "  0.900  10.  1.00000     1.000E+00    -1.000E-01     0.50  minutes"
                            "      0\n");
}

TEST(RunTable, TwoSidedFilesNameTheCaseInProgress) {
    Script s;
    s.readings = {at(23, 59, 59, 50), at(0, 0, 0, 70),  // 1.2 s over midnight
                  at(1, 0, 0, 0), at(1, 3, 0, 0)};
    const ts::TempDir tmp;
    const std::string& dir = tmp.path();
    const std::string terminal = run_scripted(quick_table(2), s, dir);
    ASSERT_EQ(s.next, 4u);
    const std::string int_head = " Intermediate results for verifying two-tailed...\n";
    const std::string name1 = "Mu,Sigma,df,alpha ar    0.0000    0.1000   10.0   0.900\n";
    const std::string name2 = "Mu,Sigma,df,alpha ar    0.0000    1.0000   10.0   0.900\n";
    const std::string case1 =
        " 0.900  10.    0.1 0.0E+00 9.0E-01 0.E+00 1.E-08 0.E+00      0.0 min.      0\n";
    const std::string case2 =
        " 0.900  10.    1.0 0.0E+00 9.0E-01 0.E+00 1.E-08 0.E+00      3.0 min.      0\n";
    EXPECT_EQ(s.inter_seen[0], int_head + name1);
    EXPECT_EQ(s.report_seen[0], kTwoSidedHeader);
    EXPECT_EQ(s.inter_seen[2], int_head + name1 + name2);
    EXPECT_EQ(s.report_seen[2], kTwoSidedHeader + case1);
    EXPECT_EQ(ts::read_file(dir + "/rep.txt"), kTwoSidedHeader + case1 + case2);
    const std::string four = kRefusedIntegral + kRefusedIntegral + kRefusedIntegral +
                             kRefusedIntegral;
    EXPECT_EQ(terminal,
              name1 + four +
                  "    0.900    10.   0.10     0.000E+00     9.000E-01     0.02    min.       0\n" +
                  name2 + four +
                  "    0.900    10.   1.00     0.000E+00     9.000E-01     3.00    min.       0\n");
}

TEST(RunTable, ElapsedTimeOfDayReadings) {
    EXPECT_DOUBLE_EQ(elapsed_seconds(100.0, 160.5), 60.5);
    EXPECT_DOUBLE_EQ(elapsed_seconds(86399.5, 0.5), 1.0);
    EXPECT_EQ(elapsed_seconds(5.0, 5.0), 0.0);
}

}  // namespace
