// The tail function F, inline so that the adaptive integrators can expand it
// in their innermost loop. The out-of-line NewF (NewF.cpp) uses the same code,
// so an integrated value and a directly evaluated one agree to the last bit.
#pragma once
#include <cmath>

#include "AdaptiveSimpson.h"
#include "elementary.h"

#ifdef TOLVANE_COUNT_F
// Instrumented builds (the evaluation-count benchmark) count every F value.
inline long long newf_evaluations = 0;
#endif

// F(x) = k * exp(E(x)) with
//   E = (1+x)(nu+1)kappa - ((nu-1)/2) ln(2/(-(nu+1)kappa)) - L - (nu+1)s - ln P
//       + (nu/2-1) ln(1-x^2).
// The terms that do not depend on x are computed once here; the sum is still
// formed term by term from the left, so every value is the one the formula
// gives in that order.
struct NewFIntegrand {
    double nu1;     // nu + 1
    double kappa;
    double k;
    double scale;   // ((nu - 1)/2) * ln(2/(-(nu+1) kappa))
    double L;
    double shift;   // (nu + 1) * s
    double logP;
    double power;   // nu/2 - 1

    NewFIntegrand(double nu, double kappa_, double k_, double L_, double s, double P)
        : nu1(nu + 1.0),
          kappa(kappa_),
          k(k_),
          scale(((nu - 1.0) / 2.0) * std::log(2.0 / (-((nu + 1.0) * kappa_)))),
          L(L_),
          shift((nu + 1.0) * s),
          logP(std::log(P)),
          power(nu / 2.0 - 1.0) {}

    // The exponent E; the two-sided integrand x*F needs it on its own.
    double exponent(double x) const { return exponent(x, elementary::log(1.0 - x * x)); }

    // E at x, given ln(1 - x^2).
    double exponent(double x, double log_1mx2) const {
        return ((1.0 + x) * nu1 * kappa - scale - L - shift - logP) + power * log_1mx2;
    }

    double operator()(double x) const {
#ifdef TOLVANE_COUNT_F
        ++newf_evaluations;
#endif
        // At the end points (1-x^2)^(nu/2-1) may be unbounded (nu < 2): F is 0 there.
        if (std::fabs(x) == 1.0) return 0.0;
        return k * elementary::exp(exponent(x));
    }

    // F at n <= simpson::batch points, the same values as above: all the
    // logarithms first, then all the exponentials, so that the evaluations
    // are independent of each other and overlap instead of each waiting on
    // its own log and exp.
    void many(const double* x, double* y, int n) const { many_of<false>(x, y, n); }

    // F, or x*F when TimesX, at n points.
    template <bool TimesX>
    void many_of(const double* x, double* y, int n) const {
#ifdef TOLVANE_COUNT_F
        newf_evaluations += n;
#endif
        double e[simpson::batch];
        for (int j = 0; j < n; ++j) {
            // The end points (where F is 0) take ln 1.
            e[j] = elementary::log(std::fabs(x[j]) != 1.0 ? 1.0 - x[j] * x[j] : 1.0);
        }
        for (int j = 0; j < n; ++j) e[j] = elementary::exp(exponent(x[j], e[j]));
        for (int j = 0; j < n; ++j) {
            if constexpr (TimesX) {
                y[j] = std::fabs(x[j]) == 1.0 ? 0.0 : x[j] * k * e[j];
            } else {
                y[j] = std::fabs(x[j]) == 1.0 ? 0.0 : k * e[j];
            }
        }
    }
};
