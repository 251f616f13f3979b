#include <cmath>

#include "mainguts.h"
#include "params.h"

// Normal quantile by a plain secant iteration from two points that a walk in
// steps of 0.1 places on either side of the answer. Only a starting guess for
// the limit searches is needed, so the stopping test is on the step length.
double NormInv(double p, double tol, int maxit) {
    if (p <= 0.0 || p >= 1.0) return params::NormInvFailure;

    double xlo = 1.0;
    while (g(xlo) >= p) xlo -= params::single(0.1f);
    double xhi = 1.0;
    while (g(xhi) <= p) xhi += params::single(0.1f);

    double previous = xlo;
    double dprev = g(previous) - p;
    double current = xhi;
    double dcur = g(current) - p;
    double xnew = current;
    int counter = 2;
    while (counter <= maxit) {
        if (dcur - dprev == 0.0) return current;
        xnew = current - dcur * (current - previous) / (dcur - dprev);
        if (std::fabs(xnew - current) <= tol) return xnew;
        ++counter;
        previous = current;
        dprev = dcur;
        current = xnew;
        dcur = g(xnew) - p;
    }
    return xnew;
}
