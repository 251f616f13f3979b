#include <cmath>

#include "control.h"
#include "mainguts.h"
#include "wallclock.h"

// One-sided exact limit on mu + lambda*sigma^2: installs the search controls,
// reduces the problem to the standardised one that HAdap solves, and maps H
// back to the scale of the sample.
void OneTail(int kind, double ybar, double sd, double nu, double alpha, double lambda,
             double gamma2, double BesselMaxArg, double FunctionTol, double ResultTol,
             int MaxIter, double& H, double& limit, double& elapsed, int& iterations,
             double unused1, double unused2) {
    controlparms.BesselMaxArg = BesselMaxArg;
    controlparms.FunctionTol = FunctionTol;
    controlparms.ResultTol = ResultTol;
    controlparms.MaxIter = MaxIter;

    const double gamma = std::sqrt(gamma2);
    double p = kind == 1 ? alpha : 1.0 - alpha;
    double sign = 1.0;
    if (lambda < 0.0) {
        // A negative coefficient turns an upper limit on sigma^2 into a lower one.
        p = 1.0 - p;
        sign = -1.0;
    }
    const int N = static_cast<int>(nu + 1.0);
    const double sdstar = 2.0 * std::fabs(lambda) * gamma * sd / std::sqrt(nu + 1.0);

    const double t0 = seconds_of_day(wallclock());
    H = HAdap(sdstar, N, p, unused1, unused2, controlparms.MaxIter, controlparms.FunctionTol,
              controlparms.ResultTol, controlparms.BesselMaxArg, iterations);
    const double t1 = seconds_of_day(wallclock());
    elapsed = elapsed_seconds(t0, t1);

    limit = ybar + lambda * (sd * sd) + sign * H * sd * std::sqrt((nu + 1.0) / nu) / gamma;
}
