// tolvane-limits: the program's own exact limits as a command. One request a line
// on standard input, one answer a line on standard output, flushed at once, so
// that another program can hold a conversation with it through two pipes.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "Context.h"
#include "LimitProtocol.h"

namespace {

#ifndef TOLVANE_VERSION
#define TOLVANE_VERSION "unknown"
#endif

const char* const usage =
    "Usage: tolvane-limits [--function-tol X] [--result-tol X]\n"
    "       tolvane-limits -h | --help | --version\n"
    "\n"
    "Answers limit requests with the program's own exact limits, one line in, one\n"
    "line out, each answer flushed at once, until the end of standard input.\n"
    "  request: kind df s alpha lambda gamma2 ybar [FunctionTol ResultTol]\n"
    "  answer:  kind 1 (one-sided) 'H limit', kind 2 (two-sided)\n"
    "           'hlower lower hupper upper', or 'error: <why>'\n"
    "A request with tolerances gets the limit code at them; one without gets\n"
    "factors shown right to 1e-9 (H) or 1e-7 (h), relative or absolute below 1,\n"
    "or an error.\n"
    "\n"
    "  --function-tol X   the FunctionTol that the first computation of a request\n"
    "                     without tolerances starts from (default 1e-8)\n"
    "  --result-tol X     its ResultTol (default 0)\n"
    "  -h, --help         show this text and exit\n"
    "  --version          show the version and exit\n"
    "\n"
    "Diagnostics of the limit code go to standard error. Exit status: 0 at the end\n"
    "of the input, 2 on a bad argument or when standard input or output fails.\n"
    "See tolvane-limits(1) and tolvane(1).\n";

// One line, as every command of the program refuses an argument.
[[noreturn]] void refuse(const std::string& why) {
    std::cerr << "tolvane-limits: " << why << " (see tolvane-limits --help)" << std::endl;
    std::exit(2);
}

// Help and version go to standard output; a write that fails must not pass as success.
int print_and_exit_status(const char* text) {
    if (std::fputs(text, stdout) < 0 || std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "tolvane-limits: standard output: %s\n", std::strerror(errno));
        return 2;
    }
    return 0;
}

double option_value(int& i, int argc, char** argv) {
    if (i + 1 >= argc) refuse(std::string(argv[i]) + " needs a value");
    const char* text = argv[++i];
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text || *end != '\0')
        refuse(std::string(argv[i - 1]) + " needs a number, not '" + text + "'");
    return v;
}

// Reads one line, without its end, of at most `most` characters; a longer line is
// read to its end and reported, so that a runaway input cannot grow memory.
enum class Line { Ok, TooLong, End };
Line read_line(std::string& line, std::size_t most) {
    line.clear();
    bool too_long = false;
    for (int c; (c = std::getchar()) != EOF;) {
        if (c == '\n') return too_long ? Line::TooLong : Line::Ok;
        if (line.size() < most) line.push_back(static_cast<char>(c));
        else too_long = true;
    }
    if (too_long) return Line::TooLong;
    return line.empty() ? Line::End : Line::Ok;
}

}  // namespace

int main(int argc, char** argv) {
    double FunctionTol = 1e-8;
    double ResultTol = 0.0;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--function-tol") FunctionTol = option_value(i, argc, argv);
        else if (a == "--result-tol") ResultTol = option_value(i, argc, argv);
        else if ((a == "--help" || a == "-h") && argc == 2) return print_and_exit_status(usage);
        else if (a == "--version" && argc == 2)
            return print_and_exit_status("tolvane-limits " TOLVANE_VERSION "\n");
        else refuse("unexpected argument '" + a + "'");
    }
    // Tolerances that every request without its own would be refused for are
    // refused here, once, instead of in every answer.
    if (const std::string why = limitproto::tolerance_refusal(FunctionTol, ResultTol); !why.empty())
        refuse(why);
    // Standard output carries only answers: the limit code's records go to
    // standard error. One context serves every request, each computed afresh.
    Context ctx(std::cerr);

    std::string line;
    for (;;) {
        const Line got = read_line(line, 1000);
        if (got == Line::End) break;
        std::string answer;
        if (got == Line::TooLong) {
            answer = "error: request longer than 1000 characters";
        } else {
            limitproto::Request r;
            limitproto::Answer a;
            std::string why = limitproto::parse_request(line, r);
            if (why.empty()) why = limitproto::answer_request(r, FunctionTol, ResultTol, a, ctx);
            answer = why.empty() ? limitproto::format_answer(r.kind, a) : "error: " + why;
        }
        std::cerr.flush();
        if (std::printf("%s\n", answer.c_str()) < 0 || std::fflush(stdout) != 0) {
            std::fprintf(stderr, "tolvane-limits: standard output: %s\n", std::strerror(errno));
            return 2;
        }
    }
    if (std::ferror(stdin)) {
        std::fprintf(stderr, "tolvane-limits: standard input: %s\n", std::strerror(errno));
        return 2;
    }
    return 0;
}
