// Plain bisection on G(x) = q: the safeguard of the secant search. The walks
// that make a bracket are not counted; the bisection steps are.
#include <cmath>

#include "Context.h"
#include "TwoTailedSearch.h"
#include "mainguts.h"
#include "params.h"
#include "records.h"

namespace {

// Ends a search whose walk could not bracket the root: the bracket end with
// the smaller residual is returned, and one record says why.
void give_up(const char* why, double xa, double ra, double xb, double rb, int i, double& xout,
             double& resid, int& count, Context& ctx) {
    if (std::fabs(rb) < std::fabs(ra)) {
        xa = xb;
        ra = rb;
    }
    // Both ends without a number: neither is a root.
    xout = std::isnan(ra) ? ra : xa;
    resid = ra;
    count = i;
    rec::list(ctx.records(), {why, xout, resid});
}

}  // namespace

void TwoTailedOnlyBisection(int which, double& xout, double x0in, double x1in, double q,
                            double nu, double eta, double t1, double t2, int maxit, double xtol,
                            double ftol, double zmax, double& resid, int& count, double t3,
                            double L, Context& ctx) {
    TwoTailedResidual r(which, q, nu, eta, t1, t2, zmax, t3, L, ctx);
    auto [x0, r0, x1, r1] = start_search(x0in, x1in, r);
    int i = 2;

    // Walks bounded by maxit steps each, so that a G which never crosses q
    // ends the search instead of walking forever.
    for (int steps = 0; r0 > 0.0; ++steps) {
        if (steps >= maxit) {
            ctx.faults.search_ran_out();
            give_up("Downward walk stopped after MaxIter steps in OnlyBisection... x,r ", x0, r0,
                    x1, r1, i, xout, resid, count, ctx);
            return;
        }
        x0 = x0 - 0.5;
        r0 = r(x0);
    }

    UpwardWalk walk(x1);
    double rgood = r1;
    for (int steps = 0; r1 < 0.0; ++steps) {
        const double xnext = walk.next(x1 + 0.5);
        if (xnext == x1) {
            give_up("Upward walk cannot move in OnlyBisection... x,r ", x0, r0, walk.good(),
                    rgood, i, xout, resid, count, ctx);
            return;
        }
        if (steps >= maxit) {
            ctx.faults.search_ran_out();
            give_up("Upward walk stopped after MaxIter steps in OnlyBisection... x,r ", x0, r0,
                    walk.good(), rgood, i, xout, resid, count, ctx);
            return;
        }
        x1 = xnext;
        r1 = r(x1);
        if (walk.record(x1, r.fail)) rgood = r1;
        if (std::fabs(r1) <= ftol) {
            // -1 marks a root met by the walk itself.
            xout = x1;
            resid = r1;
            count = -1;
            return;
        }
    }

    double xm = x0;
    double rm = r0;
    while (i <= maxit && !params::two_sided_g_failed(r1)) {
        if (std::fabs(x0 - x1) <= xtol || std::fabs(rm) <= ftol) {
            count = i;
            resid = r(xm);
            xout = std::isnan(resid) ? resid : xm;
            return;
        }
        xm = (x0 + x1) * 0.5;
        rm = r(xm);
        i = i + 1;
        if (rm < 0.0) {
            x0 = xm;
        } else {
            x1 = xm;
            r1 = rm;
        }
    }
    if (i > maxit) ctx.faults.search_ran_out();
    rec::list(ctx.records(), {"Method (Only Bisection) failed..."});
    count = i;
    resid = r(xm);
    // A residual that is no number says nothing about the distance to the
    // root: the point is not returned as one.
    xout = std::isnan(resid) ? resid : xm;
}
