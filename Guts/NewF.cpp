#include "NewF.h"

#include "mainguts.h"

double NewF(double x, double nu, double kappa, double k, double L, double s, double P) {
    return NewFIntegrand(nu, kappa, k, L, s, P)(x);
}
