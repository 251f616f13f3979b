// Root of G(x) = q for one limit of a two-sided interval: walk the starting
// points until they bracket the root, then secant steps kept inside the bracket,
// handing over to plain bisection when G fails or the evaluations run out.
#include <cmath>

#include "Context.h"
#include "TwoTailedSearch.h"
#include "mainguts.h"
#include "params.h"
#include "records.h"

namespace {

// Residual given to the secant step when its denominator vanishes.
constexpr double FlatResidual = params::single(-9999.9f);

}  // namespace

void TwoTailedSecantBisection(int which, double& xout, double x0in, double x1in, double q,
                              double nu, double eta, double t1, double t2, int maxit,
                              double xtol, double ftol, double zmax, double& resid, int& count,
                              double t3, double L, double /*t4*/, Context& ctx) {
    TwoTailedResidual r(which, q, nu, eta, t1, t2, zmax, t3, L, ctx);
    auto [x0, r0, x1, r1] = start_search(x0in, x1in, r);
    int i = 2;

    // Move x0 down until r0 <= 0. A failing G has a large negative residual and
    // ends the walk. The walks count against maxit like every other evaluation;
    // a walk that reaches the limit, or cannot move at all (x1 = 0 is never
    // moved by a step of 1% of |x1|), leaves the bracket to the bisection-only
    // search, whose fixed steps of 0.5 do move and whose own walks are bounded.
    const char* stopped = nullptr;
    while (r0 > 0.0) {
        if (i > maxit) {
            stopped = "Downward walk reached MaxIter in SecantBis...  Using bisection";
            break;
        }
        x0 = x0 - params::single(0.1f);
        i = i + 1;
        r0 = r(x0);
    }
    r.fail = 0;

    // Move x1 up by 1% of |x1| until r1 >= 0; once G fails, bisect between the
    // last good point and the failing one instead.
    UpwardWalk walk(x1);
    while (stopped == nullptr && r1 < 0.0) {
        const double xnext = walk.next(x1 + std::fabs(x1) * params::single(0.01f));
        if (xnext == x1) {
            stopped = "Upward walk cannot move in SecantBis...  Using bisection";
            break;
        }
        if (i > maxit) {
            stopped = "Upward walk reached MaxIter in SecantBis...  Using bisection";
            break;
        }
        i = i + 1;
        x1 = xnext;
        r1 = r(x1);
        walk.record(x1, r.fail);
    }
    if (stopped != nullptr) {
        rec::list(ctx.records(), {stopped});
        TwoTailedOnlyBisection(which, xout, x0, x1, q, nu, eta, t1, t2, maxit, xtol, ftol, zmax,
                               resid, count, t3, L, ctx);
        return;
    }

    // Starts above ftol so that no convergence is claimed before a secant step.
    double rn = ftol + 1.0;
    double xn = x1;
    bool flat_before = false;
    while (i <= maxit && !params::two_sided_g_failed(r1) && r.fail == 0) {
        if (r1 - r0 == 0.0) {
            rec::list(ctx.records(), {"q1-q0=machine 0 in SecantBis..."});
            xn = x1;
            // Only reachable again at once if r0 itself equals the flat residual;
            // then nothing would ever change, so leave for the bisection.
            if (flat_before) break;
            flat_before = true;
            r1 = FlatResidual;
            continue;
        }
        flat_before = false;
        if (std::fabs(x0 - x1) <= xtol || std::fabs(rn) <= ftol) {
            if (std::fabs(rn) <= ftol) {
                xout = xn;
                resid = rn;
            } else {
                xout = x0;
                resid = r0;
            }
            // A bracket end whose residual is no number is no root.
            if (std::isnan(resid)) xout = resid;
            count = i;
            return;
        }
        xn = x1 - r1 * (x1 - x0) / (r1 - r0);
        i = i + 1;
        if ((xn < x0 && xn < x1) || (xn > x0 && xn > x1)) {
            rec::list(ctx.records(), {"Guess is out of interval.  Using bisection"});
            xn = (x0 + x1) * 0.5;
        }
        const double rs = r(xn);
        if (rs < 0.0) {
            x0 = xn;
            r0 = rs;
        } else {
            x1 = xn;
            r1 = rs;
        }
        rn = rs;
    }

    // Out of evaluations or G failed: bisect the bracket reached so far.
    // Otherwise r1 is not a number: start again from the caller's points.
    if (i > maxit || r.fail != 0) {
        TwoTailedOnlyBisection(which, xout, x0, x1, q, nu, eta, t1, t2, maxit, xtol, ftol, zmax,
                               resid, count, t3, L, ctx);
    } else {
        TwoTailedOnlyBisection(which, xout, x0in, x1in, q, nu, eta, t1, t2, maxit, xtol, ftol,
                               zmax, resid, count, t3, L, ctx);
    }
}
