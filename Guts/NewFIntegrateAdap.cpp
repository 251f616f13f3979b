#include <cmath>

#include "mainguts.h"
#include "params.h"

double NewFIntegrateAdap(double a, double b, double /*unused*/, double nu, double kappa,
                         double L, double s, double P, Context& ctx) {
    const double k = 1.0 / std::sqrt(params::pi);
    double result;
    NewFAdaptive(a, b, nu, kappa, k, L, s, P, result, ctx);
    return result;
}
