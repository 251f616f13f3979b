#include "LimitProtocol.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "CaseDomain.h"
#include "LimitCheck.h"
#include "freeform.h"
#include "mainguts.h"
#include "params.h"

namespace limitproto {

namespace {

// Splits on blanks, tabs and commas, as free-form input separates values.
std::vector<std::string> fields_of(std::string_view line) {
    std::vector<std::string> out;
    std::string cur;
    for (char c : line) {
        if (c == ' ' || c == '\t' || c == ',' || c == '\r' || c == '\n') {
            if (!cur.empty()) out.push_back(cur), cur.clear();
        } else {
            cur.push_back(c);
        }
    }
    if (!cur.empty()) out.push_back(cur);
    return out;
}

std::string shown(const std::string& token) {
    return token.size() > 40 ? token.substr(0, 40) + "..." : token;
}

}  // namespace

std::string real17(double v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

std::string parse_request(std::string_view line, Request& r) {
    const std::vector<std::string> f = fields_of(line);
    if (f.empty()) return "empty request";
    if (f.size() != 7 && f.size() != 9)
        return "a request has 7 or 9 values (kind df s alpha lambda gamma2 ybar "
               "[FunctionTol ResultTol]), this one " + std::to_string(f.size());
    double v[9] = {};
    for (std::size_t i = 0; i < f.size(); ++i)
        if (!ff::parse_real(f[i], v[i])) return "not a number: " + shown(f[i]);
    if (v[0] != 1.0 && v[0] != 2.0) return "kind must be 1 or 2, not " + shown(f[0]);
    r.kind = static_cast<int>(v[0]);
    r.df = v[1];
    r.s = v[2];
    r.alpha = v[3];
    r.lambda = v[4];
    r.gamma2 = v[5];
    r.ybar = v[6];
    r.has_tols = f.size() == 9;
    if (r.has_tols) {
        r.FunctionTol = v[7];
        r.ResultTol = v[8];
    }
    return "";
}

std::string format_request(const Request& r) {
    std::string out = std::to_string(r.kind);
    const double v[] = {r.df, r.s, r.alpha, r.lambda, r.gamma2, r.ybar};
    for (double x : v) out += ' ' + real17(x);
    if (r.has_tols) out += ' ' + real17(r.FunctionTol) + ' ' + real17(r.ResultTol);
    return out;
}

std::string format_answer(int kind, const Answer& a) {
    std::string out;
    for (int i = 0; i < answer_fields(kind); ++i) {
        if (i) out += ' ';
        out += real17(a.value[i]);
    }
    return out;
}

std::string parse_answer(std::string_view line, int kind, Answer& a) {
    std::size_t start = line.find_first_not_of(" \t");
    if (start != std::string_view::npos && line.substr(start).starts_with("error:")) {
        std::string_view why = line.substr(start + 6);
        while (!why.empty() && (why.front() == ' ' || why.front() == '\t')) why.remove_prefix(1);
        return "answered error: " + shown(std::string(why));
    }
    const std::vector<std::string> f = fields_of(line);
    const int n = answer_fields(kind);
    if (static_cast<int>(f.size()) != n)
        return "answered " + std::to_string(f.size()) + " values where " + std::to_string(n) +
               " were asked for: " + shown(std::string(line));
    for (int i = 0; i < n; ++i) {
        // Free-form reals have no NaN or infinity: such an answer is refused here.
        if (!ff::parse_real(f[i], a.value[i]))
            return "answered what is not a number: " + shown(f[i]);
    }
    return "";
}

namespace {

// What the limit code computes correctly; anything else is refused, not guessed at.
// The sample standard deviation is not bounded here as sigma is in the dialogue:
// a coverage run asks for s far into both tails of its distribution. Where the
// limit code finds no limit for it, the answer says so (see answer_request).
std::string limit_request_refusal(double df, double s, double alpha, double lambda,
                                  double gamma2, double ybar, double FunctionTol,
                                  double ResultTol) {
    std::string why = domain::df_fault(df);
    if (why.empty()) why = domain::alpha_fault(alpha);
    if (why.empty()) why = tolerance_refusal(FunctionTol, ResultTol);
    if (!why.empty()) return why;
    if (!(s > 0.0 && std::isfinite(s))) return "s must be positive and finite, not " + real17(s);
    if (!std::isfinite(lambda)) return "lambda must be finite, not " + real17(lambda);
    if (!(gamma2 > 0.0 && std::isfinite(gamma2)))
        return "gamma2 must be positive and finite, not " + real17(gamma2);
    if (!std::isfinite(ybar)) return "ybar must be finite, not " + real17(ybar);
    return "";
}

}  // namespace

std::string tolerance_refusal(double FunctionTol, double ResultTol) {
    return domain::tolerance_fault(0.0, FunctionTol, ResultTol);
}

std::string answer_request(const Request& r, double FunctionTol, double ResultTol, Answer& a,
                           Context& ctx) {
    const double ft = r.has_tols ? r.FunctionTol : FunctionTol;
    const double rt = r.has_tols ? r.ResultTol : ResultTol;
    const std::string why = limit_request_refusal(r.df, r.s, r.alpha, r.lambda, r.gamma2, r.ybar, ft, rt);
    if (!why.empty()) return why;
    if (r.lambda == 0.0) {
        // The mean itself: the t limits, closed forms, plain and checked alike.
        if (r.kind == 1)
            TOneTail(1, r.ybar, r.s, r.df, r.alpha, r.gamma2, a.value[0], a.value[1], ctx);
        else
            TTwotail(r.ybar, r.s, r.df, r.alpha, r.gamma2, a.value[1], a.value[0], a.value[3],
                     a.value[2], ctx);
        for (int i = 0; i < answer_fields(r.kind); ++i)
            if (!std::isfinite(a.value[i])) return "the t limits are not finite numbers";
        return "";
    }
    if (!r.has_tols) {
        // A user asking for a limit: the answer is shown right, or none is given.
        const char* fault = nullptr;
        if (r.kind == 1) {
            fault = limitcheck::checked_one_tail(1, r.ybar, r.s, r.df, r.alpha, r.lambda,
                                                 r.gamma2, ft, rt, OneSidedBound, a.value[0],
                                                 a.value[1], ctx);
        } else {
            fault = limitcheck::checked_twotail(r.ybar, r.s, r.df, r.alpha, r.lambda, r.gamma2,
                                                ft, rt, TwoSidedBound, a.value[1], a.value[0],
                                                a.value[3], a.value[2], ctx);
        }
        return fault ? fault : "";
    }
    const double zmax = params::StartBesselMaxArg;
    const int maxit = params::StartMaxIter;
    double elapsed = 0.0;
    if (r.kind == 1) {
        int iterations = 0;
        OneTail(1, r.ybar, r.s, r.df, r.alpha, r.lambda, r.gamma2, zmax, ft, rt, maxit,
                a.value[0], a.value[1], elapsed, iterations, ft, rt, ctx);
    } else {
        int nlower = 0, nupper = 0;
        Twotail(r.ybar, r.s, r.df, r.alpha, r.lambda, r.gamma2, zmax, ft, rt, maxit, a.value[1],
                a.value[0], a.value[3], a.value[2], elapsed, nlower, nupper, ctx);
    }
    for (int i = 0; i < answer_fields(r.kind); ++i)
        if (!std::isfinite(a.value[i])) return "the limit code found no limit for this request";
    // The two-sided searches can, rarely, settle on a root that is no limit (seen at
    // df 100, s 9.92, alpha 0.001: the upper limit below the lower); such a pair is
    // not an interval and is not passed on.
    if (r.kind == 2 && !(a.value[1] <= a.value[3]))
        return "the limit code gave a lower limit above the upper limit";
    return "";
}

}  // namespace limitproto
