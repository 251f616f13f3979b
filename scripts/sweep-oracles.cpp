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
//
// Built on request: cmake --build build --target sweep-oracles, or run
// scripts/sweep-oracles.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "control.h"
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

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 || (std::strcmp(argv[1], "one") != 0 && std::strcmp(argv[1], "two") != 0)) {
        std::fprintf(stderr, "usage: sweep-oracles one|two\n");
        return 2;
    }
    if (std::strcmp(argv[1], "one") == 0) {
        sweep_one_sided();
    } else {
        for (double tol : {1e-6, 1e-8, 1e-10}) sweep_two_sided(tol);
    }
    return 0;
}
