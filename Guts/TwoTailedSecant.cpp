// Entry of the two-sided root search.
#include "mainguts.h"

void TwoTailedSecant(int which, double& xout, double x0in, double x1in, double q, double nu,
                     double eta, double t1, double t2, int maxit, double xtol, double ftol,
                     double zmax, double& resid, int& count, double t3, double L, double t4,
                     Context& ctx) {
    TwoTailedSecantBisection(which, xout, x0in, x1in, q, nu, eta, t1, t2, maxit, xtol, ftol, zmax,
                             resid, count, t3, L, t4, ctx);
}
