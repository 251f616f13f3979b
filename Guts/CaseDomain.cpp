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
    if (df >= DfMin && std::isfinite(df) && df == std::floor(df)) return std::string();
    return "df must be a whole number from " + shown(DfMin) + " up, not " + shown(df);
}

std::string sigma_fault(double sigma) {
    if (within(sigma, SigmaLeast, SigmaMost)) return std::string();
    return "sigma must be from " + shown(SigmaLeast) + " to " + shown(SigmaMost) + ", not " +
           shown(sigma);
}

std::string alpha_fault(double alpha) {
    if (alpha > 0.0 && alpha < 1.0) return std::string();
    return "alpha must be above 0 and below 1, not " + shown(alpha);
}

std::string tolerance_fault(double AdapQuadTol, double FunctionTol, double ResultTol) {
    if (!(AdapQuadTol < AdapQuadTolBelow))
        return "AdapQuadTol must be a number below " + shown(AdapQuadTolBelow) + ", not " +
               shown(AdapQuadTol);
    // A negative tolerance can never be met: every search would end on its
    // iteration limit.
    if (!(FunctionTol >= 0.0 && std::isfinite(FunctionTol)))
        return "FunctionTol must be a finite number from 0 up, not " + shown(FunctionTol);
    if (!(ResultTol >= 0.0 && std::isfinite(ResultTol)))
        return "ResultTol must be a finite number from 0 up, not " + shown(ResultTol);
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

namespace {

bool standard_setting(double lambda, double gamma2, double df) {
    return lambda == 0.5 && gamma2 == df + 1.0;
}

bool adapquadtol_inside(double AdapQuadTol) {
    return AdapQuadTol <= 0.0 || within(AdapQuadTol, LimitsAdapQuadTolMin, LimitsAdapQuadTolMax);
}

std::string adapquadtol_domain() {
    return "AdapQuadTol 0 or " + shown(LimitsAdapQuadTolMin) + " to " + shown(LimitsAdapQuadTolMax);
}

// The domain's text with `scale` naming the bounds of sigma or sd*.
std::string domain_text(const std::string& scale, const std::string& defined = "") {
    return "df " + shown(DfMin) + " to " + shown(LimitsDfMax) + ", " + scale + " " +
           shown(LimitsSigmaMin) + " to " + shown(LimitsSigmaMax) + defined + ", alpha " +
           shown(LimitsAlphaMin) + " to " + shown(LimitsAlphaMax) + ", " + adapquadtol_domain() +
           ", FunctionTol " + shown(LimitsFunctionTolMin) + " to " +
           shown(LimitsFunctionTolMax) + ", ResultTol 0 to " + shown(LimitsResultTolMax);
}

// The values of a case outside the domain, `scale` and `scaled` standing for
// sigma: "sigma 500" or "sd* 12 (sigma 3)".
std::string outside_text(double df, double scaled, const std::string& scale, double alpha,
                         double AdapQuadTol, double FunctionTol, double ResultTol) {
    std::string out;
    auto note = [&](bool inside, const std::string& what) {
        if (inside) return;
        if (!out.empty()) out += ", ";
        out += what;
    };
    note(df <= LimitsDfMax, "df " + shown(df));
    note(within(scaled, LimitsSigmaMin, LimitsSigmaMax), scale);
    note(within(alpha, LimitsAlphaMin, LimitsAlphaMax), "alpha " + shown(alpha));
    note(adapquadtol_inside(AdapQuadTol), "AdapQuadTol " + shown(AdapQuadTol));
    note(within(FunctionTol, LimitsFunctionTolMin, LimitsFunctionTolMax),
         "FunctionTol " + shown(FunctionTol));
    note(within(ResultTol, 0.0, LimitsResultTolMax), "ResultTol " + shown(ResultTol));
    return out;
}

}  // namespace

std::string limits_domain() { return domain_text("sigma"); }

std::string outside_limits_domain(double df, double sigma, double alpha, double AdapQuadTol,
                                  double FunctionTol, double ResultTol) {
    return outside_text(df, sigma, "sigma " + shown(sigma), alpha, AdapQuadTol, FunctionTol,
                        ResultTol);
}

double sd_star(double sigma, double lambda, double gamma2, double df) {
    return 2.0 * std::fabs(lambda) * std::sqrt(gamma2) * sigma / std::sqrt(df + 1.0);
}

std::string limits_domain(double lambda, double gamma2, double df) {
    if (standard_setting(lambda, gamma2, df)) return limits_domain();
    if (lambda == 0.0) return "the t limits of lambda 0, at every df, sigma and alpha: " +
                              adapquadtol_domain();
    return domain_text("sd*", " (sd* = 2|lambda|*gamma*sigma/sqrt(df+1))");
}

std::string outside_limits_domain(double df, double sigma, double alpha, double AdapQuadTol,
                                  double FunctionTol, double ResultTol, double lambda,
                                  double gamma2) {
    if (standard_setting(lambda, gamma2, df))
        return outside_limits_domain(df, sigma, alpha, AdapQuadTol, FunctionTol, ResultTol);
    if (lambda == 0.0)
        return adapquadtol_inside(AdapQuadTol) ? std::string() : "AdapQuadTol " + shown(AdapQuadTol);
    const double sd = sd_star(sigma, lambda, gamma2, df);
    return outside_text(df, sd, "sd* " + shown(sd) + " (sigma " + shown(sigma) + ")", alpha,
                        AdapQuadTol, FunctionTol, ResultTol);
}

}  // namespace domain
