#include <cmath>

#include "mainguts.h"
#include "params.h"

// The factor H of a one-sided limit for a sample of size N at probability p:
// the root theta of G(theta) = 1 - p, searched from two points a normal
// approximation places near it, and expressed in units of sd/sqrt(nu) about
// sd^2/2.
double HAdap(double sd, int N, double p, double t1, double t2, int maxit, double xtol,
             double ftol, double zmax, int& iterations, Context& ctx) {
    const double nu = static_cast<double>(N - 1);
    const double L = dlgama(nu / 2.0);
    const double z = NormInv(p, 1.0E-4, 500);
    const double V = 1.0 / (nu + 1.0) + sd * sd / (2.0 * (nu + 2.0));
    const double theta0 = sd * sd / 2.0;
    const double theta1 = sd * sd / 2.0 + params::single(0.15f) * z * sd * std::sqrt(V);
    const double target = 1.0 - p;

    double root = 0.0;
    double residual = 0.0;
    int method = 0;
    NewSecantAdap(root, theta1, theta0, target, nu, sd, t1, t2, maxit, xtol, ftol, zmax,
                  residual, iterations, method, L, ctx);
    return std::sqrt(nu) * (root - sd * sd / 2.0) / sd;
}
