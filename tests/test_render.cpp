// The program's own parts of a run in parts, through the built program: a
// case list's results with --records, put together by --render into what the
// input-file run writes (terminal output, report, tolvane.int) or into a
// list's results, only from the rows of the cases; --count, and -o's whole
// files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <regex>
#include <string>
#include <vector>

#include "CaseList.h"
#include "test_support.h"

namespace {

// What depends on the clock masked, as scripts/mask-clock masks it.
std::string masked(const std::string& text) {
    static const std::regex date(R"(^[ 0-9]{2}:[ 0-9]{2}    [ 0-9]{2}/[ 0-9]{2}/[0-9]{4}$)");
    static const std::regex minutes(R"([-0-9.*]+( +min\.| +minutes))");
    std::string out;
    for (const std::string& line : ts::lines_of(text))
        out += (std::regex_match(line, date)
                    ? std::string("<date>")
                    : std::regex_replace(line, minutes, "<minutes>$1",
                                         std::regex_constants::format_first_only)) +
               "\n";
    return out;
}

// Results without their seconds column (the 14th), which is the clock's.
std::string without_seconds(const std::string& csv) {
    bool heading = false;
    std::string out;
    for (const caselist::Row& row : caselist::read("x\n" + csv, heading)) {
        for (std::size_t i = 0; i < row.fields.size(); ++i)
            if (i != 13) out += caselist::field(row.fields[i]) + ",";
        out += "\n";
    }
    return out;
}

// The input file run once, and in `parts` parts put together: the parts
// computed from its plan with --records, then --render.
struct Both {
    ts::TempDir run, parts;
    ts::RunResult single, rendered;
    Both(const std::string& input, int n) {
        ts::write_file(run.path() + "/run.in", input);
        ts::write_file(parts.path() + "/run.in", input);
        single = ts::run_tolvane("2\nrun.in\n", run.path());
        EXPECT_EQ(ts::run_tolvane("", parts.path(), "--plan run.in -o plan.csv").status, 0);
        std::string files;
        for (int k = 1; k <= n; ++k) {
            const std::string part = std::to_string(k) + "/" + std::to_string(n);
            const ts::RunResult r = ts::run_tolvane(
                "", parts.path(),
                "--cases plan.csv --part " + part + " --records -o p" + std::to_string(k) + ".csv");
            EXPECT_EQ(r.status, 0) << r.err;
            files += " p" + std::to_string(k) + ".csv";
        }
        rendered = ts::run_tolvane("", parts.path(), "--render run.in" + files);
    }
    std::string file(const ts::TempDir& d, const std::string& name) const {
        return ts::read_file(d.path() + "/" + name);
    }
};

}  // namespace

// The run's outputs from its parts, byte for byte up to the clock: one-sided
// cases without a sigma record, at AdapQuadTol 0 (every integral writes its
// ier 6 records) and outside the measured domain (its record); two-sided
// cases with tolvane.int.
TEST(Render, PutsTheRunTogetherFromItsParts) {
    {
        Both b("1\n6 6\n3 4\n0 1e-6 0\none.rep\n", 3);
        ASSERT_EQ(b.single.status, 0) << b.single.err;
        EXPECT_EQ(b.rendered.status, 0) << b.rendered.err;
        EXPECT_EQ(b.rendered.err, b.single.err);
        EXPECT_NE(b.single.out.find("Error reading sigmas"), std::string::npos);
        EXPECT_NE(b.single.out.find("ier,lvl"), std::string::npos);
        EXPECT_NE(b.single.out.find("Outside the measured domain"), std::string::npos);
        EXPECT_EQ(masked(b.rendered.out), masked(b.single.out));
        EXPECT_EQ(masked(b.file(b.parts, "one.rep")), masked(b.file(b.run, "one.rep")));
    }
    {
        Both b("2\n6 7\n4 4\n1e-6 1e-8 0\ntwo.rep\n2 2\n", 2);
        ASSERT_EQ(b.single.status, 0) << b.single.err;
        EXPECT_EQ(b.rendered.status, 0) << b.rendered.err;
        EXPECT_EQ(masked(b.rendered.out), masked(b.single.out));
        EXPECT_EQ(masked(b.file(b.parts, "two.rep")), masked(b.file(b.run, "two.rep")));
        EXPECT_EQ(b.file(b.parts, "tolvane.int"), b.file(b.run, "tolvane.int"));
    }
    {
        // df 5, sigma 10, alpha 0.995: one search out of iterations, a fault
        // record whose s range is that one point.
        Both b("1\n9 9\n3 3\n1e-6 1e-8 0\none.rep\n3 3\n", 1);
        ASSERT_EQ(b.single.status, 0) << b.single.err;
        EXPECT_NE(b.single.out.find("at 1 point, s from "), std::string::npos) << b.single.out;
        EXPECT_EQ(masked(b.rendered.out), masked(b.single.out));
    }
}

// Results are taken only when their rows are the plan's, each case once, in
// its order; otherwise nothing is written (the previous report stays), with
// one line naming the file and its line, and exit status 5.
TEST(Render, RefusesResultsThatAreNotThePlans) {
    ts::TempDir dir;
    ts::write_file(dir.path() + "/run.in", "1\n6 6\n3 4\n1e-6 1e-8 0\none.rep\n1 1\n");
    ts::write_file(dir.path() + "/other.in", "1\n6 6\n3 4\n1e-5 1e-8 0\nother.rep\n1 1\n");
    ts::write_file(dir.path() + "/one.rep", "previous\n");
    ASSERT_EQ(ts::run_tolvane("", dir.path(), "--plan run.in -o plan.csv").status, 0);
    ASSERT_EQ(ts::run_tolvane("", dir.path(), "--plan other.in -o other.csv").status, 0);
    for (const char* args : {"--cases plan.csv --part 1/2 --records -o p1.csv",
                             "--cases plan.csv --part 2/2 --records -o p2.csv",
                             "--cases other.csv --part 2/2 --records -o q2.csv",
                             "--cases plan.csv --part 2/2 -o plain.csv"})
        ASSERT_EQ(ts::run_tolvane("", dir.path(), args).status, 0) << args;
    ASSERT_EQ(ts::run_tolvane("", dir.path(), "--render run.in p1.csv p2.csv").status, 0);
    ts::write_file(dir.path() + "/one.rep", "previous\n");
    const struct {
        const char* files;
        const char* says;
    } wrong[] = {
        {"p2.csv p1.csv", "p2.csv: line 2: not the results of the case alpha 0.9, df 5, sigma 0.1 (case 1 of 2 of run.in): df is '10', not 5"},
        {"p1.csv", "the results end before the case alpha 0.9, df 10, sigma 0.1 (case 2 of 2 of run.in)"},
        {"p1.csv p2.csv p2.csv", "p2.csv: line 2: more results than the 2 cases of run.in"},
        {"p1.csv q2.csv", "q2.csv: line 2: not the results of the case alpha 0.9, df 10, sigma 0.1 (case 2 of 2 of run.in): AdapQuadTol is '1e-05', not 1e-06"},
        {"p1.csv plain.csv", "plain.csv: line 1: not the heading of results written with --records"},
        {"p1.csv missing.csv", "missing.csv: cannot open the results: No such file or directory"},
    };
    for (const auto& w : wrong) {
        SCOPED_TRACE(w.files);
        const ts::RunResult r = ts::run_tolvane("", dir.path(), std::string("--render run.in ") + w.files);
        EXPECT_EQ(r.status, 5);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, std::string("tolvane: ") + w.says + "\n");
        EXPECT_EQ(ts::read_file(dir.path() + "/one.rep"), "previous\n");
    }
    // No output overwrites an input: a report that is one of the results.
    ts::write_file(dir.path() + "/self.in", "1\n6 6\n3 4\n1e-6 1e-8 0\np1.csv\n1 1\n");
    const ts::RunResult self = ts::run_tolvane("", dir.path(), "--render self.in p1.csv p2.csv");
    EXPECT_EQ(self.status, 2);
    EXPECT_NE(self.err.find("p1.csv: the output is the same file as the results file p1.csv"),
              std::string::npos)
        << self.err;
}

// What the run refuses, --render refuses with the run's own output, message
// and status; a first record neither 1 nor 2 gives the run's messages.
TEST(Render, RefusesWhatTheRunRefuses) {
    const char* const files[] = {
        "1\n6 6\n4 4\n1 1 1\nrep.txt\n2 2\n",       // AdapQuadTol turns the range over
        "1\n6 6\n9 9\n1e-6 1e-8 0\nrep.txt\n2 2\n",  // df index outside the table
        "1\n6 6\n",                                  // missing records
        "2\n6 6\n4 4\n1e-6 1e-8 0\ntolvane.int\n2 2\n",
        "3\n6 6\n4 4\n1e-6 1e-8 0\nrep.txt\n",       // selects no table
    };
    for (const char* f : files) {
        SCOPED_TRACE(f);
        ts::TempDir run, render;
        ts::write_file(run.path() + "/run.in", f);
        ts::write_file(render.path() + "/run.in", f);
        const ts::RunResult a = ts::run_tolvane("2\nrun.in\n", run.path());
        const ts::RunResult b = ts::run_tolvane("", render.path(), "--render run.in");
        EXPECT_EQ(b.status, a.status);
        EXPECT_EQ(b.err, a.err);
        EXPECT_EQ(b.out, a.out);
    }
    for (const char* bad : {"--render", "--render run.in --records", "-j 2 --render run.in",
                            "--plan run.in --render x", "--count --cases x.csv --render y"})
        EXPECT_EQ(ts::run_tolvane("", ts::TempDir().path(), bad).status, 2) << bad;
}

// A case list's parts put together are its whole run's results; the records
// of its cases go to standard error as that run writes them there (the
// domain record left in the message); rows of another list are refused.
TEST(Render, PutsAListTogetherFromItsParts) {
    ts::TempDir dir;
    ts::write_file(dir.path() + "/c.csv",
                   "kind,df,sigma,alpha,AdapQuadTol,FunctionTol,ResultTol\n"
                   "1,10,1,0.9,0,1e-8,0\n"
                   "1,abc,1,0.9,1e-6,1e-8,0\n"
                   "# a comment\n"
                   "2,10,1,0.95,1e-4,1e-8,0\n"
                   "1,2000,1,0.9,1e-4,1e-8,0\n"
                   "1,10\n");
    // The first row computes nothing (AdapQuadTol 0): failed, exit status 3;
    // its part, for an input-file run's --render, carries it and exits 0.
    const ts::RunResult whole = ts::run_tolvane("", dir.path(), "--cases c.csv");
    ASSERT_EQ(whole.status, 3) << whole.err;
    EXPECT_NE(whole.err.find("ier,lvl"), std::string::npos);
    for (int k = 1; k <= 3; ++k)
        ASSERT_EQ(ts::run_tolvane("", dir.path(),
                                  "--cases c.csv --records --part " + std::to_string(k) +
                                      "/3 -o p" + std::to_string(k) + ".csv")
                      .status,
                  0);
    const ts::RunResult put = ts::run_tolvane("", dir.path(), "--cases c.csv --render p1.csv p2.csv p3.csv");
    EXPECT_EQ(put.status, 3) << put.err;
    EXPECT_EQ(without_seconds(put.out), without_seconds(whole.out));
    EXPECT_EQ(put.err, whole.err);
    // A part of its slice alone, for a check that it is whole.
    EXPECT_EQ(ts::run_tolvane("", dir.path(), "--cases c.csv --part 2/3 -o /dev/null --render p2.csv").status, 0);
    EXPECT_EQ(ts::run_tolvane("", dir.path(), "--cases c.csv --part 2/3 -o /dev/null --render p3.csv").status, 5);
    ts::write_file(dir.path() + "/d.csv", "1,10,1,0.9,0,1e-8,0\n1,abc,1,0.9,1e-6,1e-8,0\n2,10,1,0.95,1e-4,1e-8,0\n1,2000,1,0.9,1e-4,1e-8,0\n1,10\n");
    const ts::RunResult other = ts::run_tolvane("", dir.path(), "--cases d.csv -o d.results.csv --render p1.csv p2.csv p3.csv");
    EXPECT_EQ(other.status, 5);
    EXPECT_EQ(other.err, "tolvane: p1.csv: line 2: not the results of line 1 of d.csv: the results of line 2, not of line 1\n");
    EXPECT_FALSE(ts::file_exists(dir.path() + "/d.results.csv"));
}

// --records: I_L and I_U as computed, so that each output's own rounding of
// the miss probability comes out; the faults' ranges of s; the clock readings.
TEST(Records, CarryWhatTheOutputsNeed) {
    ts::TempDir dir;
    ts::write_file(dir.path() + "/c.csv", "2,10,1,0.95,1e-4,1e-8,0\n");
    const ts::RunResult r = ts::run_tolvane("", dir.path(), "--cases c.csv --records");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    bool heading = false;
    const std::vector<caselist::Row> rows = caselist::read("x\n" + r.out, heading);
    ASSERT_EQ(rows.size(), 3u);
    const std::vector<std::string>& names = rows[1].fields;
    const std::vector<std::string>& row = rows[2].fields;
    ASSERT_EQ(names.size(), row.size());
    auto at = [&](const std::string& name) {
        for (std::size_t i = 0; i < names.size(); ++i)
            if (names[i] == name) return row[i];
        return std::string("<none>");
    };
    const double lower = std::stod(at("I_L")), upper = std::stod(at("I_U"));
    EXPECT_EQ(caselist::real((1.0 - lower) + upper), at("integral"));
    EXPECT_EQ(caselist::real(1.0 - lower), at("lower_tail"));
    EXPECT_EQ(at("line"), "1");
    EXPECT_EQ(at("crossed_s_least"), "");
    EXPECT_LE(std::stod(at("clock_begin")), std::stod(at("clock_end")));
    EXPECT_EQ(at("failure"), "");
}

// --count counts the case rows as --cases reads them; -o writes the results
// whole, and never over the list or into a directory.
TEST(Cases, CountAndOutputFile) {
    ts::TempDir dir;
    ts::write_file(dir.path() + "/c.csv",
                   "\xEF\xBB\xBF# a comment\nkind,df,sigma,alpha,AdapQuadTol,FunctionTol,ResultTol\n"
                   "1,10,1,0.9,1e-4,1e-8,0\n\n\"1\",\"2\n3\",1,0.9,0,0,0\n1,abc\n");
    const ts::RunResult n = ts::run_tolvane("", dir.path(), "--cases c.csv --count");
    EXPECT_EQ(n.status, 0);
    EXPECT_EQ(n.out, "3\n");
    const ts::RunResult out = ts::run_tolvane("", dir.path(), "--cases c.csv -o r.csv");
    EXPECT_EQ(out.status, 0) << out.err;
    EXPECT_EQ(out.out, "");
    const ts::RunResult plain = ts::run_tolvane("", dir.path(), "--cases c.csv");
    EXPECT_EQ(without_seconds(ts::read_file(dir.path() + "/r.csv")), without_seconds(plain.out));
    // A file written again keeps its mode: results kept private stay so.
    const std::string results = dir.path() + "/r.csv";
    ASSERT_EQ(::chmod(results.c_str(), 0600), 0);
    EXPECT_EQ(ts::run_tolvane("", dir.path(), "--cases c.csv -o r.csv").status, 0);
    struct stat st {};
    ASSERT_EQ(::stat(results.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    const std::string list = ts::read_file(dir.path() + "/c.csv");
    const ts::RunResult self = ts::run_tolvane("", dir.path(), "--cases c.csv -o ./c.csv");
    EXPECT_EQ(self.status, 2);
    EXPECT_EQ(ts::read_file(dir.path() + "/c.csv"), list);
    EXPECT_EQ(self.err, "tolvane: ./c.csv: the output is the same file as the case list c.csv, which it would overwrite\n");
    const ts::RunResult into = ts::run_tolvane("", dir.path(), "--cases c.csv -o .");
    EXPECT_EQ(into.status, 2);
    EXPECT_EQ(into.err, "tolvane: .: cannot create the file: Is a directory\n");
    const ts::RunResult bad = ts::run_tolvane("", dir.path(), "--cases c.csv --count --part 1/2");
    EXPECT_EQ(bad.status, 2);
}

// --render refuses a report that is its own input file with the run's line
// and status, and writes nothing over it.
TEST(Render, RefusesAReportThatIsTheInputAsTheRunDoes) {
    ts::TempDir dir;
    const std::string input = "1\n5 5\n4 4\n1e-4 1e-8 0\nself.in\n1 1\n";
    ts::write_file(dir.path() + "/self.in", input);
    const ts::RunResult run = ts::run_tolvane("2\nself.in\n", dir.path());
    const ts::RunResult render = ts::run_tolvane("", dir.path(), "--render self.in /dev/null");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(render.status, run.status);
    EXPECT_EQ(render.err, run.err);
    EXPECT_EQ(ts::read_file(dir.path() + "/self.in"), input);
}

// --max-error judges parts put together as it judges the run of the whole:
// the same summary line and exit status, for a case list and an input file.
TEST(Render, VerdictsOfPartsAreThoseOfTheWhole) {
    ts::TempDir dir;
    ts::write_file(dir.path() + "/c.csv", "1,10,1,0.9,1e-4,1e-8,0\n1,abc,1,0.9,0,0,0\n2,5,1,0.95,1e-3,1e-6,0\n");
    const ts::RunResult whole = ts::run_tolvane("", dir.path(), "--cases c.csv --max-error 1e-5 --equal-tails");
    for (int k = 1; k <= 2; ++k)
        ASSERT_EQ(ts::run_tolvane("", dir.path(), "--cases c.csv --records --part " + std::to_string(k) +
                                                      "/2 -o p" + std::to_string(k) + ".csv")
                      .status,
                  0);
    const ts::RunResult put = ts::run_tolvane(
        "", dir.path(), "--cases c.csv --max-error 1e-5 --equal-tails --render p1.csv p2.csv");
    EXPECT_EQ(whole.status, 4);
    EXPECT_EQ(put.status, whole.status);
    EXPECT_EQ(ts::lines_of(put.err).back(), ts::lines_of(whole.err).back());

    ts::write_file(dir.path() + "/one.in", "1\n5 5\n4 4\n1e-4 1e-8 0\none.rep\n1 3\n");
    const ts::RunResult run = ts::run_tolvane("2\none.in\n", dir.path(), "--max-error 1e-9");
    ASSERT_EQ(ts::run_tolvane("", dir.path(), "--plan one.in -o plan.csv").status, 0);
    ASSERT_EQ(ts::run_tolvane("", dir.path(), "--cases plan.csv --records -o q.csv").status, 0);
    const ts::RunResult rendered = ts::run_tolvane("", dir.path(), "--max-error 1e-9 --render one.in q.csv");
    EXPECT_EQ(run.status, 4);
    EXPECT_EQ(rendered.status, 4);
    EXPECT_EQ(rendered.err, run.err);
}
