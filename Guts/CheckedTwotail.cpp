#include <cmath>

#include "LimitCheck.h"
#include "mainguts.h"
#include "params.h"

namespace limitcheck {

const char* checked_twotail(double muhat, double s, double df, double alpha, double lambda,
                            double gamma2, double FunctionTol, double ResultTol, double bound,
                            double& lower, double& hlower, double& upper, double& hupper,
                            Context& ctx) {
    double elapsed = 0.0;
    int nlower = 0, nupper = 0;
    Twotail(muhat, s, df, alpha, lambda, gamma2, params::StartBesselMaxArg, FunctionTol, ResultTol,
            params::StartMaxIter, lower, hlower, upper, hupper, elapsed, nlower, nupper, ctx);

    // The same reduction as Twotail's.
    const double size = df + 1.0;
    if (!(size >= 3.0 && size < 2147483647.0)) return "no two-sided limits for this df";
    const double nu = static_cast<double>(static_cast<int>(size) - 1);
    const double gamma = std::sqrt(gamma2);
    const double eta = (std::fabs(lambda) + std::fabs(lambda)) * gamma * s / std::sqrt(nu + 1.0);
    if (!(eta > 0.0 && std::isfinite(eta))) return "no two-sided limits for this lambda and s";

    const double scale = std::sqrt((df + 1.0) / df) * (s / gamma);
    const double centre = lambda * s * s + muhat;
    double* const factor[2] = {&hlower, &hupper};
    double* const limit[2] = {&lower, &upper};
    for (int which_limit = 1; which_limit <= 2; ++which_limit) {
        double& h = *factor[which_limit - 1];
        const TwoSidedRoot root_of = two_sided_root(which_limit, lambda);
        const LimitEquation eq{2, root_of.which, nu, eta, alpha};
        if (certified(eq, h, bound)) continue;
        // The one-sided factor of the window's own tail is where the limit code starts too.
        const double tail = root_of.which == 1 ? 0.5 * (1.0 - alpha) : 1.0 - 0.5 * (1.0 - alpha);
        const double start = std::isfinite(h) ? h : approximate_factor(tail, eta);
        double root = 0.0;
        if (!certified_root(eq, start, bound, root))
            return which_limit == 1
                       ? "no lower limit could be shown right to 1e-7 in h for this request"
                       : "no upper limit could be shown right to 1e-7 in h for this request";
        h = root;
        *limit[which_limit - 1] = centre + scale * root_of.sign * h;
    }
    if (!std::isfinite(lower) || !std::isfinite(upper)) return "the limits are not finite numbers";
    if (!(lower <= upper)) return "the limit code gave a lower limit above the upper limit";
    return nullptr;
}

}  // namespace limitcheck
