// J(a, b): the integral of x'*F over [a, b] with the constant factor 1/sqrt(pi)
// that makes the integral of F over [-1, 1] a scaled Bessel function.
#include <cmath>

#include "mainguts.h"
#include "params.h"

double TwoTailedNewFIntegrateAdap(double a, double b, double /*t*/, double nu, double kappa,
                                  double L, double s, double P, Context& ctx) {
    const double k = 1.0 / std::sqrt(params::pi);
    double result = 0.0;
    TwoTailedNewFAdaptive(a, b, nu, kappa, k, L, s, P, result, ctx);
    return result;
}
