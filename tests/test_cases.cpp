// One case, one path: the case list reader, --plan and --cases through the
// built program, and the records the dialogue adds beside a result (the tails,
// the faults of the limits).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "Case.h"
#include "CaseList.h"
#include "speed.h"
#include "test_support.h"

namespace {

std::vector<std::vector<std::string>> records_of(const std::string& csv, bool& heading) {
    std::vector<std::vector<std::string>> out;
    for (const caselist::Row& row : caselist::read(csv, heading)) out.push_back(row.fields);
    return out;
}

// A results row by its column names.
struct Results {
    std::vector<std::string> names;
    std::vector<caselist::Row> rows;
    explicit Results(const std::string& csv) {
        bool heading = false;
        const std::vector<caselist::Row> all = caselist::read("x\n" + csv, heading);
        if (all.size() < 2) return;
        names = all[1].fields;
        rows.assign(all.begin() + 2, all.end());
    }
    std::string at(std::size_t row, const std::string& name) const {
        for (std::size_t i = 0; i < names.size(); ++i)
            if (names[i] == name) return rows.at(row).fields.at(i);
        return "<no column " + name + ">";
    }
};

}  // namespace

// ---- the reader ----

TEST(CaseList, ReadsQuotedFieldsLineEndsAndAByteOrderMark) {
    bool heading = true;
    // a byte-order mark, no heading, CRLF, a quoted comma, a quoted line end,
    // a doubled quote, an empty field, comments and empty lines skipped
    const std::string text =
        "\xEF\xBB\xBF" "1,10,1,0.9,1e-6,1e-8,0\r\n"
        "\r\n"
        "# a comment\r\n"
        "2,\"10,5\",\"a\nb\",\"say \"\"x\"\"\",,1e-8,0\n"
        "1,2,3";
    const std::vector<caselist::Row> rows = caselist::read(text, heading);
    EXPECT_FALSE(heading);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].line, 1);
    EXPECT_EQ(rows[0].fields, (std::vector<std::string>{"1", "10", "1", "0.9", "1e-6", "1e-8", "0"}));
    EXPECT_EQ(rows[1].line, 4);
    EXPECT_EQ(rows[1].fields,
              (std::vector<std::string>{"2", "10,5", "a\nb", "say \"x\"", "", "1e-8", "0"}));
    // the line end inside quotes counts: the last record begins on line 6
    EXPECT_EQ(rows[2].line, 6);
    EXPECT_EQ(rows[2].fields.size(), 3u);
    EXPECT_EQ(rows[2].fault, "");
}

TEST(CaseList, HeadingOnlyByItsNamesAndAnOpenQuoteIsAFault) {
    bool heading = false;
    EXPECT_EQ(records_of(" Kind , DF,sigma,ALPHA,adapquadtol,FunctionTol,ResultTol\n1,2,3\n", heading).size(), 1u);
    EXPECT_TRUE(heading);
    // a first row of other words is a case row, to be refused, never dropped
    EXPECT_EQ(records_of("x,y,z\n1,2,3\n", heading).size(), 2u);
    EXPECT_FALSE(heading);
    const std::vector<caselist::Row> rows = caselist::read("1,2,\"3\n4,5\n", heading);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].fault, "a quoted field is not closed");
}

// Columns by name: any order, the optional setting columns, and a heading
// that names a column wrongly refused as a whole (it would read every row wrongly).
TEST(CaseList, ColumnsByNameInAnyOrder) {
    caselist::Layout layout;
    caselist::read("kind,df,alpha,sigma,AdapQuadTol,FunctionTol,ResultTol\n1,10,0.9,1,0,0,0\n",
                   layout);
    EXPECT_TRUE(layout.heading);
    EXPECT_EQ(layout.fault, "");
    EXPECT_EQ(layout.at[caselist::Alpha], 2);
    EXPECT_EQ(layout.at[caselist::Sigma], 3);
    EXPECT_EQ(layout.at[caselist::Lambda], -1);
    caselist::read("mu,GAMMA2 , lambda,kind,df,sigma,alpha,adapquadtol,functiontol,resulttol\n",
                   layout);
    EXPECT_EQ(layout.fault, "");
    EXPECT_EQ(layout.at[caselist::Mu], 0);
    EXPECT_EQ(layout.at[caselist::Gamma2], 1);
    EXPECT_EQ(layout.fields, 10u);
    // The program's own plan columns are known and not read.
    caselist::read(std::string(caselist::columns) + ",level_index,report\n", layout);
    EXPECT_EQ(layout.fault, "");
    const std::pair<const char*, const char*> wrong[] = {
        {"k,df,sigma,alpha,AdapQuadTol,FunctionTol,ResultTol", "unknown column 'k' in the heading"},
        {"kind,df,sigma,alpha,AdapQuadTol,FunctionTol,ResultTol,Sigma",
         "column 'sigma' named twice in the heading"},
        {"kind,kind,df,sigma,alpha,AdapQuadTol,FunctionTol,ResultTol",
         "column 'kind' named twice in the heading"},  // the first place counts too
        {"kind,df,sigma,AdapQuadTol,FunctionTol,ResultTol", "the heading has no column 'alpha'"}};
    for (const auto& [heading, why] : wrong) {
        caselist::read(std::string("\n# first\n") + heading + "\n1,2\n", layout);
        EXPECT_EQ(layout.fault, why) << heading;
        EXPECT_EQ(layout.line, 3);
    }
}

// Only the first record can be the heading: a later row that spells the
// column names is a case row, refused by its line.
TEST(CaseList, ALaterRowSpellingTheColumnsIsARow) {
    caselist::Layout layout;
    const std::string names = caselist::columns;
    const std::vector<caselist::Row> rows =
        caselist::read("1,10,1,0.9,0,0,0\n" + names + "\n", layout);
    EXPECT_FALSE(layout.heading);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].line, 2);
}

// NUL bytes (and so a list saved as UTF-16) are refused by line, and a file
// whose lines end in CR alone is numbered line by line.
TEST(CaseList, NulBytesAndCarriageReturnsByLine) {
    caselist::Layout layout;
    std::vector<caselist::Row> rows =
        caselist::read(std::string("1,10,1,0.9,0,0,0\n1,1\0,1,0.9,0,0,0\n2,10,1,0.9,0,0,0\n", 47),
                       layout);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].fault, "");
    EXPECT_EQ(rows[1].line, 2);
    EXPECT_NE(rows[1].fault.find("NUL"), std::string::npos);
    EXPECT_EQ(rows[2].fault, "");
    std::string utf16 = "\xFF\xFE";
    for (const char c : std::string("1,10,1,0.9,0,0,0\n2,10,1,0.9,0,0,0\n")) utf16 += {c, '\0'};
    rows = caselist::read(utf16, layout);
    ASSERT_GE(rows.size(), 2u);
    for (const caselist::Row& row : rows) EXPECT_NE(row.fault, "") << row.line;
    rows = caselist::read("1,10,1,0.9,0,0,0\r1,10,1,0.9,0,0,0\r\r2,10,1,0.9,0,0,0\r", layout);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].line, 1);
    EXPECT_EQ(rows[1].line, 2);
    EXPECT_EQ(rows[2].line, 4);
}

TEST(CaseList, FieldsAndRealsReadBackAsWritten) {
    const std::string hostile[] = {"plain", "a,b", "say \"hi\"", "two\nlines", "cr\r", ""};
    std::string line;
    for (const std::string& f : hostile) line += (line.empty() && &f == &hostile[0] ? "" : ",") + caselist::field(f);
    bool heading = false;
    const std::vector<caselist::Row> rows = caselist::read(line + "\n", heading);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].fields, std::vector<std::string>(std::begin(hostile), std::end(hostile)));
    for (double v : {0.05, 1e-6, 0.1 + 0.2, 1.0 / 3.0, -2.5e-300, 1000.0})
        EXPECT_EQ(std::strtod(caselist::real(v).c_str(), nullptr), v);
    EXPECT_EQ(caselist::real(0.05), "0.05");
}

// ---- --plan ----

TEST(Plan, EveryCaseOfTheFullOneSidedTableInRunOrder) {
    ts::TempDir dir;
    const ts::RunResult r =
        ts::run_tolvane("", dir.path(), "--plan " TOLVANE_SOURCE_DIR "/examples/full-one-sided.in");
    EXPECT_EQ(r.status, 0) << r.err;
    const Results plan(r.out);
    ASSERT_EQ(plan.rows.size(), 180u);
    EXPECT_EQ(plan.names.size(), 15u);
    // level-major, then df, then sigma
    EXPECT_EQ(plan.at(0, "alpha"), "0.001");
    EXPECT_EQ(plan.at(0, "df"), "2");
    EXPECT_EQ(plan.at(1, "sigma"), "1");
    EXPECT_EQ(plan.at(3, "df"), "3");
    EXPECT_EQ(plan.at(179, "alpha"), "0.999");
    EXPECT_EQ(plan.at(179, "report"), "full-one-sided.rep");
    EXPECT_EQ(plan.at(179, "sigmas_defaulted"), "0");
}

// The plan refuses what the run refuses, with the run's own line and status.
TEST(Plan, RefusesAsTheRunDoes) {
    const char* const files[] = {
        "1\n6 6\n4 4\n1 1 1\nrep.txt\n2 2\n",       // AdapQuadTol turns the range over
        "1\n6 6\n9 9\n1e-6 1e-8 0\nrep.txt\n2 2\n",  // df index outside the table
        "1\n6 6\n",                                  // missing records
        "2\n6 6\n4 4\n1e-6 1e-8 0\ntolvane.int\n2 2\n",
    };
    for (const char* f : files) {
        SCOPED_TRACE(f);
        ts::TempDir run, plan;
        ts::write_file(run.path() + "/run.in", f);
        ts::write_file(plan.path() + "/run.in", f);
        const ts::RunResult a = ts::run_tolvane("2\nrun.in\n", run.path());
        const ts::RunResult b = ts::run_tolvane("", plan.path(), "--plan run.in");
        EXPECT_EQ(b.status, a.status);
        EXPECT_EQ(b.status, 2);
        EXPECT_EQ(b.err, a.err);
        EXPECT_EQ(b.out, "");
    }
    // A first record neither 1 nor 2: the run stops quietly, the plan is empty.
    ts::TempDir dir;
    ts::write_file(dir.path() + "/run.in", "3\n6 6\n4 4\n1e-6 1e-8 0\nrep.txt\n");
    const ts::RunResult r = ts::run_tolvane("", dir.path(), "--plan run.in");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(ts::lines_of(r.out).size(), 1u);
    // The plan never goes over its own input file.
    const ts::RunResult self = ts::run_tolvane("", dir.path(), "--plan run.in -o ./run.in");
    EXPECT_EQ(self.status, 2);
    EXPECT_EQ(ts::read_file(dir.path() + "/run.in"), "3\n6 6\n4 4\n1e-6 1e-8 0\nrep.txt\n");
    EXPECT_NE(self.err.find("./run.in: the output is the same file as the input file"), std::string::npos)
        << self.err;
}

// ---- --cases ----

TEST(Cases, EveryRowGetsAnAlignedResultByItsLineNumber) {
    ts::TempDir dir;
    ts::write_file(dir.path() + "/c.csv",
                   "\xEF\xBB\xBF" "kind,df,sigma,alpha,AdapQuadTol,FunctionTol,ResultTol\r\n"
                   "1,10,1,0.9,1e-6,1e-8,0\r\n"
                   "2,10,1,\"0,95\",1e-6,1e-8,0\r\n"
                   "1,,1,0.9,1e-6,1e-8,0\r\n"
                   "1,10,1\r\n"
                   "1,1.5,1,0.9,1e-6,1e-8,0\r\n"
                   "1,2000,1,0.9,1e-4,1e-8,0\r\n");
    const ts::RunResult r = ts::run_tolvane("", dir.path(), "--cases c.csv");
    EXPECT_EQ(r.status, 0) << r.err;
    const Results res(r.out);
    ASSERT_EQ(res.rows.size(), 6u) << r.out;
    EXPECT_EQ(res.names.size(), 21u);
    for (const caselist::Row& row : res.rows) EXPECT_EQ(row.fields.size(), 21u);
    EXPECT_EQ(res.at(0, "status"), "ok");
    EXPECT_NEAR(std::stod(res.at(0, "integral")), 0.1, 2e-6);
    EXPECT_GT(std::stol(res.at(0, "evaluations")), 0);
    EXPECT_EQ(res.at(0, "lower_tail"), "");
    EXPECT_EQ(res.at(1, "alpha"), "0,95");
    EXPECT_EQ(res.at(1, "status"), "refused");
    EXPECT_EQ(res.at(1, "message"), "line 3: alpha '0,95' is not a number");
    EXPECT_EQ(res.at(2, "message"), "line 4: df '' is not a number");
    EXPECT_EQ(res.at(3, "message"),
              "line 5: 3 fields, not the 7 of kind,df,sigma,alpha,AdapQuadTol,FunctionTol,ResultTol");
    EXPECT_EQ(res.at(4, "message"), "line 6: df must be a whole number from 2 up, not 1.5");
    // outside the limits' measured domain: computed, and the message says so
    EXPECT_EQ(res.at(5, "status"), "ok");
    EXPECT_EQ(res.at(5, "message"),
              "line 7: outside the measured domain of the built-in limits: df 2000");
}

// At AdapQuadTol 0 or below (1e-400 reads as 0) the integrator evaluates
// nothing and returns 0: no integral, so the row is failed with the reason
// and no numbers, and the list's exit status says a row failed. A tolerance
// that only just lies above 0 computes.
TEST(Cases, IntegralsThatComputedNothingAreFailed) {
    ts::TempDir dir;
    ts::write_file(dir.path() + "/z.csv",
                   "1,10,1,0.9,0,1e-8,0\n"
                   "2,10,1,0.9,1e-400,1e-8,0\n"
                   "1,10,1,0.9,-1e-6,1e-8,0\n"
                   "1,10,1,0.9,1e-4,1e-8,0\n");
    const ts::RunResult r = ts::run_tolvane("", dir.path(), "--cases z.csv");
    EXPECT_EQ(r.status, 3) << r.err;
    const Results res(r.out);
    ASSERT_EQ(res.rows.size(), 4u) << r.out;
    const char* const shown[] = {"0", "0", "-1e-06"};
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(res.at(i, "status"), "failed");
        EXPECT_EQ(res.at(i, "message"), "line " + std::to_string(i + 1) +
                                            ": nothing computed: at AdapQuadTol " + shown[i] +
                                            " the integrator evaluates nothing (its ier 6; it "
                                            "needs a tolerance above 0)");
        for (const char* column : {"integral", "difference", "lower_tail", "upper_tail", "crossed"})
            EXPECT_EQ(res.at(i, column), "") << column;
        EXPECT_EQ(res.at(i, "evaluations"), "0");
    }
    EXPECT_EQ(res.at(3, "status"), "ok");
    EXPECT_EQ(res.at(3, "message"), "");
    // Alone, the computed row exits 0.
    ts::write_file(dir.path() + "/ok.csv", "1,10,1,0.9,1e-4,1e-8,0\n");
    EXPECT_EQ(ts::run_tolvane("", dir.path(), "--cases ok.csv").status, 0);
}

// Parts of a list together are the whole list; the heading comes with each.
// A heading with the columns in another order is read by name: sigma and
// alpha swapped in the file are not swapped in the cases. The setting
// columns change the case, and the results echo the setting used.
TEST(Cases, ColumnsAreReadByName) {
    ts::TempDir dir;
    ts::write_file(dir.path() + "/plain.csv", "1,10,1,0.9,1e-4,1e-8,0\n");
    ts::write_file(dir.path() + "/swapped.csv",
                   "kind,df,alpha,sigma,AdapQuadTol,FunctionTol,ResultTol\n1,10,0.9,1,1e-4,1e-8,0\n");
    const ts::RunResult plain = ts::run_tolvane("", dir.path(), "--cases plain.csv");
    const ts::RunResult swapped = ts::run_tolvane("", dir.path(), "--cases swapped.csv");
    ASSERT_EQ(swapped.status, 0) << swapped.err;
    const Results a(plain.out), b(swapped.out);
    EXPECT_EQ(b.at(0, "sigma"), "1");
    EXPECT_EQ(b.at(0, "alpha"), "0.9");
    EXPECT_EQ(b.at(0, "integral"), a.at(0, "integral"));
    EXPECT_EQ(a.at(0, "lambda"), "0.5");
    EXPECT_EQ(a.at(0, "gamma2"), "11");
    EXPECT_EQ(a.at(0, "mu"), "0");

    // lambda 0.25 with gamma2 df+1 at sigma 2 is the default case at sigma 1 scaled:
    // sd* = 2|lambda| gamma s / sqrt(df + 1) is the same, and mu moves nothing.
    ts::write_file(dir.path() + "/setting.csv",
                   "sigma,df,kind,alpha,ResultTol,FunctionTol,AdapQuadTol,lambda,gamma2,mu\n"
                   "1,10,1,0.9,0,1e-8,1e-4,0.5,df+1,3.5\n"
                   "1,10,1,0.9,0,1e-8,1e-4,0.5,11,0\n"
                   "1,10,1,0.9,0,1e-8,1e-4,-0.5,df,0\n"
                   "1,10,1,0.9,0,1e-8,1e-4,0.5,0,0\n"
                   "1,10,1,0.9,0,1e-8,1e-4,0.5,df+x,0\n"
                   "1,10,1,0.9,0,1e-8,1e-4,0.5,DF - 2.5,0\n");
    const ts::RunResult set = ts::run_tolvane("", dir.path(), "--cases setting.csv");
    ASSERT_EQ(set.status, 0) << set.err;
    const Results c(set.out);
    EXPECT_EQ(c.at(0, "status"), "ok");
    EXPECT_NEAR(std::stod(c.at(0, "integral")), std::stod(a.at(0, "integral")), 1e-9);
    EXPECT_EQ(c.at(0, "mu"), "3.5");
    EXPECT_EQ(c.at(1, "integral"), a.at(0, "integral"));  // 11 is df + 1 here
    EXPECT_EQ(c.at(2, "lambda"), "-0.5");
    EXPECT_EQ(c.at(2, "gamma2"), "10");
    EXPECT_NEAR(std::stod(c.at(2, "integral")), 0.1, 1e-4);
    EXPECT_EQ(c.at(3, "status"), "refused");
    EXPECT_NE(c.at(3, "message").find("gamma2 must be a finite number above 0, not 0"),
              std::string::npos);
    EXPECT_EQ(c.at(4, "status"), "refused");
    EXPECT_NE(c.at(4, "message").find("gamma2 'df+x' is neither a number nor df+K"),
              std::string::npos);
    EXPECT_EQ(c.at(5, "gamma2"), "7.5");  // df - 2.5, blanks and case aside
}

// A heading that names a column wrongly refuses the list, with its line and
// exit status 2, before any case is computed; a later row that spells the
// names is a refused row; a value is quoted cut and escaped, never whole.
TEST(Cases, WrongHeadingsRowsAndLongValues) {
    ts::TempDir dir;
    ts::write_file(dir.path() + "/bad.csv",
                   "\nkind,df,sigma,alfa,AdapQuadTol,FunctionTol,ResultTol\n1,10,1,0.9,0,0,0\n");
    const ts::RunResult bad = ts::run_tolvane("", dir.path(), "--cases bad.csv");
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.out, "");
    EXPECT_EQ(bad.err, "tolvane: bad.csv: line 2: unknown column 'alfa' in the heading\n");

    const std::string huge(100000, 'z');
    ts::write_file(dir.path() + "/rows.csv", "1,10,1,0.9,1e-4,1e-8,0\n" +
                                                 std::string(caselist::columns) + "\n1," + huge +
                                                 "\x07,1,0.9,0,0,0\n");
    const ts::RunResult rows = ts::run_tolvane("", dir.path(), "--cases rows.csv");
    EXPECT_EQ(rows.status, 0) << rows.err;
    const Results r(rows.out);
    ASSERT_EQ(r.rows.size(), 3u);
    EXPECT_EQ(r.at(1, "status"), "refused");
    EXPECT_EQ(r.at(1, "message"), "line 2: kind 'kind' is not a number");
    EXPECT_EQ(r.at(2, "message"), "line 3: df '" + std::string(40, 'z') + "...' is not a number");
    EXPECT_LT(rows.out.size(), 2000u);
}

TEST(Cases, PartsTogetherAreTheWhole) {
    ts::TempDir dir;
    std::string list;
    for (int i = 0; i < 7; ++i) list += "1,1.5,1,0.9,1e-6,1e-8," + std::to_string(i) + "\n";
    ts::write_file(dir.path() + "/c.csv", list);
    const ts::RunResult whole = ts::run_tolvane("", dir.path(), "--cases c.csv");
    std::string joined;
    for (int k = 1; k <= 3; ++k) {
        const ts::RunResult part =
            ts::run_tolvane("", dir.path(), "--cases - --part " + std::to_string(k) + "/3 <c.csv");
        EXPECT_EQ(part.status, 0);
        const std::vector<std::string> lines = ts::lines_of(part.out);
        ASSERT_FALSE(lines.empty());
        for (std::size_t i = k == 1 ? 0 : 1; i < lines.size(); ++i) joined += lines[i] + "\n";
    }
    EXPECT_EQ(joined, whole.out);
    for (const char* bad : {"4/3", "' 1/2'", "'1/ 2'", "+1/2", "1/2x", "0/2", "1/0", "/2"})
        EXPECT_EQ(ts::run_tolvane("", dir.path(), std::string("--cases c.csv --part ") + bad).status,
                  2)
            << bad;
    // The largest parts do not overflow: the last of them is the last row.
    const ts::RunResult last =
        ts::run_tolvane("", dir.path(), "--cases c.csv --part 9000000000000000000/9000000000000000000");
    EXPECT_EQ(last.status, 0);
    ASSERT_EQ(ts::lines_of(last.out).size(), 2u) << last.out;
    EXPECT_EQ(ts::lines_of(last.out)[1], ts::lines_of(whole.out).back());
}

// The two-sided limits at df 100, sigma 10, alpha 0.001 with FunctionTol 1e-6
// cross where the mass is: the miss probability counts those points twice and
// exceeds 1. The case is computed, and the records say what was seen.
TEST(Faults, CrossedLimitsAreCountedAndShown) {
    const ts::RunResult r = ts::run_tolvane("1\n2\n100 10 0.001\n1e-4 1e-6 0\n\n");
    EXPECT_NE(r.out.find(" Approx to integral (should be !1-alpha)  1.3435"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find(" Limit fault: lower limit above the upper limit at 267 points, s from"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find(" Outside the measured domain of the built-in limits ("), std::string::npos);
}

// A search that stops on its iteration limit is a fault only while it still
// moves. With ResultTol 0 the one-sided secant search can never pass its
// residual test and so always goes on to MaxIter, nearly always settled on
// the last representable values of its root: no fault (df 10, sigma 1,
// alpha 0.9). At df 3, sigma 10, alpha 0.999 it is still moving at 28
// points. The two-sided search counts its own searches, never its starting
// guesses, which it refines afterwards.
TEST(Faults, SearchesOutOfIterationsCountOnlyWhileStillMoving) {
    ts::TempDir dir;
    ts::write_file(dir.path() + "/f.csv",
                   "kind,df,sigma,alpha,AdapQuadTol,FunctionTol,ResultTol\n"
                   "1,3,10,0.999,1e-4,1e-8,0\n"
                   "1,10,1,0.9,1e-4,1e-8,0\n"
                   "2,3,10,0.999,1e-4,1e-8,0\n");
    const ts::RunResult r = ts::run_tolvane("", dir.path(), "--cases f.csv -j 2");
    ASSERT_EQ(r.status, 0) << r.err;
    const Results res(r.out);
    ASSERT_EQ(res.rows.size(), 3u) << r.out;
    const char* const expected[] = {"28", "0", "55"};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(res.at(i, "out_of_iterations"), expected[i]) << i;
        EXPECT_EQ(res.at(i, "crossed"), "0") << i;
        EXPECT_EQ(res.at(i, "no_number"), "0") << i;
    }
    EXPECT_EQ(res.at(0, "message"),
              "line 2: search ended on its iteration limit at 28 points, s from "
              "2.3843339101573995 to 15.00238650797019");
}

// Every kind of fault seen gets one record with its count, in the dialogue
// and on the input-file run's terminal: the counts of the case list's
// columns for the same case, kind by kind. Limits crossed at df 100,
// sigma 10, alpha 0.001 two-sided at FunctionTol 1e-6; searches run out at
// df 3, sigma 10, alpha 0.999 one-sided.
TEST(Faults, EachKindSeenHasOneRecordWithTheListsCount) {
    struct Case {
        int kind;
        const char* df;
        const char* sigma;
        const char* alpha;
        const char* FunctionTol;
        int level, df_index, sigma_index;  // in the fixed tables
    };
    const std::pair<const char*, const char*> kinds[] = {
        {"crossed", "lower limit above the upper limit"},
        {"no_number", "no number for the limit"},
        {"out_of_iterations", "search ended on its iteration limit"}};
    for (const Case& c : {Case{2, "100", "10", "0.001", "1e-6", 1, 5, 3},
                          Case{1, "3", "10", "0.999", "1e-8", 10, 2, 3}}) {
        SCOPED_TRACE(std::to_string(c.kind) + "-sided, df " + c.df);
        ts::TempDir dir;
        const std::string values = std::string(c.df) + "," + c.sigma + "," + c.alpha;
        ts::write_file(dir.path() + "/f.csv", std::to_string(c.kind) + "," + values + ",1e-4," +
                                                  c.FunctionTol + ",0\n");
        const ts::RunResult list = ts::run_tolvane("", dir.path(), "--cases f.csv");
        const Results res(list.out);
        ASSERT_EQ(res.rows.size(), 1u) << list.out;
        const ts::RunResult dialogue = ts::run_tolvane(
            "1\n" + std::to_string(c.kind) + "\n" + std::string(c.df) + " " + c.sigma + " " +
            c.alpha + "\n1e-4 " + c.FunctionTol + " 0\n\n", dir.path());
        const auto index = [](int i) { return std::to_string(i) + " " + std::to_string(i) + "\n"; };
        ts::write_file(dir.path() + "/f.in", std::to_string(c.kind) + "\n" + index(c.level) +
                                                 index(c.df_index) + "1e-4 " + c.FunctionTol +
                                                 " 0\nf.rep\n" + index(c.sigma_index));
        const ts::RunResult file = ts::run_tolvane("2\nf.in\n", dir.path());
        ASSERT_EQ(file.status, 0) << file.err;
        int seen = 0;
        for (const auto& [column, words] : kinds) {
            const std::string count = res.at(0, column);
            if (count == "0") continue;
            ++seen;
            const std::string record = std::string(" Limit fault: ") + words + " at " + count +
                                       (count == "1" ? " point, s from" : " points, s from");
            EXPECT_EQ(ts::count_of(dialogue.out, record), 1) << record << dialogue.out;
            EXPECT_EQ(ts::count_of(file.out, record), 1) << record << file.out;
        }
        EXPECT_EQ(seen, 1);
        EXPECT_EQ(ts::count_of(dialogue.out, "Limit fault:"), seen);
        EXPECT_EQ(ts::count_of(file.out, "Limit fault:"), seen);
    }
}

// A reused pair counts as its fresh computation would: the same counts with
// the speed layer on and off.
TEST(Faults, CountsDoNotDependOnTheSpeedLayer) {
    const Case c{.sides = 2, .df = 100, .sigma = 10, .alpha = 0.001, .AdapQuadTol = 1e-3,
                 .FunctionTol = 1e-6, .ResultTol = 0};
    const bool was = speed::enabled();
    ts::TestContext tc;
    speed::enable(true);
    const CaseResult fast = run_case(c, tc);
    speed::enable(false);
    const CaseResult plain = run_case(c, tc);
    speed::enable(was);
    EXPECT_GT(fast.faults.kind[limitfaults::Crossed].count, 0);
    for (int k = 0; k < limitfaults::kinds; ++k) {
        EXPECT_EQ(fast.faults.kind[k].count, plain.faults.kind[k].count) << k;
        EXPECT_EQ(fast.faults.kind[k].s_least, plain.faults.kind[k].s_least) << k;
        EXPECT_EQ(fast.faults.kind[k].s_most, plain.faults.kind[k].s_most) << k;
    }
    EXPECT_EQ(fast.integral, plain.integral);
}

// The two-sided window splits its miss unequally by design: each tail beside
// the equal-tailed target, and the total as before.
TEST(Tails, EachTailOfATwoSidedPass) {
    ts::TempDir dir;
    const ts::RunResult r = ts::run_tolvane("1\n2\n10 1 0.95\n1e-6 1e-8 0\n\n", dir.path(), "--tails");
    const auto value_after = [&](const std::string& label) {
        const std::size_t at = r.out.find("\n " + label);
        EXPECT_NE(at, std::string::npos) << r.out;
        return at == std::string::npos ? NAN : std::strtod(r.out.c_str() + at + 2 + label.size(), nullptr);
    };
    EXPECT_NEAR(value_after("Lower tail miss"), 0.018690, 5e-6);
    EXPECT_NEAR(value_after("Upper tail miss"), 0.031310, 5e-6);
    EXPECT_NE(r.out.find(" Upper tail miss  0.0313101345  target (1-alpha)/2  0.025  difference  0.00631013454\n"),
              std::string::npos);
    EXPECT_NE(r.out.find(" Difference of approx. and 1-alpha is   3.1498012E-07\n Lower tail miss"),
              std::string::npos);
    // without the option the dialogue is as it always was
    const ts::RunResult plain = ts::run_tolvane("1\n2\n10 1 0.95\n1e-6 1e-8 0\n\n");
    EXPECT_EQ(plain.out.find("tail miss"), std::string::npos);
}

// A case list's lower_tail and upper_tail are the dialogue's "Lower tail
// miss" and "Upper tail miss" of the same case, each by its own name: the
// tails differ here by a factor of 1.7, so a swap shows.
TEST(Tails, CaseListColumnsAreTheDialoguesTailsByName) {
    ts::TempDir dir;
    const ts::RunResult dialogue =
        ts::run_tolvane("1\n2\n10 1 0.95\n1e-5 1e-8 0\n\n", dir.path(), "--tails");
    const auto value_after = [&](const std::string& label) {
        const std::size_t at = dialogue.out.find("\n " + label);
        EXPECT_NE(at, std::string::npos) << dialogue.out;
        return at == std::string::npos ? NAN
                                       : std::strtod(dialogue.out.c_str() + at + 2 + label.size(), nullptr);
    };
    ts::write_file(dir.path() + "/t.csv",
                   "ResultTol,FunctionTol,AdapQuadTol,alpha,sigma,df,kind\n0,1e-8,1e-5,0.95,1,10,2\n");
    const ts::RunResult list = ts::run_tolvane("", dir.path(), "--cases t.csv");
    ASSERT_EQ(list.status, 0) << list.err;
    const Results res(list.out);
    ASSERT_EQ(res.rows.size(), 1u) << list.out;
    const double lower = std::stod(res.at(0, "lower_tail"));
    const double upper = std::stod(res.at(0, "upper_tail"));
    EXPECT_GT(upper - lower, 0.01);
    // The dialogue prints nine significant digits.
    EXPECT_NEAR(lower, value_after("Lower tail miss"), 1e-10);
    EXPECT_NEAR(upper, value_after("Upper tail miss"), 1e-10);
    EXPECT_EQ(lower + upper, std::stod(res.at(0, "integral")));
}

// ---- the setting of the dialogue and the input-file run ----

// --lambda and --gamma2 set the cases of the dialogue and of an input file;
// the dialogue's help text and the report's heading say the setting when it
// is not the standardised one, and --plan carries it into every row.
TEST(Setting, OptionsReachTheCasesAndAreSaid) {
    ts::TempDir dir;
    const std::string pass = "1\n1\n10 1 0.9\n1e-4 1e-8 0\n\n";
    const ts::RunResult plain = ts::run_tolvane(pass, dir.path());
    const ts::RunResult set = ts::run_tolvane(pass, dir.path(), "--lambda -1 --gamma2 5");
    EXPECT_NE(plain.out.find(" case of mu=0, lambda=0.5, gamma-squared=df+1 is \n"), std::string::npos);
    EXPECT_NE(set.out.find(" case of mu=0, lambda=-1, gamma-squared=5 is \n"), std::string::npos);
    auto integral = [](const std::string& out) {
        const auto at = out.find("Approx. to integral is (should be 1-alpha)");
        return at == std::string::npos ? -1.0 : std::stod(out.substr(at + 43, 20));
    };
    EXPECT_NEAR(integral(plain.out), 0.1, 1e-4);
    EXPECT_NEAR(integral(set.out), 0.1, 2e-4);
    EXPECT_NE(integral(plain.out), integral(set.out));

    ts::write_file(dir.path() + "/s.in", "1\n5 5\n4 4\n1e-4 1e-8 0\ns.rep\n2 2\n");
    EXPECT_EQ(ts::run_tolvane("2\ns.in\n", dir.path(), "--gamma2 df+3").status, 0);
    const std::vector<std::string> report = ts::lines_of(ts::read_file(dir.path() + "/s.rep"));
    ASSERT_GE(report.size(), 2u);
    EXPECT_EQ(report[1], " Setting: mu=0, lambda=0.5, gamma-squared=df+3");
    EXPECT_EQ(ts::run_tolvane("2\ns.in\n", dir.path()).status, 0);
    EXPECT_EQ(ts::read_file(dir.path() + "/s.rep").find("Setting"), std::string::npos);

    const ts::RunResult plan = ts::run_tolvane("", dir.path(), "--plan s.in --lambda 2 --gamma2 df+3");
    const Results rows(plan.out);
    ASSERT_EQ(rows.rows.size(), 1u) << plan.out << plan.err;
    EXPECT_EQ(rows.at(0, "lambda"), "2");
    EXPECT_EQ(rows.at(0, "gamma2"), "13");
    EXPECT_EQ(rows.at(0, "mu"), "0");

    for (const char* bad : {"--lambda 0x10", "--lambda nan", "--gamma2 -1", "--gamma2 df*2",
                            "--lambda 1 --cases s.in", "--limits-timeout 0x10 --limits cat",
                            "--limits-timeout ' 5' --limits cat"}) {
        const ts::RunResult r = ts::run_tolvane(pass, dir.path(), bad);
        EXPECT_EQ(r.status, 2) << bad;
        EXPECT_EQ(r.out, "") << bad;
        EXPECT_EQ(ts::count_of(r.err, "\n"), 1) << bad << r.err;
    }
}

// ---- verdicts a CI can act on, and grids ----

// --max-error: a case beyond it is a miss, and so is one refused; a summary
// line on standard error names the worst, and exit status 4 says a case missed.
TEST(Verdicts, MaxErrorSumsUpAndSetsTheStatus) {
    ts::TempDir dir;
    ts::write_file(dir.path() + "/one.in", "1\n5 5\n4 4\n1e-4 1e-8 0\none.rep\n1 3\n");
    const ts::RunResult loose = ts::run_tolvane("2\none.in\n", dir.path(), "--max-error 1e-3");
    EXPECT_EQ(loose.status, 0) << loose.err;
    EXPECT_EQ(loose.err.rfind("tolvane: 0 of 3 cases beyond 0.001, worst: alpha 0.1, df 10, sigma ", 0),
              0u)
        << loose.err;
    const ts::RunResult tight = ts::run_tolvane("2\none.in\n", dir.path(), "--max-error 1e-9");
    EXPECT_EQ(tight.status, 4);
    EXPECT_EQ(tight.err.rfind("tolvane: 3 of 3 cases beyond 1e-09, worst: alpha 0.1, df 10, sigma ", 0),
              0u)
        << tight.err;
    // Without the option nothing changes: no line, status 0.
    const ts::RunResult plain = ts::run_tolvane("2\none.in\n", dir.path());
    EXPECT_EQ(plain.status, 0);
    EXPECT_EQ(plain.err, "");
    EXPECT_EQ(plain.out, loose.out);

    ts::write_file(dir.path() + "/list.csv", "1,10,1,0.9,1e-4,1e-8,0\n1,1.5,1,0.9,1e-4,1e-8,0\n");
    const ts::RunResult list = ts::run_tolvane("", dir.path(), "--cases list.csv --max-error 1e-3");
    EXPECT_EQ(list.status, 4);
    EXPECT_NE(list.err.find("1 of 2 cases beyond 0.001, worst: line 1: difference "),
              std::string::npos)
        << list.err;
    EXPECT_NE(list.err.find("; 1 refused or failed, the first line 2\n"), std::string::npos)
        << list.err;
    EXPECT_EQ(ts::run_tolvane("", dir.path(), "--cases list.csv").status, 0);

    // No number is as far from the target as can be: a difference of nan
    // misses any bound (df 2^31 at sigma 1e150 leaves the limit code no number).
    ts::write_file(dir.path() + "/nan.csv", "1,2147483648,1e150,0.9,1e-4,1e-8,0\n");
    const ts::RunResult none = ts::run_tolvane("", dir.path(), "--cases nan.csv --max-error 1");
    EXPECT_EQ(none.status, 4);
    EXPECT_NE(none.err.find("tolvane: 1 of 1 case beyond 1, worst: line 1: difference nan"),
              std::string::npos);
}

// --equal-tails: the program's own two-sided interval is not equal-tailed
// (df 10, sigma 1, alpha 0.95: tails 0.0187 and 0.0313), so its tails miss
// while its coverage does not.
TEST(Verdicts, EqualTailsJudgesEachTail) {
    ts::TempDir dir;
    ts::write_file(dir.path() + "/two.csv", "2,10,1,0.95,1e-4,1e-7,0\n");
    const ts::RunResult whole =
        ts::run_tolvane("", dir.path(), "--cases two.csv --max-error 1e-3");
    EXPECT_EQ(whole.status, 0) << whole.err;
    const ts::RunResult tails =
        ts::run_tolvane("", dir.path(), "--cases two.csv --max-error 1e-3 --equal-tails");
    EXPECT_EQ(tails.status, 4);
    EXPECT_NE(tails.err.find("1 of 1 case beyond 0.001, worst: line 1: upper tail difference 0.006"),
              std::string::npos)
        << tails.err;
    for (const char* bad : {"--cases two.csv --equal-tails", "--cases two.csv --max-error -1",
                            "--cases two.csv --max-error x"})
        EXPECT_EQ(ts::run_tolvane("", dir.path(), bad).status, 2) << bad;
}

// --grid writes a case list: every combination, sigma fastest, the ends of a
// range as given and the points between evenly spaced (in log with "log").
TEST(Grid, WritesEveryCaseOfTheGrid) {
    const ts::RunResult r = ts::run_tolvane("", ts::make_tempdir(),
                                            "--grid 'df=2,5 sigma=0.1..10:3log alpha=0.05,0.95 gamma2=df'");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> lines = ts::lines_of(r.out);
    ASSERT_EQ(lines.size(), 13u);
    EXPECT_EQ(lines[0], "kind,df,sigma,alpha,AdapQuadTol,FunctionTol,ResultTol,gamma2");
    EXPECT_EQ(lines[1], "1,2,0.1,0.05,1e-06,1e-08,0,df");
    EXPECT_EQ(lines[2], "1,2,1,0.05,1e-06,1e-08,0,df");
    EXPECT_EQ(lines[3], "1,2,10,0.05,1e-06,1e-08,0,df");
    EXPECT_EQ(lines[4], "1,5,0.1,0.05,1e-06,1e-08,0,df");
    EXPECT_EQ(lines[12], "1,5,10,0.95,1e-06,1e-08,0,df");
    for (const char* bad : {"'df=2 sigma=1'", "'df=2 df=3 sigma=1 alpha=0.9'",
                            "'df=2 sigma=0..1:3log alpha=0.9'", "'df=2 sigma=1 alpha=0.9 beta=1'",
                            "'df=2 sigma=1..2 alpha=0.9'", "'df=2 sigma=x alpha=0.9'"}) {
        const ts::RunResult b = ts::run_tolvane("", ts::make_tempdir(), std::string("--grid ") + bad);
        EXPECT_EQ(b.status, 2) << bad;
        EXPECT_EQ(b.out, "") << bad;
    }
}

// At lambda 0 the built-in limits are the t limits, whose coverage is exact:
// the verifier checks itself against that closed form, one- and two-sided
// (each tail (1 - alpha)/2 too), in any gamma^2 and mu. The cut ends of the
// p-range can lose up to 2 AdapQuadTol.
TEST(Setting, LambdaZeroIsExactAndTheVerifierSaysSo) {
    ts::TempDir dir;
    ts::write_file(dir.path() + "/l0.csv",
                   "kind,df,sigma,alpha,AdapQuadTol,FunctionTol,ResultTol,lambda,gamma2,mu\n"
                   "1,5,1,0.95,1e-7,1e-8,0,0,6,0\n"
                   "1,2,3,0.1,1e-7,1e-8,0,0,1,2\n"
                   "2,10,1,0.95,1e-7,1e-8,0,0,df+1,0\n"
                   "2,3,0.2,0.9,1e-7,1e-8,0,0,50,-1\n");
    const ts::RunResult r = ts::run_tolvane("", dir.path(), "--cases l0.csv --max-error 4e-7 --equal-tails");
    EXPECT_EQ(r.status, 0) << r.err;
    const Results res(r.out);
    ASSERT_EQ(res.rows.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(res.at(i, "status"), "ok") << i;
        EXPECT_LE(std::fabs(std::stod(res.at(i, "difference"))), 4e-7) << i;
        EXPECT_EQ(res.at(i, "message"), "") << res.at(i, "message");  // inside the domain
    }
    // The dialogue too: the t limits, not the limit code's refusal.
    const ts::RunResult d =
        ts::run_tolvane("1\n2\n10 1 0.95\n1e-6 1e-8 0\n\n", dir.path(), "--lambda 0 --tails");
    EXPECT_EQ(d.out.find("no limits"), std::string::npos) << d.out;
    EXPECT_NE(d.out.find("Lower tail miss  0.02500"), std::string::npos) << d.out;
    EXPECT_NE(d.out.find("Upper tail miss  0.02499"), std::string::npos) << d.out;
}

// A negative lambda's two-sided interval is the mirror image of the positive
// one's (its lower limit from the other's upper), so the built-in limits meet
// their target there too and the tails trade places; at gamma^2 and mu of
// the case's own.
TEST(Setting, NegativeLambdaTwoSidedMeetsItsTargetWithTheTailsMirrored) {
    ts::TempDir dir;
    ts::write_file(dir.path() + "/mirror.csv",
                   "kind,df,sigma,alpha,AdapQuadTol,FunctionTol,ResultTol,lambda,gamma2,mu\n"
                   "2,10,1,0.95,1e-6,1e-8,0,-1,df,0\n"
                   "2,10,1,0.95,1e-6,1e-8,0,1,df,0\n"
                   "2,4,0.3,0.9,1e-6,1e-8,0,-0.5,50,2\n"
                   "2,4,0.3,0.9,1e-6,1e-8,0,0.5,50,-3\n");
    const ts::RunResult r = ts::run_tolvane("", dir.path(), "--cases mirror.csv");
    EXPECT_EQ(r.status, 0) << r.err;
    const Results res(r.out);
    ASSERT_EQ(res.rows.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(res.at(i, "status"), "ok") << i;
        EXPECT_LE(std::fabs(std::stod(res.at(i, "difference"))), 1e-6) << i;
    }
    for (std::size_t i : {0u, 2u}) {
        EXPECT_NEAR(std::stod(res.at(i, "lower_tail")), std::stod(res.at(i + 1, "upper_tail")), 1e-5);
        EXPECT_NEAR(std::stod(res.at(i, "upper_tail")), std::stod(res.at(i + 1, "lower_tail")), 1e-5);
        // The tails differ, or the swap would say nothing.
        EXPECT_GT(std::fabs(std::stod(res.at(i, "lower_tail")) - std::stod(res.at(i, "upper_tail"))), 0.01);
    }
}
