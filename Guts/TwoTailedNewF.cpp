#include "TwoTailedNewF.h"

#include "mainguts.h"

// x*F(x): the first moment integrand, whose share inside the window is the two-sided G.
double TwoTailedNewF(double x, double nu, double kappa, double k, double L, double s, double P) {
    return TwoTailedNewFIntegrand(nu, kappa, k, L, s, P)(x);
}
