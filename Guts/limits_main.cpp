// tolvane-limits: the program's own exact limits as a command. One request a line
// on standard input, one answer a line on standard output, flushed at once, so
// that another program can hold a conversation with it through two pipes.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "LimitProtocol.h"
#include "sink.h"

namespace {

const char* const usage =
    "usage: tolvane-limits [--function-tol X] [--result-tol X]\n"
    "Reads requests 'kind df s alpha lambda gamma2 ybar [FunctionTol ResultTol]', one a line,\n"
    "and answers each on its own line: kind 1 (one-sided) 'H limit', kind 2 (two-sided)\n"
    "'hlower lower hupper upper', or 'error: <why>'. A request with tolerances gets the limit\n"
    "code at them; one without gets factors shown right to 1e-9 (H) or 1e-7 (h), relative\n"
    "or absolute below 1, or an error, and the options (default 1e-8 and 0) set the\n"
    "tolerances its first computation starts from.\n";

[[noreturn]] void refuse(const std::string& why) {
    std::cerr << "tolvane-limits: " << why << "\n" << usage;
    std::exit(2);
}

double option_value(int& i, int argc, char** argv) {
    if (i + 1 >= argc) refuse(std::string(argv[i]) + " needs a value");
    const char* text = argv[++i];
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text || *end != '\0') refuse(std::string("not a number: ") + text);
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
        else if (a == "--help") {
            std::cout << usage;
            return 0;
        } else refuse("unknown argument: " + a);
    }
    // Tolerances that every request without its own would be refused for are
    // refused here, once, instead of in every answer.
    const std::string tol_fault = limitproto::tolerance_refusal(FunctionTol, ResultTol);
    if (!tol_fault.empty()) {
        std::cerr << "tolvane-limits: " << tol_fault << "\n";
        return 2;
    }
    // Standard output carries only answers: diagnostics of the limit code go to
    // standard error.
    set_sink(&std::cerr);

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
            if (why.empty()) why = limitproto::answer_request(r, FunctionTol, ResultTol, a);
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
