// The limit protocol, the tolvane-limits command and the coverage of limits asked
// of an outside command (tolvane --limits).
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <thread>
#include <sstream>
#include <string>
#include <vector>

#include "Chinorm95.h"
#include "LimitCommand.h"
#include "LimitProtocol.h"
#include "mainguts.h"
#include "test_support.h"

namespace {

using limitproto::Answer;
using limitproto::Request;

// Runs a shell command line with `input` on its standard input; its standard output.
std::string shell_output(const std::string& cmd, const std::string& input, const std::string& dir) {
    ts::write_file(dir + "/.in", input);
    const std::string line = "cd '" + dir + "' && " + cmd + " <.in >.out 2>.err";
    EXPECT_EQ(std::system(line.c_str()), 0) << line << "\n" << ts::read_file(dir + "/.err");
    return ts::read_file(dir + "/.out");
}

using ts::lines_of;

// The minutes field is a clock reading: the only part of a report that may differ
// (the terminal puts two blanks before "minutes").
std::string masked(const std::string& text) {
    return std::regex_replace(text, std::regex(R"(\d+\.\d+( +min\.| +minutes))"), "M$1");
}

const std::string limits_exe = TOLVANE_LIMITS_EXE;

}  // namespace

TEST(LimitProtocol, RequestsReadAndWriteBackExactly) {
    Request r;
    EXPECT_EQ(limitproto::parse_request("1 14 0.4272 0.95 0.5 15 0", r), "");
    EXPECT_EQ(r.kind, 1);
    EXPECT_FALSE(r.has_tols);
    EXPECT_EQ(r.s, 0.4272);
    EXPECT_EQ(limitproto::parse_request("2,10, 1 ,0.9,0.5,11,0.25, 1d-8 0", r), "");
    EXPECT_EQ(r.kind, 2);
    EXPECT_TRUE(r.has_tols);
    EXPECT_EQ(r.FunctionTol, 1e-8);
    EXPECT_EQ(r.ybar, 0.25);

    // Seventeen digits carry every double there and back.
    Request w;
    w.kind = 2;
    w.df = 1.0 / 3.0;
    w.s = std::nextafter(0.1, 1.0);
    w.alpha = 0.95;
    w.lambda = -0.5;
    w.gamma2 = 4.9406564584124654e-324;
    w.ybar = -1e300;
    w.has_tols = true;
    w.FunctionTol = 1e-8;
    w.ResultTol = 0.0;
    Request back;
    ASSERT_EQ(limitproto::parse_request(limitproto::format_request(w), back), "");
    for (auto [a, b] : {std::pair{w.df, back.df}, {w.s, back.s}, {w.lambda, back.lambda},
                        {w.gamma2, back.gamma2}, {w.ybar, back.ybar},
                        {w.FunctionTol, back.FunctionTol}})
        EXPECT_EQ(a, b);

    for (const char* bad : {"", "1 14 0.4 0.95 0.5 15", "1 14 0.4 0.95 0.5 15 0 1e-8",
                            "3 14 0.4 0.95 0.5 15 0", "1 14 x 0.95 0.5 15 0",
                            "1 14 0.4 0.95 0.5 15 1e999"})
        EXPECT_NE(limitproto::parse_request(bad, r), "") << bad;
}

TEST(LimitProtocol, AnswersAreCheckedBeforeUse) {
    Answer a;
    EXPECT_EQ(limitproto::parse_answer("1.5 -2.25", 1, a), "");
    EXPECT_EQ(a.value[1], -2.25);
    EXPECT_EQ(limitproto::parse_answer(" 1 2 3 4", 2, a), "");
    EXPECT_EQ(a.value[3], 4.0);
    EXPECT_NE(limitproto::parse_answer("1 2 3", 2, a), "");
    EXPECT_NE(limitproto::parse_answer("1", 1, a), "");
    EXPECT_NE(limitproto::parse_answer("1 nan", 1, a), "");
    EXPECT_NE(limitproto::parse_answer("1 inf", 1, a), "");
    EXPECT_NE(limitproto::parse_answer("1 2x", 1, a), "");
    const std::string e = limitproto::parse_answer("error: df too small", 1, a);
    EXPECT_NE(e.find("df too small"), std::string::npos) << e;
}

// The command answers with the program's own limits, bit for bit, and goes on
// after a request it refuses.
TEST(LimitsCommand, AnswersAreTheLimitCodesOwn) {
    ts::TestContext tc;
    ts::TempDir dir;
    const std::string out = shell_output(
        "'" + limits_exe + "'",
        "1 14 0.4272 0.95 0.5 15 0\n"
        "2 10 1 0.95 0.5 11 0 1e-9 0\n"
        "1 1 1 0.95 0.5 2 0\n"
        "nonsense\n"
        "1 5 2.5 0.05 0.5 6 1.25\n"
        "2 100 9.92 0.001 0.5 101 0 1e-8 0\n",
        dir.path());
    const auto lines = lines_of(out);
    ASSERT_EQ(lines.size(), 6u) << out;

    // The worked example: n = 15, s = 0.4272, one-sided 0.95. Published tables give
    // 1.9939 by interpolation.
    Answer a;
    ASSERT_EQ(limitproto::parse_answer(lines[0], 1, a), "");
    EXPECT_NEAR(a.value[0], 1.99370, 5e-6);
    const double s = 0.4272;
    EXPECT_NEAR(a.value[1], 0.5 * s * s + a.value[0] * s * std::sqrt(15.0 / 14.0) / std::sqrt(15.0),
                1e-15);
    double H = 0, limit = 0, elapsed = 0;
    int it = 0;
    OneTail(1, 0.0, s, 14.0, 0.95, 0.5, 15.0, 800.0, 1e-8, 0.0, 200, H, limit, elapsed, it, 1e-8,
            0.0, tc);
    EXPECT_EQ(a.value[0], H);
    EXPECT_EQ(a.value[1], limit);

    ASSERT_EQ(limitproto::parse_answer(lines[1], 2, a), "");
    double lower = 0, hlower = 0, upper = 0, hupper = 0;
    int nl = 0, nu = 0;
    Twotail(0.0, 1.0, 10.0, 0.95, 0.5, 11.0, 800.0, 1e-9, 0.0, 200, lower, hlower, upper, hupper,
            elapsed, nl, nu, tc);
    EXPECT_EQ(a.value[0], hlower);
    EXPECT_EQ(a.value[1], lower);
    EXPECT_EQ(a.value[2], hupper);
    EXPECT_EQ(a.value[3], upper);

    EXPECT_EQ(lines[2], "error: df must be a whole number from 2 up, not 1");
    EXPECT_EQ(lines[3].rfind("error: ", 0), 0u) << lines[3];
    ASSERT_EQ(limitproto::parse_answer(lines[4], 1, a), "");
    OneTail(1, 1.25, 2.5, 5.0, 0.05, 0.5, 6.0, 800.0, 1e-8, 0.0, 200, H, limit, elapsed, it, 1e-8,
            0.0, tc);
    EXPECT_EQ(a.value[1], limit);
    // A pair whose upper limit lies below its lower one is no interval. (Without
    // tolerances the request gets its checked pair, which is an interval.)
    EXPECT_EQ(lines[5], "error: the limit code gave a lower limit above the upper limit");
}

TEST(LimitsCommand, ToleranceOptionsApplyWhereTheRequestHasNone) {
    ts::TempDir dir;
    const std::string req = "1 10 1 0.9 0.5 11 0\n";
    const std::string loose = shell_output("'" + limits_exe + "' --function-tol 1e-9", req, dir.path());
    const std::string asked =
        shell_output("'" + limits_exe + "'", "1 10 1 0.9 0.5 11 0 1e-9 0\n", dir.path());
    const std::string tight = shell_output("'" + limits_exe + "'", req, dir.path());
    EXPECT_EQ(loose, asked);
    EXPECT_NE(loose, tight);
}

namespace {

const char* const one_sided_table =
    "1\n6 7\n2 3\n1e-6 1e-8 0\ntable.rep\n2 2\n";
const char* const two_sided_table =
    "2\n7 7\n2 3\n1e-5 1e-8 0\ntable.rep\n2 2\n";

struct FileRun {
    ts::RunResult r;
    std::string report;
    std::string inter;
};

FileRun file_run(const std::string& table, const std::string& args) {
    ts::TempDir dir;
    ts::write_file(dir.path() + "/table.in", table);
    FileRun f;
    f.r = ts::run_tolvane("2\ntable.in\n", dir.path(), args);
    f.report = ts::read_file(dir.path() + "/table.rep");
    f.inter = ts::read_file(dir.path() + "/tolvane.int");
    return f;
}

}  // namespace

// The protocol loses nothing: the program's own limits through the command give
// the reports of computing them in process.
TEST(LimitsOption, OwnLimitsThroughTheCommandGiveTheSameReports) {
    for (const char* table : {one_sided_table, two_sided_table}) {
        const FileRun own = file_run(table, "");
        const FileRun asked = file_run(table, "--limits '" + limits_exe + "'");
        ASSERT_EQ(own.r.status, 0) << own.r.err;
        ASSERT_EQ(asked.r.status, 0) << asked.r.err;
        EXPECT_EQ(masked(own.report), masked(asked.report));
        EXPECT_EQ(own.inter, asked.inter);
        EXPECT_EQ(masked(own.r.out), masked(asked.r.out));
        EXPECT_EQ(lines_of(own.report).size(), table == one_sided_table ? 8u : 4u);
    }
}

namespace {

double interactive_integral(const std::string& args, double df, double sigma, double alpha) {
    ts::TempDir dir;
    char input[200];
    std::snprintf(input, sizeof input, "1\n1\n%.17g %.17g %.17g\n1e-7 1e-9 0\n\n", df, sigma,
                  alpha);
    const ts::RunResult r = ts::run_tolvane(input, dir.path(), args);
    std::smatch m;
    const std::regex line(R"(Approx\. to integral is \(should be 1-alpha\) +(\S+))");
    if (!std::regex_search(r.out, m, line)) {
        ADD_FAILURE() << r.out << r.err;
        return NAN;
    }
    return std::stod(m[1]);
}

}  // namespace

// Limits biased upwards by delta fall below the target less often: the coverage
// falls by the integral over p of Phi(z) - Phi(z - delta*sqrt(df+1)/sigma), computed
// here with its own quadrature from the program's own limits.
TEST(LimitsOption, BiasedLimitsShowTheCoverageErrorTheBiasImplies) {
    ts::TestContext tc;
    const double df = 10.0, sigma = 1.0, alpha = 0.95, delta = 0.01;
    // The factor is dropped (0: none given), as the biased limit has none.
    const std::string biased =
        "--limits \"'" + limits_exe +
        "' | perl -ne 'BEGIN { \\$| = 1 } @f = split; if (@f == 2) { printf \\\"0 %.17g\\\\n\\\", "
        "\\$f[1] + 0.01 } else { print }'\"";
    const double own = interactive_integral("", df, sigma, alpha);
    const double shifted = interactive_integral(biased, df, sigma, alpha);

    const double a = 1e-7, b = 1.0 - 1e-7;
    const int n = 2000;
    const double h = (b - a) / n;
    const double scale = std::sqrt(df + 1.0) / sigma;
    double sum = 0.0;
    for (int i = 0; i <= n; ++i) {
        const double p = a + i * h;
        const double s = sigma * std::sqrt(chiinverse(p, df, 1e-15, tc.ctx.finders) / df);
        double H = 0, U = 0, elapsed = 0;
        int it = 0;
        OneTail(1, 0.0, s, df, alpha, 0.5, df + 1.0, 800.0, 1e-9, 0.0, 200, H, U, elapsed, it,
                1e-9, 0.0, tc);
        const double z = (0.5 * sigma * sigma - U) * scale;
        const double drop = normscdf(z) - normscdf(z - delta * scale);
        sum += (i == 0 || i == n ? 1.0 : i % 2 ? 4.0 : 2.0) * drop;
    }
    const double expected = sum * h / 3.0;
    EXPECT_GT(expected, 1e-3);
    EXPECT_NEAR(own - shifted, expected, 1e-3 * expected) << own << " " << shifted;
}

namespace {

struct Fault {
    const char* command;
    const char* says;
};

}  // namespace

// A command that fails loses its case, not the run: one record naming the command
// and the request, no report line, the next case goes on, exit status 3.
TEST(LimitsOption, FailingCommandsLoseTheirCasesOnly) {
    const Fault faults[] = {
        {"read x; exit 4", "closed its output and exited with status 4"},
        // Each reads its request first: output before it would be a fault of its own.
        {"read x; echo 1 2 3; cat >/dev/null", "answered 3 values where 2 were asked for: 1 2 3"},
        {"read x; echo 1 x; cat >/dev/null", "answered what is not a number: x"},
        {"read x; echo 'error: cannot do it'; cat >/dev/null", "answered error: cannot do it"},
        {"cat >/dev/null", "gave no answer within 0.29999999999999999 s"},
    };
    for (const Fault& f : faults) {
        // Only the silent command waits out its limit; the others get a long one, so
        // that a loaded machine starting the shell slowly cannot pass for silence.
        const bool silent = std::string(f.command).starts_with("cat");
        const FileRun run =
            file_run(one_sided_table, std::string("--limits-timeout ") + (silent ? "0.3" : "20") +
                                          " --limits \"" + f.command + "\"");
        EXPECT_EQ(run.r.status, 3) << f.command;
        EXPECT_EQ(lines_of(run.report).size(), 4u) << run.report;
        const std::string record =
            " limit command '" + std::string(f.command) + "' " + f.says + "; request: 1 3 ";
        EXPECT_NE(run.r.out.find(record), std::string::npos) << record << "\n" << run.r.out;
        EXPECT_EQ(ts::count_of(run.r.out, "Case not reported"), 4) << run.r.out;
    }
}

TEST(LimitsOption, CommandIsStartedAgainForTheNextCase) {
    ts::TempDir work;
    const std::string once = work.path() + "/failed-once";
    const std::string cmd = "--limits \"if [ -e '" + once + "' ]; then exec '" + limits_exe +
                            "'; else touch '" + once + "'; exit 1; fi\"";
    const FileRun run = file_run(one_sided_table, cmd);
    EXPECT_EQ(run.r.status, 3);
    EXPECT_EQ(lines_of(run.report).size(), 7u) << run.report;

    ts::TempDir dir;
    const ts::RunResult r =
        ts::run_tolvane("1\n1\n10 1 0.9\n1e-6 1e-8 0\n\n", dir.path(), "--limits 'exit 1'");
    // Whether the command is gone before the request is written or after, the
    // record says how it ended.
    EXPECT_TRUE(std::regex_search(
        r.out, std::regex(" limit command 'exit 1' closed its (input|output) and exited with "
                          "status 1; request: 1 10 ")))
        << r.out;
    EXPECT_EQ(r.out.find("Approx."), std::string::npos);
    EXPECT_NE(r.out.find("Hit enter to continue"), std::string::npos);
}

TEST(LimitsOption, BadArgumentsAreRefused) {
    ts::TempDir dir;
    for (const char* args : {"--limits", "--limits ''", "--limits-timeout 0 --limits cat",
                             "--limits-timeout x --limits cat", "--frobnicate"}) {
        const ts::RunResult r = ts::run_tolvane("1\n", dir.path(), args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_EQ(r.out, "") << args;
        EXPECT_EQ(r.err.rfind("tolvane: ", 0), 0u) << args << r.err;
    }
}

// ---- commands out of step, and what they leave behind ----

namespace {

Request request(double s) {
    return Request{.kind = 1, .df = 10.0, .s = s, .alpha = 0.9, .lambda = 0.5, .gamma2 = 11.0,
                   .ybar = 0.0, .has_tols = true, .FunctionTol = 1e-8, .ResultTol = 0.0};
}

// A connection to the command, for one test; the command is stopped after it.
struct Installed {
    Installed(const std::string& command, double timeout) : connection(command, timeout) {}
    bool ask(const Request& r, Answer& a) { return connection.ask(r, a); }
    bool take_failure(std::string& record) { return connection.take_failure(record); }
    bool any_failed() const { return connection.any_failed(); }
    limitcmd::Connection connection;
};

// The members of process group `group`, as "pid (name) state"; zombies only
// with `with_zombies` (a zombie is dead, but left unreaped by its parent).
std::vector<std::string> group_members(pid_t group, bool with_zombies) {
    std::vector<std::string> found;
    DIR* proc = opendir("/proc");
    if (!proc) {
        ADD_FAILURE() << "no /proc";
        return found;
    }
    while (const dirent* e = readdir(proc)) {
        if (!std::isdigit(static_cast<unsigned char>(e->d_name[0]))) continue;
        std::ifstream in(std::string("/proc/") + e->d_name + "/stat");
        std::string stat;
        if (!std::getline(in, stat)) continue;  // gone meanwhile
        // "pid (name) state ppid pgrp ...": the name may hold blanks and parentheses.
        const std::size_t close = stat.rfind(')');
        if (close == std::string::npos) continue;
        std::istringstream rest(stat.substr(close + 1));
        char state = '?';
        long ppid = 0, pgrp = 0;
        if (!(rest >> state >> ppid >> pgrp)) continue;
        if (pgrp == group && (with_zombies || state != 'Z'))
            found.push_back(stat.substr(0, close + 1) + " " + state);
    }
    closedir(proc);
    return found;
}

std::string joined(const std::vector<std::string>& v) {
    std::string out;
    for (const auto& x : v) out += x + "\n";
    return out;
}

// What a command noted of itself (see `note_group`): its shell, the shell's
// process group and a member started in the background.
struct Started {
    long shell = 0, group = 0, member = 0;
};

// The shell words that write the note: after a background member is started.
const std::string note_group = "echo $$ $(cut -d' ' -f5 /proc/$$/stat) $! >started";

// The same words between double quotes of the shell that starts the program.
std::string quoted_note() { return std::regex_replace(note_group, std::regex(R"(\$)"), R"(\$)"); }

Started started(const std::string& dir) {
    Started n;
    for (int i = 0; i < 2000; ++i) {
        std::ifstream in(dir + "/started");
        if (in >> n.shell >> n.group >> n.member) return n;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ADD_FAILURE() << "the command never noted itself";
    return Started{};
}

// Whether a process is running (a zombie is not).
bool running(long pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat;
    if (!std::getline(in, stat)) return false;
    const std::size_t close = stat.rfind(')');
    return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] != 'Z';
}

// Checks that the command ran in a process group of its own, and that nothing
// of it is left: with `with_zombies`, not even unreaped. What is left (the
// test fails) is ended here, not left running.
void expect_group_gone(const Started& n, bool with_zombies) {
    ASSERT_GT(n.shell, 0);
    EXPECT_EQ(n.group, n.shell) << "the command leads a process group of its own";
    EXPECT_NE(n.group, static_cast<long>(getpgrp()));
    EXPECT_FALSE(running(n.member)) << n.member;
    const std::string left = joined(group_members(static_cast<pid_t>(n.group), with_zombies));
    EXPECT_EQ(left, "");
    if (left != "" && n.group != static_cast<long>(getpgrp()))
        ::kill(-static_cast<pid_t>(n.group), SIGKILL);
}

bool appears(const std::string& path) {
    for (int i = 0; i < 2000; ++i) {
        if (ts::file_exists(path)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

bool has_control_character(const std::string& text) {
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\n') || u == 0x7f) return true;
    }
    return false;
}

}  // namespace

// Every answer must belong to the request just sent. The time limits are long:
// none of these commands is silent where an answer is awaited.
TEST(LimitsCommandSteps, AnAnswerCountsOnlyForTheRequestJustSent) {
    Answer a;
    std::string record;
    {
        // In step: one line to each request, nothing between them.
        Installed cmd("while read x; do echo 1 2; done", 30.0);
        for (double s : {0.5, 1.0, 2.0}) {
            ASSERT_TRUE(cmd.ask(request(s), a));
            EXPECT_EQ(a.value[1], 2.0);
        }
        EXPECT_FALSE(cmd.take_failure(record)) << record;
    }
    {
        // Two lines in one write: the second is there as the first is read.
        Installed cmd("read x; printf '1 2\\n3 4\\n'; cat >/dev/null", 30.0);
        EXPECT_FALSE(cmd.ask(request(1.0), a));
        ASSERT_TRUE(cmd.take_failure(record));
        EXPECT_NE(record.find("' answered more than one line: 3 4; request: 1 10 1 "),
                  std::string::npos)
            << record;
        EXPECT_TRUE(cmd.any_failed());
    }
    // A line written after an answer, once the answer has been taken: the next
    // request finds it waiting, or else the end of the case does.
    for (const bool next_request : {true, false}) {
        ts::TempDir dir;
        Installed cmd("cd '" + dir.path() +
                          "' || exit; read x; echo 1 2; "
                          "while [ ! -e go ]; do sleep 0.01; done; echo 5 6; touch ready; "
                          "cat >/dev/null",
                      30.0);
        ASSERT_TRUE(cmd.ask(request(1.0), a));
        EXPECT_EQ(a.value[0], 1.0);
        ts::write_file(dir.path() + "/go", "");
        ASSERT_TRUE(appears(dir.path() + "/ready"));
        if (next_request) {
            EXPECT_FALSE(cmd.ask(request(3.0), a));
            ASSERT_TRUE(cmd.take_failure(record));
            EXPECT_NE(record.find("' wrote before it was asked: 5 6; request: 1 10 3 "),
                      std::string::npos)
                << record;
        } else {
            ASSERT_TRUE(cmd.take_failure(record));
            EXPECT_NE(record.find("' wrote after its last answer: 5 6; request: 1 10 1 "),
                      std::string::npos)
                << record;
        }
        // The failed command is gone; the next case starts it afresh and goes on.
        std::filesystem::remove(dir.path() + "/go");
        std::filesystem::remove(dir.path() + "/ready");
        EXPECT_TRUE(cmd.ask(request(1.0), a));
        EXPECT_FALSE(cmd.take_failure(record)) << record;
    }
}

// Whatever a command answers, a record holds no control character: the bell,
// escape sequences and carriage returns are shown, not sent to the terminal.
TEST(LimitsCommandSteps, ControlCharactersOfAnswersAreShownEscaped) {
    ts::TestContext tc;
    Installed cmd("read x; printf 'error: a\\007b\\tc\\rd\\033[2Je\\177\\n'; cat >/dev/null", 30.0);
    Answer a;
    std::string record;
    EXPECT_FALSE(cmd.ask(request(1.0), a));
    ASSERT_TRUE(cmd.take_failure(record));
    EXPECT_NE(record.find("answered error: a\\x07b\\tc\\rd\\x1b[2Je\\x7f; request: "),
              std::string::npos)
        << record;
    EXPECT_FALSE(has_control_character(record)) << record;

    // So does the terminal of a run, and the command's own text is shown the same way.
    const FileRun run = file_run(
        one_sided_table,
        "--limits-timeout 20 --limits \"$(printf 'read x; echo 1 2 3\\a; cat >/dev/null')\"");
    EXPECT_EQ(run.r.status, 3);
    EXPECT_EQ(ts::count_of(run.r.out, " limit command 'read x; echo 1 2 3\\x07; cat >/dev/null' "
                                      "answered 3 values where 2 were asked for: 1 2 3\\x07; "),
              4)
        << run.r.out;
    EXPECT_FALSE(has_control_character(run.r.out)) << run.r.out;
}

// The issue's own faults in a whole run: a command that answers a request twice
// (sed printing its 100th line again) or answers unasked (yes) loses every case
// it falls out of step in, with exit status 3, instead of passing for limits.
TEST(LimitsOption, CommandsOutOfStepLoseTheirCases) {
    for (const std::string& command :
         {"'" + limits_exe + "' | sed -u 100p", std::string("yes '1 0.5'")}) {
        const FileRun run =
            file_run(one_sided_table, "--limits-timeout 20 --limits \"" + command + "\"");
        EXPECT_EQ(run.r.status, 3) << command;
        EXPECT_EQ(lines_of(run.report).size(), 4u) << run.report;
        EXPECT_EQ(ts::count_of(run.r.out, "Case not reported"), 4) << run.r.out;
        EXPECT_NE(run.r.out.find(" limit command '" + command + "' "), std::string::npos)
            << run.r.out;
        EXPECT_TRUE(std::regex_search(
            run.r.out, std::regex("' (answered more than one line|wrote before it was asked): ")))
            << run.r.out;
    }
}

// On a timeout the whole group goes, at once: the shell, the silent command it
// waits for and a member that ignores SIGTERM, which SIGKILL ends after the grace.
// The command is truly silent, so a short time limit is safe.
TEST(LimitsCommandGroup, ATimeoutEndsTheWholeGroup) {
    ts::TempDir dir;
    Installed cmd("cd '" + dir.path() + "' || exit; (trap '' TERM; exec sleep 300) & " +
                      note_group + "; read x; sleep 300; :",
                  2.0);
    Answer a;
    std::string record;
    EXPECT_FALSE(cmd.ask(request(1.0), a));
    ASSERT_TRUE(cmd.take_failure(record));
    EXPECT_NE(record.find("gave no answer within 2 s"), std::string::npos) << record;
    // Ended before ask returned, and reaped: the orphaned members were this
    // process's to reap.
    expect_group_gone(started(dir.path()), true);
}

// Whatever way the program ends (its exit, a signal), the command's group ends
// with it; and the command starts with the default actions of SIGPIPE and SIGXFSZ,
// which the program itself ignores.
TEST(LimitsCommandGroup, NothingOutlivesTheProgram) {
    {
        ts::TempDir dir;
        const std::string command = "(trap '' TERM; exec sleep 300) & " + quoted_note() +
                                    "; grep SigIgn /proc/\\$\\$/status >ignored; exec '" +
                                    limits_exe + "'";
        const ts::RunResult r = ts::run_tolvane("1\n1\n10 1 0.9\n1e-6 1e-8 0\n", dir.path(),
                                                "--limits \"" + command + "\"");
        EXPECT_EQ(r.status, 2) << r.err;  // the end of the dialogue's input
        EXPECT_NE(r.out.find("Approx. to integral"), std::string::npos) << r.out;
        expect_group_gone(started(dir.path()), false);

        const std::string ignored = ts::read_file(dir.path() + "/ignored");
        std::smatch m;
        ASSERT_TRUE(std::regex_search(ignored, m, std::regex(R"(SigIgn:\s*([0-9a-f]+))")))
            << ignored;
        const unsigned long long mask = std::stoull(m[1], nullptr, 16);
        EXPECT_EQ(mask & (1ull << (SIGPIPE - 1)), 0u) << ignored;
        EXPECT_EQ(mask & (1ull << (SIGXFSZ - 1)), 0u) << ignored;
    }
    {
        // Ended by a signal while it waits for an answer that does not come.
        ts::TempDir dir;
        ts::RunSetup setup;
        setup.args = "--limits \"sleep 300 & " + quoted_note() + "; wait; :\"";
        setup.timeout_seconds = 2;  // SIGALRM
        const ts::RunResult r = ts::run_tolvane("1\n1\n10 1 0.9\n1e-6 1e-8 0\n", dir.path(), setup);
        EXPECT_EQ(r.status, -1) << "killed, not exited";
        expect_group_gone(started(dir.path()), false);
    }
}

// ---- how the program ends, and what of the command it leaves ----

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool sanitized = true;
#else
constexpr bool sanitized = false;
#endif

// The signals a sanitizer takes for its own report of a fault (it then exits
// with status 1 rather than dying of the signal).
bool sanitizer_takes(int sig) {
    return sanitized && (sig == SIGSEGV || sig == SIGBUS || sig == SIGFPE);
}

// Whether wait status `ws` is that of a process ended by `sig` (or, where a
// sanitizer takes the signal, of one that exited with a failure).
bool ended_by(int ws, int sig) {
    if (WIFSIGNALED(ws) && WTERMSIG(ws) == sig) return true;
    return sanitizer_takes(sig) && WIFEXITED(ws) && WEXITSTATUS(ws) == 1;
}

// The program running in `dir`, its standard input a pipe the test keeps open
// (the dialogue then waits for more rather than ending).
struct Spawned {
    pid_t pid = -1;
    int input = -1;
};

// Starts the program in `dir` with `args`, `input` on standard input, its
// output in dir/out.txt and dir/err.txt, every signal at its default action
// and unblocked, and no core file.
Spawned spawn_tolvane(const std::string& dir, const std::vector<std::string>& args,
                      const std::string& input, const std::vector<int>& ignored = {}) {
    std::vector<std::string> words{TOLVANE_EXE};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    const std::string out = dir + "/out.txt", err = dir + "/err.txt";
    int p[2];
    if (::pipe2(p, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "pipe";
        return {};
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        const rlimit none{0, 0};
        ::setrlimit(RLIMIT_CORE, &none);
        for (int sig = 1; sig < NSIG; ++sig) ::signal(sig, SIG_DFL);
        for (int sig : ignored) ::signal(sig, SIG_IGN);
        sigset_t all;
        sigemptyset(&all);
        ::sigprocmask(SIG_SETMASK, &all, nullptr);
        const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (::chdir(dir.c_str()) != 0 || o < 0 || e < 0 || ::dup2(p[0], 0) < 0 ||
            ::dup2(o, 1) < 0 || ::dup2(e, 2) < 0)
            ::_exit(126);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(p[0]);
    if (!input.empty() && ::write(p[1], input.data(), input.size()) != static_cast<ssize_t>(input.size()))
        ADD_FAILURE() << "cannot write the program's input";
    return {pid, p[1]};
}

// The wait status of `pid` once it ends, within `seconds`; else it is killed
// and the test fails.
int wait_status(pid_t pid, double seconds) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    int ws = 0;
    while (std::chrono::steady_clock::now() < until) {
        const pid_t r = ::waitpid(pid, &ws, WNOHANG);
        if (r == pid) return ws;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &ws, 0);
    ADD_FAILURE() << "still running after " << seconds << " s";
    return ws;
}

// The one case of the dialogue a signalled program works on.
const char* const dialogue_case = "1\n1\n10 1 0.9\n1e-6 1e-8 0\n";

// A command whose group outlives its shell: a member that ignores SIGTERM.
const std::string stubborn_member = "(trap '' TERM; exec sleep 300) & ";

double seconds_since(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

}  // namespace

// Every signal that ends the program and can be caught ends the command's
// whole group first, a member that ignores SIGTERM included; the program still
// dies of the signal (a sanitizer's report of a fault still comes).
class EndingSignal : public ::testing::TestWithParam<int> {};

TEST_P(EndingSignal, EndsTheCommandsGroupFirst) {
    const int sig = GetParam();
    ts::TempDir dir;
    const Spawned run = spawn_tolvane(
        dir.path(),
        {"--limits-timeout", "300", "--limits", stubborn_member + note_group + "; exec cat >/dev/null"},
        dialogue_case);
    const Started n = started(dir.path());
    ASSERT_EQ(::kill(run.pid, sig), 0);
    const int ws = wait_status(run.pid, 10.0);
    ::close(run.input);
    EXPECT_TRUE(ended_by(ws, sig)) << "wait status " << ws;
    expect_group_gone(n, false);
}

INSTANTIATE_TEST_SUITE_P(LimitsCommandGroup, EndingSignal,
                         ::testing::Values(SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGALRM, SIGUSR1,
                                           SIGUSR2, SIGXCPU, SIGABRT, SIGSEGV, SIGBUS, SIGFPE,
                                           SIGILL, SIGSYS, SIGTRAP, SIGPWR, SIGVTALRM, SIGPROF),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(sigabbrev_np(info.param));
                         });

// A program started with SIGHUP ignored (nohup) keeps it ignored: the hang-up
// ends neither it nor its command, and the dialogue ends as its input does.
TEST(LimitsCommandGroup, ASignalIgnoredAtStartStaysIgnored) {
    ts::TempDir dir;
    const Spawned run = spawn_tolvane(
        dir.path(), {"--limits", stubborn_member + note_group + "; exec '" + limits_exe + "'"},
        dialogue_case, {SIGHUP});
    const Started n = started(dir.path());
    ASSERT_EQ(::kill(run.pid, SIGHUP), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    int ws = 0;
    EXPECT_EQ(::waitpid(run.pid, &ws, WNOHANG), 0) << "ended by the hang-up";
    ::close(run.input);
    ws = wait_status(run.pid, 30.0);
    EXPECT_TRUE(WIFEXITED(ws) && WEXITSTATUS(ws) == 2) << "wait status " << ws;
    EXPECT_NE(ts::read_file(dir.path() + "/out.txt").find("Approx. to integral"), std::string::npos);
    expect_group_gone(n, false);
}

// The program's own faults, raised inside it: abort() and a write to a page it
// may only read. Each ends the command's group before the program dies (under
// the sanitizers, before their report of the fault).
TEST(LimitsCommandGroup, AnAbortOrAFaultOfTheProgramEndsTheGroupFirst) {
    for (const bool fault : {false, true}) {
        ts::TempDir dir;
        const std::string command = "cd '" + dir.path() + "' || exit; " + stubborn_member +
                                    note_group + "; exec '" + limits_exe + "'";
        const pid_t pid = ::fork();
        if (pid == 0) {
            const rlimit none{0, 0};
            ::setrlimit(RLIMIT_CORE, &none);
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 2);  // a sanitizer's report
            limitcmd::Connection connection(command, 30.0);
            Answer a;
            if (!connection.ask(request(1.0), a)) ::_exit(3);
            if (fault) {
                void* page = ::mmap(nullptr, 4096, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
                *static_cast<volatile char*>(page) = 1;
            } else {
                std::abort();
            }
            ::_exit(4);
        }
        const int ws = wait_status(pid, 10.0);
        EXPECT_TRUE(ended_by(ws, fault ? SIGSEGV : SIGABRT)) << "wait status " << ws;
        expect_group_gone(started(dir.path()), false);
    }
}

// SIGKILL cannot be caught: the program cannot end the group. The command then
// finds the end of its input, and one that ends there (tolvane-limits, the
// wrappers) ends; a member that ignores its input and SIGTERM is left.
TEST(LimitsCommandGroup, AfterSigkillWhatEndsAtTheEndOfItsInputEnds) {
    ts::TempDir dir;
    const Spawned run = spawn_tolvane(
        dir.path(), {"--limits", stubborn_member + note_group + "; exec '" + limits_exe + "'"},
        dialogue_case);
    const Started n = started(dir.path());
    // The case computed, the dialogue waits for the terminal.
    for (int i = 0; i < 2000 && ts::read_file(dir.path() + "/out.txt").find("Hit enter") ==
                                    std::string::npos;
         ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(::kill(run.pid, SIGKILL), 0);
    const int ws = wait_status(run.pid, 10.0);
    ::close(run.input);
    EXPECT_TRUE(WIFSIGNALED(ws) && WTERMSIG(ws) == SIGKILL);
    for (int i = 0; i < 500 && running(n.shell); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(running(n.shell)) << "tolvane-limits ends at the end of its input";
    EXPECT_TRUE(running(n.member)) << "what ignores it is left";
    ::kill(-static_cast<pid_t>(n.group), SIGKILL);
}

// SIGSTOP cannot be caught either: the program stops, the command waits. A
// stop longer than the time limit costs no case: an answer that came meanwhile
// is taken.
TEST(LimitsCommandGroup, AProgramStoppedPastTheTimeLimitGoesOnWhenContinued) {
    ts::TempDir dir;
    ts::write_file(dir.path() + "/table.in", one_sided_table);
    const Spawned run = spawn_tolvane(
        dir.path(),
        {"--limits-timeout", "1", "--limits", "true & " + note_group + "; exec '" + limits_exe + "'"},
        "2\ntable.in\n");
    started(dir.path());
    ASSERT_EQ(::kill(run.pid, SIGSTOP), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    ASSERT_EQ(::kill(run.pid, SIGCONT), 0);
    const int ws = wait_status(run.pid, 60.0);
    ::close(run.input);
    EXPECT_TRUE(WIFEXITED(ws) && WEXITSTATUS(ws) == 0) << ts::read_file(dir.path() + "/out.txt");
    EXPECT_EQ(lines_of(ts::read_file(dir.path() + "/table.rep")).size(), 8u);
}

// When the group is ended, every member gets SIGTERM, not the leader alone: a
// member's TERM trap runs before the grace is over and SIGKILL would hide it.
TEST(LimitsCommandGroup, EveryMemberGetsSigtermFirst) {
    ts::TempDir dir;
    Installed cmd("cd '" + dir.path() +
                      "' || exit; (trap 'echo ended >termed; exit 0' TERM; "
                      "while :; do sleep 0.05; done) & " +
                      note_group + "; exec cat >/dev/null",
                  0.5);
    Answer a;
    std::string record;
    EXPECT_FALSE(cmd.ask(request(1.0), a));
    ASSERT_TRUE(cmd.take_failure(record));
    EXPECT_NE(record.find("gave no answer within 0.5 s"), std::string::npos) << record;
    EXPECT_EQ(ts::read_file(dir.path() + "/termed"), "ended\n");
    expect_group_gone(started(dir.path()), true);
}

// ---- time limits ----

// A command that reads its requests and never answers fails its case at the
// time limit, counted once.
TEST(LimitsCommandTimes, ASilentCommandFailsAtItsTimeLimit) {
    ts::TempDir dir;
    const auto t0 = std::chrono::steady_clock::now();
    const ts::RunResult r =
        ts::run_tolvane(dialogue_case, dir.path(), "--limits-timeout 1 --limits 'cat >/dev/null'");
    const double took = seconds_since(t0);
    EXPECT_NE(r.out.find(" limit command 'cat >/dev/null' gave no answer within 1 s; "),
              std::string::npos)
        << r.out;
    EXPECT_GE(took, 1.0);
    EXPECT_LT(took, 1.7) << "the time limit counts once";
}

// A command that takes longer to start than the time limit, and then answers
// at once (R takes seconds to start), loses nothing: the first time limit
// counts from when the command has read the first request. One that never
// reads it fails at the start-up limit.
TEST(LimitsCommandTimes, TheFirstTimeLimitCountsFromTheCommandsStart) {
    const FileRun run =
        file_run("1\n6 6\n4 4\n1e-6 1e-8 0\ntable.rep\n2 2\n",
                 "--limits-timeout 1 --limits \"sleep 1.5; exec '" + limits_exe + "'\"");
    EXPECT_EQ(run.r.status, 0) << run.r.out;
    EXPECT_EQ(lines_of(run.report).size(), 5u) << run.report;

    limitcmd::Connection never_reads("exec sleep 30", 0.3, 1.0);
    Answer a;
    std::string record;
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_FALSE(never_reads.ask(request(1.0), a));
    const double took = seconds_since(t0);
    ASSERT_TRUE(never_reads.take_failure(record));
    EXPECT_NE(record.find("' did not read its first request within 1 s of its start; request: "),
              std::string::npos)
        << record;
    EXPECT_GE(took, 1.0);
    EXPECT_LT(took, 1.7);
}

// A program named alone on the line is run in the shell's place, so that its
// closing its output is seen at once rather than at the time limit (the
// shell would hold the output open while it waits).
TEST(LimitsCommandSteps, AProgramThatClosesItsOutputIsSeenToAtOnce) {
    ts::TempDir dir;
    ts::write_file(dir.path() + "/closes early", "#!/bin/sh\nread x\nexec >&-\nexec sleep 30\n");
    ::chmod((dir.path() + "/closes early").c_str(), 0755);
    const auto t0 = std::chrono::steady_clock::now();
    const ts::RunResult r =
        ts::run_tolvane(dialogue_case, dir.path(), "--limits-timeout 8 --limits \"'./closes early'\"");
    const double took = seconds_since(t0);
    EXPECT_NE(r.out.find(" limit command ''./closes early'' closed its output; request: "),
              std::string::npos)
        << r.out;
    EXPECT_LT(took, 6.0);
}

// ---- the probes of what the coverage integral assumes of the limit code ----

namespace {

// A limit command around tolvane-limits that does one thing wrong, chosen by
// its first argument:
//   log FILE       nothing: writes every request to FILE as well;
//   twice N[,M]    writes its Nth answer a second time 20 ms later, so that
//                  every later answer is that of the request before;
//   clock, random  moves every limit by up to 1e-9 of itself, by the clock or a
//                  random draw, and gives no factor (H 0);
//   mean           gives 1.001 ybar + the limit at ybar 0, and no factor;
//   factor         gives every factor 1.0001 times too large.
const char* const faulty_source = R"PY(
import random, subprocess, sys, time
mode, limits = sys.argv[1], sys.argv[2]
arg = sys.argv[3] if len(sys.argv) > 3 else ""
own = subprocess.Popen([limits], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                       stderr=subprocess.DEVNULL, text=True, bufsize=1)
def ask(fields):
    own.stdin.write(" ".join(fields) + "\n")
    own.stdin.flush()
    return [float(v) for v in own.stdout.readline().split()]
twice = {int(n) for n in arg.split(",")} if mode == "twice" else set()
log = open(arg, "w") if mode == "log" else None
n = 0
for line in sys.stdin:
    n += 1
    if log:
        log.write(line)
        log.flush()
    f = line.split()
    ybar = float(f[6])
    below = mode == "below" and ybar < 0
    if mode == "mean" or below:
        f[6] = "0"
    v = ask(f)
    if mode in ("clock", "random"):
        share = (time.monotonic_ns() // 1000 % 1000000) / 1e6 if mode == "clock" else random.random()
        v = [0.0 if i % 2 == 0 else x * (1 + 1e-9 * share) for i, x in enumerate(v)]
    elif mode == "mean" or below:
        v = [0.0 if i % 2 == 0 else x + 1.001 * ybar for i, x in enumerate(v)]
    elif mode == "factor":
        v = [x * 1.0001 if i % 2 == 0 else x for i, x in enumerate(v)]
    answer = " ".join("%.17g" % x for x in v)
    print(answer, flush=True)
    if n in twice:
        time.sleep(0.02)
        print(answer, flush=True)
)PY";

// The --limits argument that runs the faulty command in MODE.
std::string faulty(const ts::TempDir& dir, const std::string& mode, const std::string& arg = "") {
    const std::string script = dir.path() + "/faulty.py";
    if (!ts::file_exists(script)) ts::write_file(script, faulty_source);
    return "--limits-timeout 20 --limits \"python3 '" + script + "' " + mode + " '" + limits_exe +
           "' '" + arg + "'\"";
}

const char* const one_case = "1\n6 6\n4 4\n1e-6 1e-8 0\ntable.rep\n2 2\n";
const char* const two_sided_case = "2\n6 6\n4 4\n1e-6 1e-8 0\ntable.rep\n2 2\n";

// Checks that a run lost its one case to a fault named by `fault`.
void expect_case_lost(const FileRun& run, const std::string& fault, const std::string& what) {
    EXPECT_EQ(run.r.status, 3) << what << "\n" << run.r.out;
    EXPECT_EQ(ts::count_of(run.r.out, "Case not reported"), 1) << what << "\n" << run.r.out;
    EXPECT_TRUE(std::regex_search(run.r.out, std::regex(" limit command '[^\\n]*' (" + fault + ")")))
        << what << "\n" << run.r.out;
    EXPECT_EQ(run.report.find(" min."), std::string::npos) << what << "\n" << run.report;
}

}  // namespace

// An answer given twice, the second time late, puts every later answer one
// request behind, where no output is ever waiting unasked: wherever it falls
// in the case (its first answer, its 250th, the last of its integrals), the
// case is lost.
TEST(LimitProbes, AnAnswerGivenTwiceLateIsCaughtWhereverItFalls) {
    ts::TempDir work;
    const std::string log = work.path() + "/requests.txt";
    const FileRun clean = file_run(one_case, faulty(work, "log", log));
    ASSERT_EQ(clean.r.status, 0) << clean.r.out;
    // The case's first request is asked again at its end: the request before
    // that is the last of the integrals (without it, the last of all).
    const std::vector<std::string> requests = lines_of(ts::read_file(log));
    std::size_t last = requests.size();
    for (std::size_t i = 1; i < requests.size(); ++i)
        if (requests[i] == requests[0]) last = i;
    ASSERT_GT(last, 250u);
    for (const std::size_t at : {std::size_t{1}, std::size_t{250}, last}) {
        const FileRun run = file_run(one_case, faulty(work, "twice", std::to_string(at)));
        expect_case_lost(run,
                         "gave another answer when asked the same request again|answered the "
                         "limit .* with the factor|wrote before it was asked|answered more than "
                         "one line",
                         "answer " + std::to_string(at) + " twice");
    }
}

// Limits that depend on the clock or on a random draw, by a billionth of
// themselves, give another answer to a request asked again.
TEST(LimitProbes, AnswersThatChangeFromOneAskingToTheNextAreCaught) {
    ts::TempDir work;
    for (const char* mode : {"clock", "random"})
        expect_case_lost(file_run(one_case, faulty(work, mode)),
                         "gave another answer when asked the same request again: first '0 ", mode);
}

// Limits of 1.001 ybar + c: the run asks at the sample mean 0 only, where
// they are the program's own; asked at other means, they do not move with
// the mean, whether at every mean or only below the case's. So are limits
// whose factor does not give them.
TEST(LimitProbes, LimitsThatDoNotMoveWithTheMeanOrTheirFactorAreCaught) {
    ts::TempDir work;
    expect_case_lost(file_run(one_case, faulty(work, "mean")),
                     "gave limits that do not move one-for-one with the sample mean: the limit ",
                     "one-sided, 1.001 ybar");
    // A case of fewer requests than the probes' period of moves both ways:
    // only its end moves the mean down.
    expect_case_lost(file_run(one_case, faulty(work, "below")),
                     "gave limits that do not move one-for-one with the sample mean: the limit ",
                     "one-sided, 1.001 ybar below the mean");
    expect_case_lost(file_run(two_sided_case, faulty(work, "mean")),
                     "gave limits that do not move one-for-one with the sample mean: the lower "
                     "limit ",
                     "two-sided, 1.001 ybar");
    expect_case_lost(file_run(two_sided_case, faulty(work, "factor")),
                     "answered the lower limit \\S+ with the factor \\S+, which gives ybar",
                     "two-sided, factor");
}
