// Exploratory sweeps of the limits against the independent oracles of the
// tests (tests/onesided_oracle.h, tests/twosided_oracle.h), over grids much
// fuller than the tests', one line per case. They look for where the limits
// are least exact, and they only print: nothing here passes or fails.
//
//   sweep-oracles one   H factor of the one-sided limits (FunctionTol 1e-8,
//                       ResultTol 0): iterations, H, its distance from the
//                       oracle's and the residual of the oracle's G (seconds)
//   sweep-oracles two   both two-sided limits at FunctionTol 1e-6, 1e-8 and
//                       1e-10: residuals and distances from the oracle's
//                       roots, crossed limits and residuals beyond the bound
//                       the tests allow, the slowest call (minutes)
//   sweep-oracles settings  the plain limits (FunctionTol 1e-8, ResultTol 0)
//                       and the checked answers of tolvane-limits at lambda
//                       -1, 0.25, 1, 2 and gamma2 1, df, 10(df+1), beside the
//                       standard setting, against the long-double oracle's
//                       roots (tests/limits_oracle.h) on a grid in df, sd*
//                       and alpha; per line the factors' distances from the
//                       roots, then tables of the plain ones (a quarter of
//                       an hour)
//
// Built on request: cmake --build build --target sweep-oracles, or run
// scripts/sweep-oracles.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "LimitProtocol.h"
#include "control.h"
#include "limits_oracle.h"
#include "mainguts.h"
#include "onesided_oracle.h"
#include "sink.h"
#include "test_support.h"
#include "twosided_oracle.h"

namespace {

void sweep_one_sided() {
    using namespace onesided_oracle;
    const double tol = 1e-8;
    for (double df : {2.0, 3.0, 4.0, 5.0, 7.0, 10.0, 20.0, 50.0, 100.0, 300.0, 1000.0}) {
        for (double sd : {0.1, 0.2, 0.5, 1.0, 2.0, 3.0, 5.0, 10.0}) {
            for (double p : {0.001, 0.01, 0.05, 0.2, 0.5, 0.8, 0.95, 0.99, 0.999}) {
                const LimitCase c{df, sd, p};
                const Comparison r = compare(c, tol, 0.0);
                std::printf("%-26s it=%3d H=%-14.8g dH=%-10.3g res=%-10.3g N=%-10.3g "
                            "res*N/tol=%-8.3g dH*slope/res=%.3g\n",
                            describe(c).c_str(), r.iterations, r.H, r.H - r.Horacle, r.residual,
                            r.N, r.residual * r.N / tol, (r.H - r.Horacle) * r.slope / r.residual);
            }
        }
    }
}

void sweep_two_sided(double tol) {
    const std::vector<double> dfs{2, 3, 4, 5, 7, 10, 20, 50, 100, 300, 1000};
    const std::vector<double> sds{0.1, 0.3, 1, 3, 10};
    const std::vector<double> alphas{0.001, 0.01, 0.05, 0.1,  0.25,  0.5,
                                     0.75,  0.9,  0.95, 0.99, 0.995, 0.999};
    double worst = 0.0, worst_dx = 0.0, slowest = 0.0;
    std::string where, where_dx, where_slow;
    for (double df : dfs) {
        for (double s : sds) {
            for (double alpha : alphas) {
                char tag[96];
                std::snprintf(tag, sizeof tag, "df=%g s=%g alpha=%g", df, s, alpha);
                double lower = 0.0, hlower = 0.0, upper = 0.0, hupper = 0.0, elapsed = 0.0;
                int nlower = 0, nupper = 0;
                const auto t0 = std::chrono::steady_clock::now();
                {
                    // The searches' own records would drown the sweep's lines.
                    ts::TestContext quiet;
                    Twotail(0.0, s, df, alpha, 0.5, df + 1.0, 800.0, tol, 0.0, 200, lower, hlower,
                            upper, hupper, elapsed, nlower, nupper, quiet);
                }
                const double secs =
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
                if (secs > slowest) {
                    slowest = secs;
                    where_slow = tag;
                }
                // At loose tolerances and tiny levels G is flat within its own
                // integration noise, and a limit can land on a jump of that noise.
                if (!(lower < upper)) std::printf("crossed: %s\n", tag);
                // In the standardised case each limit is the root itself.
                const oracle::Disagreement dl = oracle::judge(lower, alpha, 1, df, s, tol);
                const oracle::Disagreement du = oracle::judge(upper, alpha, 2, df, s, tol);
                for (const auto& [d, side] : {std::pair{dl, "lower"}, std::pair{du, "upper"}}) {
                    if (!(std::fabs(d.residual) <= d.allowed)) std::printf("outside: %s %s\n", tag, side);
                    if (!(std::fabs(d.residual) <= worst)) {
                        worst = std::fabs(d.residual);
                        where = std::string(tag) + " " + side;
                    }
                    if (std::fabs(d.dx) > worst_dx) {
                        worst_dx = std::fabs(d.dx);
                        where_dx = std::string(tag) + " " + side;
                    }
                }
                std::printf("%s  lower %.10g (%d, res %.2g, dx %.2g)  upper %.10g (%d, res "
                            "%.2g, dx %.2g)  %.4f s\n",
                            tag, lower, nlower, dl.residual, dl.dx, upper, nupper, du.residual,
                            du.dx, secs);
                std::fflush(stdout);
            }
        }
    }
    std::printf("FunctionTol %g: worst |G - level| %.3g at %s; worst |x - root| %.3g at %s; "
                "slowest call %.4f s at %s\n",
                tol, worst, where.c_str(), worst_dx, where_dx.c_str(), slowest,
                where_slow.c_str());
}


// One setting of lambda and gamma2 (gamma2 as a rule in df).
struct Setting {
    double lambda;
    int rule;  // gamma2 = 0: df + 1, 1: 1, 2: df, 3: 10 (df + 1)
    double gamma2(double df) const {
        return rule == 0 ? df + 1.0 : rule == 1 ? 1.0 : rule == 2 ? df : 10.0 * (df + 1.0);
    }
    std::string name() const {
        static const char* const rules[] = {"df+1", "1", "df", "10(df+1)"};
        char buf[64];
        std::snprintf(buf, sizeof buf, "lambda %g gamma2 %s", lambda, rules[rule]);
        return buf;
    }
};

// The factors' distance from the oracle's root: relative, absolute below 1.
double off(double h, std::optional<limits_oracle::real> root) {
    if (!root || !std::isfinite(h)) return INFINITY;
    const double r = static_cast<double>(*root);
    return std::fabs(h - r) / std::fmax(1.0, std::fabs(r));
}

void sweep_settings() {
    namespace lo = limits_oracle;
    const std::vector<double> dfs{2, 3, 5, 10, 30, 100, 300, 1000, 2000};
    const std::vector<double> sds{0.01, 0.03, 0.05, 0.1, 0.3, 1, 3, 10, 12, 15, 20};
    const std::vector<double> alphas{0.001, 0.01, 0.05, 0.5, 0.95, 0.99, 0.999};
    std::vector<Setting> settings{{0.5, 0}};
    for (double lambda : {-1.0, 0.25, 1.0, 2.0})
        for (int rule : {1, 2, 3}) settings.push_back({lambda, rule});
    // The oracle's roots of the standardised problems, each found once.
    std::map<std::tuple<int, int, double, double, double>, std::optional<lo::real>> roots;
    auto root_of = [&](int sides, int which, double df, double sd, double level, double guess) {
        const auto key = std::make_tuple(sides, which, df, sd, level);
        const auto found = roots.find(key);
        if (found != roots.end()) return found->second;
        const lo::Equation eq{sides, which, df, sd, level};
        auto r = std::isfinite(guess) ? lo::root(eq, guess) : std::nullopt;
        roots.emplace(key, r);
        return r;
    };
    // Worst plain and checked distance per (sides, df, sd*) over alpha, per setting.
    std::map<std::tuple<int, double, double, int>, std::pair<double, double>> worst;
    int checked_beyond = 0, checked_errors = 0, no_root = 0;
    for (int sides = 1; sides <= 2; ++sides) {
        for (double df : dfs) {
            for (double sd : sds) {
                for (double alpha : alphas) {
                    for (std::size_t k = 0; k < settings.size(); ++k) {
                        const Setting& st = settings[k];
                        const double gamma2 = st.gamma2(df);
                        limitproto::Request r;
                        r.kind = sides;
                        r.df = df;
                        r.s = sd * std::sqrt(df + 1.0) / (2.0 * std::fabs(st.lambda) * std::sqrt(gamma2));
                        r.alpha = alpha;
                        r.lambda = st.lambda;
                        r.gamma2 = gamma2;
                        r.ybar = 0.0;
                        r.FunctionTol = 1e-8;
                        r.ResultTol = 0.0;
                        limitproto::Answer plain, checked;
                        std::string plain_why, checked_why;
                        {
                            ts::TestContext quiet;
                            r.has_tols = true;
                            plain_why = limitproto::answer_request(r, 1e-8, 0.0, plain, quiet);
                            r.has_tols = false;
                            checked_why = limitproto::answer_request(r, 1e-8, 0.0, checked, quiet);
                        }
                        double plain_off = 0.0, checked_off = 0.0;
                        std::string line;
                        char buf[160];
                        for (int i = 0; i < sides; ++i) {
                            int which = 1;
                            double level = alpha;
                            if (sides == 1) {
                                level = one_sided_tail(1, alpha, st.lambda).p;
                            } else {
                                which = two_sided_root(i + 1, st.lambda).which;
                            }
                            const double hc = checked.value[2 * i], hp = plain.value[2 * i];
                            const auto root = root_of(sides, which, df, sd, level,
                                                      checked_why.empty() ? hc : hp);
                            if (!root) ++no_root;
                            const double dp = plain_why.empty() ? off(hp, root) : INFINITY;
                            const double dc = checked_why.empty() ? off(hc, root) : INFINITY;
                            plain_off = std::fmax(plain_off, dp);
                            checked_off = std::fmax(checked_off, dc);
                            std::snprintf(buf, sizeof buf, "  %s %.10g plain %.2g checked %.2g",
                                          sides == 1 ? "H" : i == 0 ? "hlower" : "hupper",
                                          root ? static_cast<double>(*root) : NAN, dp, dc);
                            line += buf;
                        }
                        const double bound = sides == 1 ? limitproto::OneSidedBound
                                                        : limitproto::TwoSidedBound;
                        if (!checked_why.empty()) ++checked_errors;
                        else if (!(checked_off <= bound)) ++checked_beyond;
                        auto& w = worst[std::make_tuple(sides, df, sd, static_cast<int>(k))];
                        w.first = std::fmax(w.first, plain_off);
                        w.second = std::fmax(w.second, checked_off);
                        std::printf("%d-sided df %g sd* %g alpha %g %s:%s%s%s%s%s\n", sides, df, sd,
                                    alpha, st.name().c_str(), line.c_str(),
                                    plain_why.empty() ? "" : "  plain error: ", plain_why.c_str(),
                                    checked_why.empty() ? "" : "  checked error: ",
                                    checked_why.c_str());
                        std::fflush(stdout);
                    }
                }
            }
        }
    }
    // The worst plain distance over alpha in each (df, sd*) cell: at the
    // standard setting, and the largest over all settings.
    auto shown = [](double v) {
        char b[16];
        if (!std::isfinite(v)) return std::string("-");
        if (v < 1e-12) return std::string("0");
        std::snprintf(b, sizeof b, "%.0e", v);
        return std::string(b);
    };
    for (int sides = 1; sides <= 2; ++sides) {
        std::printf("\n%d-sided, worst plain distance over alpha: standard setting / worst "
                    "setting (- = no number, 0 = below 1e-12)\n| df \\ sd* |",
                    sides);
        for (double sd : sds) std::printf(" %g |", sd);
        std::printf("\n|---|");
        for (std::size_t i = 0; i < sds.size(); ++i) std::printf("---|");
        std::printf("\n");
        for (double df : dfs) {
            std::printf("| %g |", df);
            for (double sd : sds) {
                double standard = 0.0, all = 0.0;
                for (std::size_t k = 0; k < settings.size(); ++k) {
                    const double v =
                        worst[std::make_tuple(sides, df, sd, static_cast<int>(k))].first;
                    if (k == 0) standard = v;
                    all = std::fmax(all, v);
                }
                std::printf(" %s / %s |", shown(standard).c_str(), shown(all).c_str());
            }
            std::printf("\n");
        }
    }
    std::printf("\nchecked answers beyond their bound: %d; answered error: %d; no oracle root: %d\n",
                checked_beyond, checked_errors, no_root);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 || (std::strcmp(argv[1], "one") != 0 && std::strcmp(argv[1], "two") != 0 &&
                      std::strcmp(argv[1], "settings") != 0)) {
        std::fprintf(stderr, "usage: sweep-oracles one|two|settings\n");
        return 2;
    }
    if (std::strcmp(argv[1], "settings") == 0) {
        sweep_settings();
    } else if (std::strcmp(argv[1], "one") == 0) {
        sweep_one_sided();
    } else {
        for (double tol : {1e-6, 1e-8, 1e-10}) sweep_two_sided(tol);
    }
    return 0;
}
