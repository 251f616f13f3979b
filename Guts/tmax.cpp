#include <cmath>

#include "mainguts.h"

// Abscissa of the maximum of F on [-1, 1]: the root in (-1, 0) of
// B x^2 - 2A x - B = 0 (the stationary point of ln F), written in a form that
// keeps its accuracy when B is small against A.
double tmax(double nu, double kappa) {
    const double A = nu / 2.0 - 1.0;
    const double B = -(nu + 1.0) * kappa;
    if (A == 0.0) {
        // nu = 2: F is a pure exponential, largest at the end it rises towards.
        return B > 0.0 ? -1.0 : 1.0;
    }
    return -(A / B) * (std::sqrt(1.0 + (B / A) * (B / A)) - 1.0);
}
