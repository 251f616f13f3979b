#include <cctype>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "entries.h"
#include "freeform.h"
#include "sink.h"

#ifndef TOLVANE_VERSION
#define TOLVANE_VERSION "unknown"
#endif

namespace {

const char usage[] =
    "Usage: tolvane [--tails] [-j N] [--progress] [--lambda X] [--gamma2 G]\n"
    "               [--max-error X [--equal-tails]]\n"
    "               [--limits COMMAND [--limits-timeout SECONDS]]\n"
    "       tolvane --plan INPUT-FILE [--lambda X] [--gamma2 G] [-o FILE]\n"
    "       tolvane --grid AXES\n"
    "       tolvane --cases LIST.csv|- [--part K/N] [-j N] [--records] [-o FILE]\n"
    "               [--progress] [--max-error X ...] [--limits COMMAND ...]\n"
    "       tolvane --cases LIST.csv|- --count\n"
    "       tolvane --cases LIST.csv [--part K/N] [--records] [-o FILE] --render PART.csv...\n"
    "       tolvane [--lambda X] [--gamma2 G] [--max-error X [--equal-tails]]\n"
    "               --render INPUT-FILE RESULTS.csv...\n"
    "       tolvane -h | --help | --version\n"
    "\n"
    "Checks by numerical integration how exact the one- and two-sided confidence\n"
    "limits on mu + lambda*sigma^2 of a normal sample are (mu = 0, lambda = 0.5,\n"
    "gamma^2 = df + 1 unless set otherwise).\n"
    "It asks on standard input\n"
    "  Interactive version (1) or read input file(2)?\n"
    "Answer 1 to verify one case at a time at the terminal, 2 to run the table of\n"
    "cases that an input file selects; that run writes a report file (and, for\n"
    "two-sided limits, tolvane.int in the current directory).\n"
    "\n"
    "  --tails                   in a two-sided pass of the dialogue, show each\n"
    "                            tail's miss beside its target (1-alpha)/2\n"
    "  --plan INPUT-FILE         print, as CSV, the cases an input file selects, in\n"
    "                            the order its run takes them\n"
    "  --cases LIST.csv|-        run every row (kind,df,sigma,alpha,AdapQuadTol,\n"
    "                            FunctionTol,ResultTol) of a CSV case list and write\n"
    "                            one CSV results row per case as it finishes\n"
    "  --part K/N                with --cases, only the K-th of N equal parts\n"
    "  --records                 with --cases, add to each results row what --render\n"
    "                            needs (the computation's records among it)\n"
    "  --count                   with --cases, print only the number of case rows\n"
    "  --render FILE...          the last option: put together results computed with\n"
    "                            --records, checked row by row against the cases: an\n"
    "                            input file's report, tolvane.int and terminal output\n"
    "                            as its run writes them (--render INPUT-FILE RESULTS...),\n"
    "                            or a case list's results (--cases LIST --render PARTS...)\n"
    "  -o, --output FILE         write --plan's or --cases' CSV to FILE, whole or not\n"
    "                            at all (a device or FIFO is written through)\n"
    "  --progress                a progress line on standard error\n"
    "  -j, --jobs N              compute N cases side by side (0: one a core);\n"
    "                            the output is that of one case at a time\n"
    "  --max-error X             a case more than X from its target is a miss, and\n"
    "                            so is one refused or failed; a summary line on\n"
    "                            standard error, exit status 4 when any missed\n"
    "  --equal-tails             with --max-error, each tail of a two-sided case\n"
    "                            more than X from (1-alpha)/2 is a miss too\n"
    "  --grid AXES               write the case list of a grid, e.g.\n"
    "                            'df=2,5,10 sigma=0.05..10:30log alpha=0.95'\n"
    "  --lambda X                the coefficient lambda of sigma^2 (default 0.5)\n"
    "  --gamma2 G                gamma^2, sigma^2 over the variance of the sample\n"
    "                            mean: a number or df+K (default df+1)\n"
    "  --limits COMMAND          ask COMMAND (run by /bin/sh -c) for every limit,\n"
    "                            one request a line, instead of computing it here;\n"
    "                            tolvane-limits speaks the same protocol\n"
    "  --limits-timeout SECONDS  how long to wait for each answer (default 60)\n"
    "  -h, --help                show this text and exit\n"
    "  --version                 show the version and exit\n"
    "\n"
    "Exit status: 0 at the end of an input-file run (and after a first record\n"
    "that is neither 1 nor 2); 2 on missing or malformed input, at the end of\n"
    "input in the interactive dialogue, on a file that cannot be written, or on\n"
    "a bad argument; 3 at the end of an input-file run or case list in which\n"
    "the limit command failed a case; 4, with --max-error, when a case missed;\n"
    "5 when --render's results are not those of the cases.\n"
    "\n"
    "See tolvane(1); tolvane-table runs a table on every core or on several\n"
    "machines, tolvane-plot draws a report.\n";

// Help and version go to standard output; a write that fails must not pass as success.
int finish_stdout() {
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fputs("tolvane: standard output: write error\n", stderr);
        return 2;
    }
    return 0;
}

[[noreturn]] void bad_argument(const std::string& why) {
    fatal("", why + " (see tolvane --help)");
}

// A decimal number as a person types one: an optional sign, digits with an
// optional point, an optional exponent; no blanks, no hexadecimal, no words.
bool decimal(const std::string& v, double& out) {
    std::size_t i = 0;
    if (i < v.size() && (v[i] == '+' || v[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < v.size() && std::isdigit(static_cast<unsigned char>(v[i]))) ++i, ++digits;
    if (i < v.size() && v[i] == '.') {
        ++i;
        while (i < v.size() && std::isdigit(static_cast<unsigned char>(v[i]))) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < v.size() && (v[i] == 'e' || v[i] == 'E')) {
        ++i;
        if (i < v.size() && (v[i] == '+' || v[i] == '-')) ++i;
        std::size_t exp = 0;
        while (i < v.size() && std::isdigit(static_cast<unsigned char>(v[i]))) ++i, ++exp;
        if (exp == 0) return false;
    }
    if (i != v.size()) return false;
    out = std::strtod(v.c_str(), nullptr);
    return std::isfinite(out);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string only = argc == 2 ? argv[1] : "";
    if (only == "--help" || only == "-h") {
        std::fputs(usage, stdout);
        return finish_stdout();
    }
    if (only == "--version") {
        std::fputs("tolvane " TOLVANE_VERSION "\n", stdout);
        return finish_stdout();
    }
    RunOptions options;
    std::string limits;
    double timeout = 60.0;
    bool timeout_given = false;
    bool jobs_given = false;
    bool setting_given = false;
    std::string grid;
    bool grid_given = false;
    std::string plan, cases, part;
    bool plan_given = false, cases_given = false, render_given = false, tails_given = false;
    bool output_given = false;
    std::vector<std::string> render;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--render") {
            // Every argument after it is a file, whatever its name looks like.
            render.assign(argv + i + 1, argv + argc);
            render_given = true;
            break;
        } else if (a == "--records") {
            options.records = true;
        } else if (a == "--count") {
            options.count = true;
        } else if (a == "--progress") {
            options.progress = true;
        } else if (a == "-o" || a == "--output") {
            if (i + 1 >= argc) bad_argument(a + " needs a file");
            options.output = argv[++i];
            if (options.output.empty()) bad_argument(a + " needs a file");
            output_given = true;
        } else if (a == "--tails") {
            options.tails = true;
            tails_given = true;
        } else if (a == "-j" || a == "--jobs") {
            if (i + 1 >= argc) bad_argument(a + " needs a value");
            const std::string v = argv[++i];
            // Digits only: no sign, blank or base prefix slips through as a count.
            if (v.empty() || v.size() > 4 || v.find_first_not_of("0123456789") != std::string::npos ||
                std::stoi(v) > 1024)
                bad_argument(a + " needs a whole number of workers from 0 to 1024, not '" + v + "'");
            options.jobs = std::stoi(v);
            jobs_given = true;
        } else if (a == "--plan" || a == "--cases" || a == "--part") {
            if (i + 1 >= argc) bad_argument(a + " needs a value");
            const std::string v = argv[++i];
            if (a == "--plan") {
                plan = v;
                plan_given = true;
            } else if (a == "--cases") {
                cases = v;
                cases_given = true;
            } else {
                if (!valid_part(v)) bad_argument("--part needs K/N with 1 <= K <= N, not '" + v + "'");
                part = v;
            }
        } else if (a == "--limits" || a == "--limits-timeout") {
            if (i + 1 >= argc) bad_argument(a + " needs a value");
            const std::string v = argv[++i];
            if (a == "--limits") {
                if (v.find_first_not_of(" \t") == std::string::npos)
                    bad_argument("--limits needs a command");
                limits = v;
            } else {
                timeout_given = true;
                if (!decimal(v, timeout) || !(timeout > 0.0 && timeout <= 1e6))
                    bad_argument("--limits-timeout needs seconds between 0 and 1e6, not '" + v +
                                 "'");
            }
        } else if (a == "--max-error") {
            if (i + 1 >= argc) bad_argument(a + " needs a value");
            const std::string v = argv[++i];
            if (!decimal(v, options.max_error) || !(options.max_error >= 0.0))
                bad_argument("--max-error needs a number from 0 up, not '" + v + "'");
        } else if (a == "--grid") {
            if (i + 1 >= argc) bad_argument(a + " needs a value");
            grid = argv[++i];
            grid_given = true;
        } else if (a == "--equal-tails") {
            options.equal_tails = true;
        } else if (a == "--lambda" || a == "--gamma2") {
            if (i + 1 >= argc) bad_argument(a + " needs a value");
            const std::string v = argv[++i];
            if (a == "--lambda") {
                if (!decimal(v, options.lambda))
                    bad_argument("--lambda needs a finite number, not '" + v + "'");
            } else if (!parse_gamma2(v, options.gamma2) || !std::isfinite(options.gamma2.value) ||
                       (!options.gamma2.plus_df && !(options.gamma2.value > 0.0))) {
                bad_argument("--gamma2 needs a number above 0 or df+K, not '" + v + "'");
            }
            setting_given = true;
        } else {
            // The dialogue is the interface; an argument is a mistake, not something to ignore.
            bad_argument("unexpected argument '" + a + "'");
        }
    }
    if (limits.empty() && timeout_given) bad_argument("--limits-timeout without --limits");
    if (plan_given && cases_given) bad_argument("--plan and --cases do not go together");
    if (render_given) {
        if (plan_given) bad_argument("--render does not go with --plan");
        if (!cases_given && render.empty()) bad_argument("--render needs an input file");
        if (jobs_given || !limits.empty() || tails_given || options.count)
            bad_argument("--render computes nothing: no --jobs, --limits, --tails or --count");
        if (!cases_given && (output_given || options.records))
            bad_argument("--render INPUT-FILE writes the files the input file names: no -o or --records");
    }
    if (options.records && !cases_given) bad_argument("--records goes with --cases");
    if (options.count && (!cases_given || !part.empty() || output_given || options.records ||
                          options.verdicts()))
        bad_argument("--count goes with --cases alone");
    if (output_given && !plan_given && !cases_given) bad_argument("-o goes with --plan or --cases");
    if (options.progress && plan_given) bad_argument("--progress does not go with --plan");
    if (!part.empty() && !cases_given) bad_argument("--part goes with --cases");
    if (jobs_given && plan_given) bad_argument("--jobs does not go with --plan");
    if (options.equal_tails && !options.verdicts()) bad_argument("--equal-tails goes with --max-error");
    if (options.verdicts() && plan_given) bad_argument("--max-error does not go with --plan");
    // A case list gives each case its setting in its own columns.
    if (setting_given && cases_given)
        bad_argument("--lambda and --gamma2 do not go with --cases (give the list lambda and gamma2 columns)");
    // A file-size limit would otherwise kill the program in the middle of a
    // record; ignored, the write fails and the run cuts the file back to its
    // last complete record.
    std::signal(SIGXFSZ, SIG_IGN);
    // The terminal read and written straight through its descriptors, so that
    // a read error is told apart from the end of the input and a failed write
    // keeps its cause. Never freed: the streams are flushed at exit after every
    // static object is gone.
    std::cin.rdbuf(new ff::FileBuf(0));
    std::cout.rdbuf(new DescriptorOutput(1));
    if (grid_given) {
        if (argc != 3) bad_argument("--grid goes alone");
        return grid_main(grid);
    }
    if (plan_given) return plan_main(plan, options);
    options.limits = LimitsSource{limits, timeout};
    if (cases_given) return cases_main(cases, part, options, render_given ? &render : nullptr);
    if (render_given)
        return render_main(render.front(), std::vector<std::string>(render.begin() + 1, render.end()),
                           options);
    return tolvane_main(options);
}
