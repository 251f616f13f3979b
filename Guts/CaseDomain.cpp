#include "CaseDomain.h"

#include <cmath>
#include <cstdio>

namespace domain {

namespace {

// A value as the reason quotes it: up to nine significant digits, no
// trailing zeros ("1.5", "1e+300", "-1", "nan").
std::string shown(double v) {
    if (std::isnan(v)) return "nan";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.9g", v);
    // "1e-06" reads better as "1e-6".
    std::string text = buf;
    const auto e = text.find('e');
    if (e != std::string::npos) {
        std::string digits = text.substr(e + 2);
        digits.erase(0, digits.find_first_not_of('0'));
        text = text.substr(0, e + 1) + (text[e + 1] == '-' ? "-" : "") + digits;
    }
    return text;
}

// Accepts lo <= v <= hi; a value that is no number fails every comparison.
bool within(double v, double lo, double hi) { return v >= lo && v <= hi; }

}  // namespace

std::string df_fault(double df) {
    if (within(df, DfMin, DfMax) && df == std::floor(df)) return std::string();
    return "df must be a whole number from " + shown(DfMin) + " to " + shown(DfMax) + ", not " +
           shown(df);
}

std::string sigma_fault(double sigma) {
    if (within(sigma, SigmaMin, SigmaMax)) return std::string();
    return "sigma must be from " + shown(SigmaMin) + " to " + shown(SigmaMax) + ", not " +
           shown(sigma);
}

std::string alpha_fault(double alpha) {
    if (within(alpha, AlphaMin, AlphaMax)) return std::string();
    return "alpha must be from " + shown(AlphaMin) + " to " + shown(AlphaMax) + ", not " +
           shown(alpha);
}

std::string tolerance_fault(double AdapQuadTol, double FunctionTol, double ResultTol) {
    if (!(AdapQuadTol <= 0.0) && !within(AdapQuadTol, AdapQuadTolMin, AdapQuadTolMax))
        return "AdapQuadTol must be 0 (no integral) or from " + shown(AdapQuadTolMin) + " to " +
               shown(AdapQuadTolMax) + ", not " + shown(AdapQuadTol);
    if (!within(FunctionTol, FunctionTolMin, FunctionTolMax))
        return "FunctionTol must be from " + shown(FunctionTolMin) + " to " +
               shown(FunctionTolMax) + ", not " + shown(FunctionTol);
    if (!within(ResultTol, 0.0, ResultTolMax))
        return "ResultTol must be from 0 to " + shown(ResultTolMax) + ", not " + shown(ResultTol);
    return std::string();
}

std::string case_fault(double df, double sigma, double alpha, double AdapQuadTol,
                       double FunctionTol, double ResultTol) {
    std::string why = df_fault(df);
    if (why.empty()) why = sigma_fault(sigma);
    if (why.empty()) why = alpha_fault(alpha);
    if (why.empty()) why = tolerance_fault(AdapQuadTol, FunctionTol, ResultTol);
    return why;
}

}  // namespace domain
