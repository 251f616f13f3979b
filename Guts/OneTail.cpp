#include <cmath>
#include <limits>

#include "Context.h"
#include "mainguts.h"
#include "records.h"
#include "wallclock.h"

// One-sided exact limit on mu + lambda*sigma^2: installs the search controls,
// reduces the problem to the standardised one that HAdap solves, and maps H
// back to the scale of the sample.
int OneTail(int kind, double ybar, double sd, double nu, double alpha, double lambda,
            double gamma2, double BesselMaxArg, double FunctionTol, double ResultTol,
            int MaxIter, double& H, double& limit, double& elapsed, int& iterations,
            double unused1, double unused2, Context& ctx) {
    ControlParms& control = ctx.control;
    control.BesselMaxArg = BesselMaxArg;
    control.FunctionTol = FunctionTol;
    control.ResultTol = ResultTol;
    control.MaxIter = MaxIter;

    const double gamma = std::sqrt(gamma2);
    const auto [p, sign] = one_sided_tail(kind, alpha, lambda);
    // A df that does not give at least two observations (or is no number) has
    // no integer sample size; keep the conversion below defined.
    const double size = nu + 1.0;
    const int N = (size >= 1.0 && size < 2147483647.0) ? static_cast<int>(size) : 0;
    const double sdstar = 2.0 * std::fabs(lambda) * gamma * sd / std::sqrt(nu + 1.0);

    // Cases the search cannot handle: fewer than two degrees of freedom after
    // truncation (F has no peak to scale by: tmax finds its minimum, the scaled
    // integrand overflows and G is no number), or a scale sd* that is not
    // positive (lambda = 0, sd <= 0), where G has no meaning. They are refused
    // with one record and non-number results, so that no result can pass for a
    // computed one.
    if (!(N - 1 >= 2) || !(sdstar > 0.0)) {
        std::ostream& out = ctx.records();
        if (size >= 2147483647.0) {
            rec::list(out, {"OneTail: df too large, no one-sided limit for df =", nu});
        } else if (!(N - 1 >= 2)) {
            rec::list(out, {"OneTail: df below 2, no one-sided limit for df =", nu});
        } else {
            rec::list(out, {"OneTail: sd* not positive, no limit for lambda,sd =", lambda, sd});
        }
        const double nan = std::numeric_limits<double>::quiet_NaN();
        H = nan;
        limit = nan;
        elapsed = 0.0;
        iterations = 0;
        return limitstatus::refused;
    }

    const long ran_out = ctx.faults.ran_out;
    const double t0 = seconds_of_day(wallclock());
    H = HAdap(sdstar, N, p, unused1, unused2, control.MaxIter, control.FunctionTol,
              control.ResultTol, control.BesselMaxArg, iterations, ctx);
    const double t1 = seconds_of_day(wallclock());
    elapsed = elapsed_seconds(t0, t1);

    limit = ybar + lambda * (sd * sd) + sign * H * sd * std::sqrt((nu + 1.0) / nu) / gamma;
    return ctx.faults.ran_out != ran_out ? limitstatus::ran_out : limitstatus::computed;
}
