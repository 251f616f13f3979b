// Entry of the two-sided G function used by the root finders.
#include "mainguts.h"

double TwoTailedG(double x, double q, int which, double nu, double eta, double t1, double t2,
                  double zmax, double t3, double L, int& fail, Context& ctx) {
    return TwoTailedGBesselAlways(x, q, which, nu, eta, t1, t2, zmax, t3, L, fail, ctx);
}
