// The two-sided integrand x*F, inline for the adaptive integrator's inner loop;
// the out-of-line TwoTailedNewF uses the same code, so integrated and directly
// evaluated values agree to the last bit.
#pragma once
#include <cmath>

#include "NewF.h"

struct TwoTailedNewFIntegrand {
    NewFIntegrand F;

    TwoTailedNewFIntegrand(double nu, double kappa, double k, double L, double s, double P)
        : F(nu, kappa, k, L, s, P) {}

    double operator()(double x) const {
#ifdef TOLVANE_COUNT_F
        ++newf_evaluations;
#endif
        // x*F vanishes at the ends, where ln(1 - x^2) is not taken.
        if (std::fabs(x) == 1.0) return 0.0;
        return x * F.k * elementary::exp(F.exponent(x));
    }

    // x*F at n points, the same values, evaluated side by side.
    void many(const double* x, double* y, int n) const { F.many_of<true>(x, y, n); }
};
