// Exact two-sided confidence interval for mu + lambda*sigma^2: one-sided factors
// give the starting points, the two-sided searches give the roots, and each
// root becomes a factor H and a limit.
#include <cmath>
#include <limits>

#include "Context.h"
#include "mainguts.h"
#include "params.h"
#include "records.h"
#include "wallclock.h"

int Twotail(double muhat, double s, double df, double alpha, double lambda, double gamma2,
            double zmax, double ftolx, double ftolr, int maxit, double& lower, double& hlower,
            double& upper, double& hupper, double& elapsed, int& nlower, int& nupper,
            Context& ctx) {
    // A df that does not give at least two observations (or is no number) has
    // no integer sample size; keep the conversion below defined.
    const double size = df + 1.0;
    const int N = (size >= 1.0 && size < 2147483647.0) ? static_cast<int>(size) : 0;
    ControlParms& control = ctx.control;
    control.BesselMaxArg = zmax;
    control.FunctionTol = ftolx;
    control.ResultTol = ftolr;
    control.MaxIter = maxit;

    const double gamma = std::sqrt(gamma2);
    // Both searches run as for |lambda|; a negative lambda only swaps their
    // roots and the sign (two_sided_root).
    const double q = alpha;
    const double nu = N - 1;
    const double eta = (std::fabs(lambda) + std::fabs(lambda)) * gamma * s / std::sqrt(nu + 1.0);

    // Cases the searches cannot handle: fewer than two degrees of freedom (the
    // G function refuses them: F has no peak to scale by), or eta not positive
    // (lambda = 0, s = 0), where every trial value divides by eta. They are
    // refused with one record and non-number limits, so that no result can
    // pass for a computed one.
    if (!(nu >= 2.0) || !(eta > 0.0)) {
        if (!(nu >= 2.0)) {
            rec::list(ctx.records(), {"Twotail: df below 2, no two-sided limits for df =", df});
        } else {
            rec::list(ctx.records(), {"Twotail: eta=2|lambda|*gamma*s/sqrt(df+1) is not positive,"
                                      " no limits for lambda,s =",
                                      lambda, s});
        }
        const double nan = std::numeric_limits<double>::quiet_NaN();
        lower = nan;
        hlower = nan;
        upper = nan;
        hupper = nan;
        elapsed = 0.0;
        nlower = 0;
        nupper = 0;
        return limitstatus::refused;
    }
    const long ran_out = ctx.faults.ran_out;

    const double L = dlgama(nu * 0.5);
    const double T0 = seconds_of_day(wallclock());

    // The searches pass these through to G unread.
    const double t1 = 0.0, t2 = 0.0, t3 = 0.0, t4 = 0.0;
    int hcount = 0;
    double residual = 0.0;

    // The window ending at rho (the lower limit for lambda > 0): starting
    // guesses from the one-sided factor for half the tail.
    double h = 0.0;
    {
        const limitfaults::StartingGuesses guesses(ctx.faults);
        h = HAdap(eta, N, (1.0 - q) * 0.5, t1, t2, control.MaxIter, control.FunctionTol,
                  control.ResultTol, control.BesselMaxArg, hcount, ctx);
    }
    double x0 = (h * eta) / std::sqrt(nu) + eta * 0.5 * eta;
    double x1 = (h * params::single(1.1f) * eta) / std::sqrt(nu) + eta * 0.5 * eta;
    double xL = 0.0;
    int count[2] = {0, 0};
    TwoTailedSecant(1, xL, x0, x1, q, nu, eta, t1, t2, control.MaxIter, control.FunctionTol,
                    control.ResultTol, control.BesselMaxArg, residual, count[0], t3, L, t4, ctx);
    const double T1 = seconds_of_day(wallclock());

    // The window starting at rho. The 1.1 of its tail share is a double, unlike
    // the factor 1.1 above.
    {
        const limitfaults::StartingGuesses guesses(ctx.faults);
        h = HAdap(eta, N, 1.0 - (1.0 - q) / 1.1, t1, t2, control.MaxIter, control.FunctionTol,
                  control.ResultTol, control.BesselMaxArg, hcount, ctx);
    }
    x0 = (h * eta) / std::sqrt(nu) + eta * 0.5 * eta;
    x1 = (h * params::single(1.05f) * eta) / std::sqrt(nu) + eta * 0.5 * eta;
    double xU = 0.0;
    TwoTailedSecant(2, xU, x0, x1, q, nu, eta, t1, t2, control.MaxIter, control.FunctionTol,
                    control.ResultTol, control.BesselMaxArg, residual, count[1], t3, L, t4, ctx);
    const double T2 = seconds_of_day(wallclock());
    // Each span over midnight gets its whole day back.
    elapsed = elapsed_seconds(T0, T1) + elapsed_seconds(T1, T2);

    const double factor[2] = {(std::sqrt(nu) * (xL - eta * 0.5 * eta)) / eta,
                              (std::sqrt(nu) * (xU - eta * 0.5 * eta)) / eta};
    const TwoSidedRoot low = two_sided_root(1, lambda), high = two_sided_root(2, lambda);
    hlower = factor[low.which - 1];
    nlower = count[low.which - 1];
    lower = (lambda * s * s + muhat) + std::sqrt((df + 1.0) / df) * (s / gamma) * low.sign * hlower;
    hupper = factor[high.which - 1];
    nupper = count[high.which - 1];
    upper =
        (lambda * s * s + muhat) + std::sqrt((df + 1.0) / df) * (s / gamma) * high.sign * hupper;
    return ctx.faults.ran_out != ran_out ? limitstatus::ran_out : limitstatus::computed;
}
