// Input and output that fail or mislead, end to end: nothing lost, nothing
// garbled, nothing hangs. Each run is a child of the test in its own directory.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

namespace fs = std::filesystem;

// A fresh directory, removed with everything in it at the end of the test.
struct Dir {
    ts::TempDir tmp;
    const std::string& path = tmp.path();
    std::string at(const std::string& name) const { return path + "/" + name; }
    void write(const std::string& name, const std::string& text) const {
        ts::write_file(at(name), text);
    }
    std::string read(const std::string& name) const { return ts::read_file(at(name)); }
    bool has(const std::string& name) const {
        std::error_code ec;
        return fs::symlink_status(at(name), ec).type() != fs::file_type::not_found;
    }
};

using ts::lines_of;

// Every case runs at once (AdapQuadTol = 0 refuses each integral), so tables of
// any size are quick.
const std::string kOneSidedAll = "1\n1 10\n1 6\n0 1e-8 0\nrep.txt\n1 3\n";
const std::string kTwoSidedAll = "2\n1 10\n1 6\n0 1e-8 0\nrep.txt\n1 3\n";

// ---- the report file and tolvane.int ----

TEST(OutputFiles, ReportThatIsTolvaneIntUnderAnyNameIsRefused) {
    const std::string earlier = "results of an earlier run\n";
    struct Case {
        const char* report;                  // as written in record 5
        bool int_exists;                     // tolvane.int there before the run
        void (*prepare)(const Dir&);         // links and directories the name needs
    };
    const Case cases[] = {
        {"tolvane.int", true, [](const Dir&) {}},
        {"tolvane.int", false, [](const Dir&) {}},
        {"'./tolvane.int'", true, [](const Dir&) {}},
        {"'sub/../tolvane.int'", false, [](const Dir& d) { fs::create_directory(d.at("sub")); }},
        {"link.rep", true, [](const Dir& d) { fs::create_symlink("tolvane.int", d.at("link.rep")); }},
        // A dangling link: the report would be created as tolvane.int.
        {"link.rep", false, [](const Dir& d) { fs::create_symlink("tolvane.int", d.at("link.rep")); }},
        // ...and one to the absolute name, from a directory of its own.
        {"'sub/abs.rep'", false,
         [](const Dir& d) {
             fs::create_directory(d.at("sub"));
             fs::create_symlink(fs::absolute(d.at("tolvane.int")), d.at("sub/abs.rep"));
         }},
        {"hard.rep", true, [](const Dir& d) { fs::create_hard_link(d.at("tolvane.int"), d.at("hard.rep")); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.report) + (c.int_exists ? " (tolvane.int exists)" : ""));
        Dir d;
        if (c.int_exists) d.write("tolvane.int", earlier);
        c.prepare(d);
        d.write("run.in", "2\n6 6\n4 4\n0 1e-8 0\n" + std::string(c.report) + "\n2 2\n");
        const ts::RunResult r = ts::run_tolvane("2\nrun.in\n", d.path);
        EXPECT_EQ(r.status, 2);
        std::string shown = c.report;
        if (shown[0] == '\'') shown = shown.substr(1, shown.size() - 2);
        EXPECT_EQ(r.err, "tolvane: " + shown +
                             ": the report file is the same file as tolvane.int, which holds "
                             "the intermediate results of a two-sided run\n");
        // Nothing written: an earlier tolvane.int is as it was, or there is none.
        if (c.int_exists)
            EXPECT_EQ(d.read("tolvane.int"), earlier);
        else
            EXPECT_FALSE(d.has("tolvane.int"));
        // The plan knows it by the name alone, as the run's entry does.
        const ts::RunResult plan = ts::run_tolvane("", d.path, "--plan run.in");
        EXPECT_EQ(plan.status, 2);
        EXPECT_EQ(plan.err, r.err);
    }

    // A one-sided run writes no tolvane.int, so the name is an ordinary report.
    Dir d;
    d.write("run.in", "1\n6 6\n4 4\n0 1e-8 0\ntolvane.int\n2 2\n");
    const ts::RunResult one = ts::run_tolvane("2\nrun.in\n", d.path);
    EXPECT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(lines_of(d.read("tolvane.int")).size(), 5u);
}

// The input-file run and --plan refuse the same report names, with the same
// line and status, whether tolvane.int is there yet or not: every spelling of
// tolvane.int (two-sided), of the input file itself (either kind), and a name
// whose directory is missing. A name the run refuses for what it is leaves
// every file as it was: the input file is never emptied into a report.
TEST(OutputFiles, RunAndPlanRefuseTheSameNames) {
    using Prepare = void (*)(const Dir&);
    const Prepare nothing = [](const Dir&) {};
    const Prepare adir = [](const Dir& d) { fs::create_directory(d.at("adir")); };
    enum Refused { No, TwoSided, Always };
    struct Case {
        const char* input;   // the input file's name
        const char* report;  // as written in record 5
        Prepare prepare;     // links and directories the names need
        Refused refused;
        bool same_file;      // refused for what the name is: nothing is touched
    };
    const Case cases[] = {
        {"self.in", "tolvane.int", nothing, TwoSided, true},
        {"self.in", "'./tolvane.int'", nothing, TwoSided, true},
        {"self.in", "'adir/../tolvane.int'", adir, TwoSided, true},
        // Without adir the kernel cannot walk through it: no such file.
        {"self.in", "'adir/../tolvane.int'", nothing, Always, false},
        {"self.in", "int.lnk", [](const Dir& d) { fs::create_symlink("tolvane.int", d.at("int.lnk")); },
         TwoSided, true},
        {"self.in", "hard.rep",
         [](const Dir& d) { fs::create_hard_link(d.at("tolvane.int"), d.at("hard.rep")); },
         TwoSided, true},
        {"self.in", "self.in", nothing, Always, true},
        {"self.in", "'./self.in'", nothing, Always, true},
        {"self.in", "'adir/../self.in'", adir, Always, true},
        {"self.in", "self.lnk", [](const Dir& d) { fs::create_symlink("self.in", d.at("self.lnk")); },
         Always, true},
        {"self.in", "self.hard", [](const Dir& d) { fs::create_hard_link(d.at("self.in"), d.at("self.hard")); },
         Always, true},
        // The input read through a link, the report by its own name.
        {"in.lnk", "self.in", [](const Dir& d) { fs::create_symlink("self.in", d.at("in.lnk")); },
         Always, true},
        // A two-sided run would overwrite an input file named tolvane.int.
        {"tolvane.int", "rep.txt", nothing, TwoSided, true},
        // What the open itself would find: a directory, a file taken for one,
        // a link into a directory that is not there.
        {"self.in", "adir", adir, Always, false},
        {"self.in", "'self.in/rep.txt'", nothing, Always, false},
        {"self.in", "nodir.lnk", [](const Dir& d) { fs::create_symlink("nodir/rep.txt", d.at("nodir.lnk")); },
         Always, false},
        {"self.in", "rep.txt", nothing, No, false},
        {"self.in", "'adir/rep.txt'", adir, No, false},
    };
    const std::string earlier = "results of an earlier run\n";
    for (const int kind : {1, 2}) {
        for (const bool int_exists : {false, true}) {
            for (const Case& c : cases) {
                const std::string input = c.input;
                // A hard link to tolvane.int, or an input file named so, is tolvane.int.
                if (!int_exists && (input == "tolvane.int" || std::string(c.report) == "hard.rep"))
                    continue;
                SCOPED_TRACE(std::to_string(kind) + "-sided, input " + input + ", report " +
                             c.report + (int_exists ? ", tolvane.int there" : ""));
                const std::string records = std::to_string(kind) + "\n6 6\n4 4\n0 1e-8 0\n" +
                                            c.report + "\n2 2\n";
                Dir run, plan;
                for (const Dir* d : {&run, &plan}) {
                    if (int_exists) d->write("tolvane.int", earlier);
                    d->write(input == "in.lnk" ? "self.in" : input, records);
                    c.prepare(*d);
                }
                const ts::RunResult a = ts::run_tolvane("2\n" + input + "\n", run.path);
                const ts::RunResult b = ts::run_tolvane("", plan.path, "--plan " + input);
                EXPECT_EQ(b.status, a.status);
                EXPECT_EQ(b.err, a.err);
                const bool refused = c.refused == Always || (c.refused == TwoSided && kind == 2);
                EXPECT_EQ(a.status, refused ? 2 : 0) << a.err;
                if (!refused) continue;
                EXPECT_EQ(ts::count_of(a.err, "\n"), 1) << a.err;
                EXPECT_EQ(b.out, "");
                if (!c.same_file) continue;
                // Nothing made, nothing emptied.
                EXPECT_EQ(run.read(input), records);
                if (!int_exists) {
                    EXPECT_FALSE(run.has("tolvane.int"));
                } else if (input != "tolvane.int") {
                    EXPECT_EQ(run.read("tolvane.int"), earlier);
                }
                EXPECT_FALSE(run.has("rep.txt"));
            }
        }
    }
}

// A record cut short by a full disk or a file-size limit is taken back: the file
// ends with its last complete record, and the run ends with exit status 2.
TEST(OutputFiles, FileSizeLimitLeavesOnlyWholeRecords) {
    for (const std::string& input : {kOneSidedAll, kTwoSidedAll}) {
        for (bool ignored : {false, true}) {
            SCOPED_TRACE(input.substr(0, 1) + (ignored ? "-sided, SIGXFSZ ignored"
                                                       : "-sided, SIGXFSZ default"));
            Dir d;
            d.write("run.in", input);
            ts::RunSetup setup;
            setup.stdout_path = "/dev/null";
            setup.file_size_limit = 1000;
            setup.ignore_xfsz = ignored;
            const ts::RunResult r = ts::run_tolvane("2\nrun.in\n", d.path, setup);
            EXPECT_EQ(r.status, 2);
            EXPECT_EQ(r.err, "tolvane: rep.txt: cannot write the file: File too large\n");

            const std::string report = d.read("rep.txt");
            ASSERT_FALSE(report.empty());
            EXPECT_EQ(report.back(), '\n');
            const std::vector<std::string> lines = lines_of(report);
            const std::size_t heading = input[0] == '1' ? 4 : 2;
            ASSERT_GT(lines.size(), heading + 1);
            const std::size_t record = lines[heading].size() + 1;
            for (std::size_t i = heading; i < lines.size(); ++i) {
                EXPECT_EQ(lines[i].size() + 1, record) << lines[i];
                EXPECT_EQ(lines[i].find(" min."), record - 13) << lines[i];
            }
            // As many cases as the limit holds, not one fewer.
            EXPECT_LE(report.size(), 1000u);
            EXPECT_GT(report.size() + record, 1000u);
            if (input[0] == '2') {
                const std::string inter = d.read("tolvane.int");
                EXPECT_EQ(inter.back(), '\n');
                // Each case is named before it starts: one name more than results.
                EXPECT_EQ(lines_of(inter).size(), 1 + (lines.size() - heading) + 1);
            }
        }
    }
}

// ---- standard output ----

TEST(Terminal, OutputThatCannotBeWrittenStopsTheRun) {
    Dir d;
    d.write("run.in", "1\n6 6\n4 4\n0 1e-8 0\nrep.txt\n2 2\n");
    ts::RunSetup full;
    full.stdout_path = "/dev/full";
    for (const char* input : {"2\nrun.in\n", "1\n1\n10 1 0.9\n0 1e-8 0\n\n"}) {
        SCOPED_TRACE(input);
        const ts::RunResult r = ts::run_tolvane(input, d.path, full);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, "tolvane: standard output: cannot write: No space left on device\n");
    }
    ts::RunSetup closed;
    closed.close_stdout = true;
    const ts::RunResult r = ts::run_tolvane("2\nrun.in\n", d.path, closed);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "tolvane: standard output: cannot write: Bad file descriptor\n");
}

TEST(Terminal, OutputThatFailsInTheMiddleOfARunStopsIt) {
    // Standard output reaches the limit some cases before the report does.
    Dir d;
    d.write("run.in", kOneSidedAll);
    ts::RunSetup setup;
    setup.stdout_path = d.at("terminal.txt");
    setup.file_size_limit = 2000;
    const ts::RunResult r = ts::run_tolvane("2\nrun.in\n", d.path, setup);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "tolvane: standard output: cannot write: File too large\n");
    const std::size_t cases = lines_of(d.read("rep.txt")).size() - 4;
    EXPECT_GT(cases, 0u);
    EXPECT_LT(cases, 180u);
}

// A run of the program with standard output a file, killed with SIGKILL as
// soon as `ready` holds for what the file holds (or after a minute).
struct Killed {
    bool ready = false;    // `ready` held while the program ran
    std::string at_ready;  // the file when it did
    std::string after;     // the file after the kill
    int signal = 0;        // what ended the program
};

Killed kill_when(const Dir& d, const std::string& input, bool (*ready)(const std::string&)) {
    Killed k;
    d.write("in.txt", input);
    const pid_t pid = fork();
    if (pid < 0) return k;
    if (pid == 0) {
        // Only async-signal-safe calls from here to the exec.
        if (chdir(d.path.c_str()) != 0) _exit(120);
        const int in = open("in.txt", O_RDONLY);
        const int out = open("out.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open("/dev/null", O_WRONLY);
        if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0)
            _exit(121);
        alarm(120);  // bounded even if the test never kills it
        execl(TOLVANE_EXE, TOLVANE_EXE, static_cast<char*>(nullptr));
        _exit(127);
    }
    bool running = true;
    for (int i = 0; i < 6000 && running && !k.ready; ++i) {
        usleep(10000);
        int raw = 0;
        running = waitpid(pid, &raw, WNOHANG) == 0;
        k.at_ready = d.read("out.txt");
        k.ready = running && ready(k.at_ready);
    }
    kill(pid, SIGKILL);
    int raw = 0;
    waitpid(pid, &raw, 0);
    k.signal = WIFSIGNALED(raw) ? WTERMSIG(raw) : 0;
    k.after = d.read("out.txt");
    return k;
}

// A run killed in the middle of a case keeps every record written before
// the kill, and only whole ones: each record reaches the file as it is
// written, not when a buffer fills or the next case ends.
TEST(Terminal, RecordsReachAFileAsTheyAreWrittenWhole) {
    // The two-sided case df 100, sigma 0.1, alpha 0.001 takes seconds and
    // writes a search note every few milliseconds from its start (924 in all).
    {
        static const std::string note =
            " Upward walk reached MaxIter in SecantBis...  Using bisection";
        Dir d;
        const Killed k = kill_when(d, "1\n2\n100 0.1 0.001\n1e-6 1e-8 0\n\n",
                                   [](const std::string& out) { return out.find(note) != std::string::npos; });
        ASSERT_TRUE(k.ready) << "no note while the case ran: " << k.at_ready;
        EXPECT_EQ(k.signal, SIGKILL);
        EXPECT_EQ(k.at_ready.find("Approx to integral"), std::string::npos);
        ASSERT_FALSE(k.after.empty());
        EXPECT_EQ(k.after.back(), '\n');
        const std::vector<std::string> lines = lines_of(k.after);
        const auto first = std::find(lines.begin(), lines.end(), note);
        ASSERT_NE(first, lines.end());
        // From the first note on, notes alone, each whole.
        for (auto it = first; it != lines.end(); ++it) EXPECT_EQ(*it, note);
    }
    // The record before a one-sided case outside the measured domain of the
    // limits (FunctionTol 1e-15): in the file while the case computes, some
    // seconds without writing anything else.
    {
        Dir d;
        const Killed k = kill_when(d, "1\n1\n100 0.1 0.999\n1e-10 1e-15 0\n\n",
                                   [](const std::string& out) {
                                       return out.find(" Outside the measured domain") != std::string::npos;
                                   });
        ASSERT_TRUE(k.ready) << "no record while the case ran: " << k.at_ready;
        EXPECT_EQ(k.signal, SIGKILL);
        const std::vector<std::string> lines = lines_of(k.at_ready);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(k.at_ready.back(), '\n');
        EXPECT_TRUE(lines.back().starts_with(" Outside the measured domain of the built-in limits ("))
            << k.at_ready;
        EXPECT_TRUE(lines.back().ends_with(
            "FunctionTol 1e-15. The result is the true coverage of the limits computed there."));
        EXPECT_EQ(k.after, k.at_ready);
    }
    // One-sided input-file run: df 2 (a few milliseconds, searches run out
    // at 7 points), then df 3 (a second or more). The first case's fault
    // record is in the file while the second case computes, and nothing after it.
    {
        Dir d;
        d.write("k.in", "1\n10 10\n1 2\n1e-12 1e-14 0\nk.rep\n3 3\n");
        const Killed k = kill_when(d, "2\nk.in\n", [](const std::string& out) {
            return out.find(" Limit fault:") != std::string::npos;
        });
        ASSERT_TRUE(k.ready) << "no fault record while the run ran: " << k.at_ready;
        EXPECT_EQ(k.signal, SIGKILL);
        const std::vector<std::string> lines = lines_of(k.at_ready);
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(k.at_ready.back(), '\n');
        EXPECT_TRUE(lines.back().starts_with(
            " Limit fault: search ended on its iteration limit at 7 points, s from"))
            << k.at_ready;
        EXPECT_TRUE(lines[lines.size() - 2].starts_with("  0.999   2. 10.00000")) << k.at_ready;
        // The second case had not ended, and its line is in neither file.
        EXPECT_EQ(k.after, k.at_ready);
        EXPECT_EQ(d.read("k.rep").find("  0.999   3."), std::string::npos);
    }
}

// ---- the input file and standard input ----

TEST(Input, OnlyARegularFileIsTaken) {
    Dir d;
    ASSERT_EQ(mkfifo(d.at("fifo").c_str(), 0644), 0);
    fs::create_directory(d.at("adir"));
    ts::RunSetup quick;
    quick.timeout_seconds = 20;  // the old way blocked for ever in the open
    struct Case {
        const char* name;
        const char* err;
    };
    for (const Case& c :
         {Case{"fifo", "tolvane: fifo: cannot open the input file: not a regular file\n"},
          Case{"'/dev/zero'", "tolvane: /dev/zero: cannot open the input file: not a regular file\n"},
          Case{"adir", "tolvane: adir: cannot open the input file: Is a directory\n"}}) {
        SCOPED_TRACE(c.name);
        const ts::RunResult r = ts::run_tolvane("2\n" + std::string(c.name) + "\n", d.path, quick);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, c.err);
    }
    EXPECT_FALSE(d.has("tolvane.int"));
}

TEST(Input, ReadErrorsAreNotTheEndOfInput) {
    Dir d;
    // /proc/self/mem is a regular file whose first page cannot be read.
    const ts::RunResult mem = ts::run_tolvane("2\n'/proc/self/mem'\n", d.path);
    EXPECT_EQ(mem.status, 2);
    EXPECT_EQ(mem.err, "tolvane: /proc/self/mem: record 1: read error: Input/output error\n");

    // Standard input that is a directory fails on its first read.
    ts::RunSetup from_dir;
    from_dir.stdin_path = ".";
    const ts::RunResult r = ts::run_tolvane("", d.path, from_dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "tolvane: standard input: read error: Is a directory\n");
}

TEST(Input, OverlongLinesAreRefused) {
    Dir d;
    const std::string longline(5000, '7');
    // No line end at all: the old reader took all of it as one value.
    const ts::RunResult terminal = ts::run_tolvane(longline, d.path);
    EXPECT_EQ(terminal.status, 2);
    EXPECT_EQ(terminal.err, "tolvane: standard input: a line longer than 4096 characters\n");

    // Record 6 may be missing or malformed, but a line too long to read is refused.
    d.write("run.in", "1\n6 6\n4 4\n0 1e-8 0\nrep.txt\n" + longline + "\n");
    const ts::RunResult file = ts::run_tolvane("2\nrun.in\n", d.path);
    EXPECT_EQ(file.status, 2);
    EXPECT_EQ(file.err, "tolvane: run.in: record 6, line 6: a line longer than 4096 characters\n");
    EXPECT_FALSE(d.has("rep.txt"));

    // A long value is quoted in part, readably.
    d.write("run.in", "1\n6 " + longline.substr(0, 300) + "x\n");
    const ts::RunResult token = ts::run_tolvane("2\nrun.in\n", d.path);
    EXPECT_EQ(token.err, "tolvane: run.in: record 2, line 2: bad integer \"" +
                             longline.substr(0, 40) + "...\"\n");
}

TEST(Input, NamesLongerThanTheirFieldAreRefused) {
    Dir d;
    const std::string name72(72, 'r');
    d.write(name72, "do not overwrite\n");
    d.write("run.in", "1\n6 6\n4 4\n0 1e-8 0\n" + name72 + "x\n2 2\n");
    const ts::RunResult report = ts::run_tolvane("2\nrun.in\n", d.path);
    EXPECT_EQ(report.status, 2);
    EXPECT_EQ(report.err,
              "tolvane: run.in: record 5, line 5: the report file name is longer than 72 "
              "characters\n");
    EXPECT_EQ(d.read(name72), "do not overwrite\n");

    // The input file name typed at the prompt: a 72-character name opens, a
    // longer one is not cut to it.
    d.write(name72, "1\n6 6\n4 4\n0 1e-8 0\nrep.txt\n2 2\n");
    const ts::RunResult typed = ts::run_tolvane("2\n" + name72 + "x\n", d.path);
    EXPECT_EQ(typed.status, 2);
    EXPECT_EQ(typed.err,
              "tolvane: standard input: the input file name is longer than 72 characters\n");
    EXPECT_FALSE(d.has("rep.txt"));
    const ts::RunResult exact = ts::run_tolvane("2\n" + name72 + "\n", d.path);
    EXPECT_EQ(exact.status, 0) << exact.err;
    EXPECT_TRUE(d.has("rep.txt"));
}

TEST(Input, ByteOrderMarkOpeningTheFileIsSkipped) {
    Dir d;
    d.write("run.in", "\xEF\xBB\xBF" "1\n6 6\n4 4\n0 1e-8 0\nrep.txt\n2 2\n");
    const ts::RunResult r = ts::run_tolvane("2\nrun.in\n", d.path);
    EXPECT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> report = lines_of(d.read("rep.txt"));
    ASSERT_EQ(report.size(), 5u);
    EXPECT_EQ(report[4].substr(0, 17), "  0.900  10.  1.0");
}

TEST(Input, FaultsNameTheRecordAndTheLine) {
    struct Case {
        const char* records;
        const char* err;
    };
    const Case cases[] = {
        // Record 2 holds one value, so its read runs on into line 3.
        {"1\n6\n4 4\n0 1e-8 0\nrep.txt\n2 2\n",
         "tolvane: run.in: record 3, line 4: bad integer \"1e-8\"\n"},
        {"1\n6\n4 4\n0 0\n1e-6 1e-8 0\n",
         "tolvane: run.in: record 5, after line 5: end of input while reading a character "
         "value\n"},
        // A control character is shown, not sent to the terminal.
        {"1\n6 \x01\n", "tolvane: run.in: record 2, line 2: bad integer \"\\x01\"\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.records);
        Dir d;
        d.write("run.in", c.records);
        const ts::RunResult r = ts::run_tolvane("2\nrun.in\n", d.path);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, c.err);
    }
}

}  // namespace
