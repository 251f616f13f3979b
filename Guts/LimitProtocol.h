// The line protocol by which limits are asked of a limit command and answered:
// one request a line in, one answer a line out.
//   request:  kind df s alpha lambda gamma2 ybar [FunctionTol ResultTol]
//   answer:   kind 1: "H limit"; kind 2: "hlower lower hupper upper";
//             or "error: <why>" when the limit cannot be computed.
// Reals are written with 17 significant digits so that they read back exactly.
#pragma once
#include <string>
#include <string_view>

struct Context;

namespace limitproto {

struct Request {
    int kind = 1;            // 1 one-sided, 2 two-sided
    double df = 0.0;         // degrees of freedom of s
    double s = 0.0;          // sample standard deviation
    double alpha = 0.0;      // level
    double lambda = 0.0;     // coefficient of sigma^2
    double gamma2 = 0.0;     // variance of ybar is sigma^2/gamma2
    double ybar = 0.0;       // sample mean
    bool has_tols = false;   // whether the two tolerances were given
    double FunctionTol = 0.0;
    double ResultTol = 0.0;
};

// One-sided answer: H and limit; two-sided: hlower, lower, hupper, upper.
struct Answer {
    double value[4] = {0.0, 0.0, 0.0, 0.0};
};

inline constexpr int answer_fields(int kind) { return kind == 1 ? 2 : 4; }

// Reads a request; returns "" or why the line is not one.
std::string parse_request(std::string_view line, Request& r);
// The line of a request, without the line end; the tolerances when has_tols.
std::string format_request(const Request& r);

// The line of an answer, without the line end.
std::string format_answer(int kind, const Answer& a);
// Reads an answer to a request of `kind`; returns "" or why the line is not one
// (for an "error: ..." line, the command's own reason).
std::string parse_answer(std::string_view line, int kind, Answer& a);

// A real with 17 significant digits, exactly as the protocol writes it.
std::string real17(double v);

}  // namespace limitproto

namespace limitproto {

// How far a checked answer may be off: H of a one-sided limit, each h of a
// two-sided pair, relative, or absolute where the factor is below 1 in size.
inline constexpr double OneSidedBound = 1e-9;
inline constexpr double TwoSidedBound = 1e-7;

// Why the limit code refuses these tolerances in every request, or "".
std::string tolerance_refusal(double FunctionTol, double ResultTol);

// Computes the answer to a request with the program's own limit code (BesselMaxArg
// 800, MaxIter 200). A request with tolerances gets the plain computation at them.
// A request without gets a checked one (LimitCheck.h): the limit code at the two
// tolerances given here, its factors shown right to OneSidedBound or TwoSidedBound
// by an accurate evaluation of their defining equations, else found by that
// evaluation, else no answer. A request with lambda 0 gets the t limits
// (TOneTail, TTwotail) either way: closed forms, right to about 4e-15. Returns
// "" or why there is no answer (the request lies outside what the limit code
// computes, or no factor could be shown right). The limit code's records go to
// the context's records.
std::string answer_request(const Request& r, double FunctionTol, double ResultTol, Answer& a,
                           Context& ctx);

}  // namespace limitproto
