#include <cmath>

#include "mainguts.h"

// Secant search, without a bracket, for G(theta) = target. It stops when a
// step is at most xtol and the residual after it is below ftol; when two
// residuals are identical; when G reports its failure value (-9999.9); or
// after maxit - 1 steps, with the last iterate as the root.
void NewSecantAdap(double& root, double x0, double x1, double target, double nu, double sd,
                   double t1, double t2, int maxit, double xtol, double ftol, double zmax,
                   double& residual, int& iterations, int& method, double L) {
    auto d = [&](double theta) { return NewGAdap(theta, nu, sd, t1, t2, zmax, method, L) - target; };

    double previous = x0;
    double dprev = d(previous);
    double current = x1;
    double dcur = d(current);
    int counter = 2;
    while (counter <= maxit && dcur > -9000.0) {
        if (dcur - dprev == 0.0) break;
        const double next = current - dcur * (current - previous) / (dcur - dprev);
        const double dnext = d(next);
        if (std::fabs(next - current) <= xtol && std::fabs(dnext) < ftol) {
            current = next;
            dcur = dnext;
            break;
        }
        ++counter;
        previous = current;
        dprev = dcur;
        current = next;
        dcur = dnext;
    }
    root = current;
    residual = dcur;
    iterations = counter;
}
