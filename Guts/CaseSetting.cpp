#include "CaseSetting.h"

#include <cmath>

#include "CaseList.h"
#include "freeform.h"

namespace {

// A real as the shortest text that reads back as it: "0.5", "1", "2.5e-05".
std::string shown(double v) { return caselist::real(v); }

std::string without_blanks(const std::string& text) {
    std::string out;
    for (const char c : text)
        if (c != ' ' && c != '\t') out += c;
    return out;
}

}  // namespace

bool parse_gamma2(const std::string& text, Gamma2& g) {
    const std::string t = without_blanks(text);
    if (t.size() >= 2 && (t[0] == 'd' || t[0] == 'D') && (t[1] == 'f' || t[1] == 'F')) {
        const std::string rest = t.substr(2);
        double k = 0.0;
        if (!rest.empty()) {
            if (rest[0] != '+' && rest[0] != '-') return false;
            if (!ff::parse_real(rest.substr(1), k)) return false;
            if (rest[0] == '-') k = -k;
        }
        g = Gamma2{true, k};
        return true;
    }
    double v = 0.0;
    if (!ff::parse_real(t, v)) return false;
    g = Gamma2{false, v};
    return true;
}

std::string gamma2_text(const Gamma2& g) {
    if (!g.plus_df) return shown(g.value);
    if (g.value == 0.0) return "df";
    return g.value < 0.0 ? "df-" + shown(-g.value) : "df+" + shown(g.value);
}

std::string setting_text(double mu, double lambda, const Gamma2& g) {
    return "mu=" + shown(mu) + ", lambda=" + shown(lambda) + ", gamma-squared=" + gamma2_text(g);
}

std::string setting_fault(double sigma, double lambda, double gamma2, double mu) {
    if (!std::isfinite(lambda)) return "lambda must be a finite number, not " + shown(lambda);
    if (!(gamma2 > 0.0 && std::isfinite(gamma2)))
        return "gamma2 must be a finite number above 0, not " + shown(gamma2);
    if (!std::isfinite(mu)) return "mu must be a finite number, not " + shown(mu);
    if (!std::isfinite(mu + lambda * (sigma * sigma)))
        return "the target mu + lambda*sigma^2 is no finite number";
    const double se = sigma / std::sqrt(gamma2);
    if (!(se > 0.0 && std::isfinite(se)))
        return "the standard error sigma/gamma is no finite number above 0";
    return std::string();
}
