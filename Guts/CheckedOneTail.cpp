#include <cmath>

#include "LimitCheck.h"
#include "mainguts.h"
#include "params.h"

namespace limitcheck {

const char* checked_one_tail(int kind, double ybar, double sd, double df, double alpha,
                             double lambda, double gamma2, double FunctionTol, double ResultTol,
                             double bound, double& H, double& limit, Context& ctx) {
    double elapsed = 0.0;
    int iterations = 0;
    OneTail(kind, ybar, sd, df, alpha, lambda, gamma2, params::StartBesselMaxArg, FunctionTol,
            ResultTol, params::StartMaxIter, H, limit, elapsed, iterations, FunctionTol, ResultTol,
            ctx);

    // The same reduction as OneTail's, to the equation HAdap solves.
    const double gamma = std::sqrt(gamma2);
    const auto [p, sign] = one_sided_tail(kind, alpha, lambda);
    const double size = df + 1.0;
    if (!(size >= 3.0 && size < 2147483647.0)) return "no one-sided limit for this df";
    const double nu = static_cast<double>(static_cast<int>(size) - 1);
    const double sdstar = 2.0 * std::fabs(lambda) * gamma * sd / std::sqrt(df + 1.0);
    if (!(sdstar > 0.0 && std::isfinite(sdstar))) return "no one-sided limit for this lambda and s";

    const LimitEquation eq{1, 1, nu, sdstar, p};
    if (certified(eq, H, bound)) return nullptr;
    double root = 0.0;
    const double start = std::isfinite(H) ? H : approximate_factor(p, sdstar);
    if (!certified_root(eq, start, bound, root))
        return "no limit could be shown right to 1e-9 in H for this request";
    H = root;
    limit = ybar + lambda * (sd * sd) + sign * H * sd * std::sqrt((df + 1.0) / df) / gamma;
    if (!std::isfinite(limit)) return "the limit is not a finite number";
    return nullptr;
}

}  // namespace limitcheck
