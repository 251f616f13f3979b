#include <cmath>

#include "mainguts.h"

double NewFIntegrateAdap(double a, double b, double /*unused*/, double nu, double kappa,
                         double L, double s, double P) {
    const double k = 1.0 / std::sqrt(3.141592653589793);
    double result;
    NewFAdaptive(a, b, nu, kappa, k, L, s, P, result);
    return result;
}
