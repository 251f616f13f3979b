// QUADPACK's QAGS (21-point Gauss-Kronrod with epsilon-algorithm extrapolation),
// adapted for the coverage integrals: every integrand receives eight context
// values besides the abscissa, and an abnormal return writes the record
// "ier,lvl: " instead of stopping.
#pragma once

// Same shape as the coverage integrands: (which, x, mu, sigma, lambda, df, alpha,
// FunctionTol, ResultTol), the integration variable second.
using DqagsIntegrand = double (*)(int which, double x, double mu, double sigma, double lambda,
                                  double df, double alpha, double FunctionTol, double ResultTol);

// The largest subinterval limit, the program's own: each call keeps its lists of
// subintervals on its stack, sized for this many, and refuses a larger limit.
inline constexpr int DqagsMaxLimit = 200;

// Integrates f over [a, b] to max(epsabs, epsrel*|I|). The eight context values reach every
// evaluation f(which, x, mu, sigma, lambda, df, alpha, FunctionTol, ResultTol) unchanged.
//   result, abserr  the estimate and its error bound
//   neval           integrand evaluations made by this call (42k - 21 with k subintervals)
//   ier             0 normal; 1 the subinterval limit reached (set with the last bisection
//                   the limit allows, whether or not that met the tolerance); 2 round-off
//                   prevents the tolerance; 3 bad integrand behaviour (an interval too
//                   short to bisect); 4 no convergence, round-off in the extrapolation
//                   table; 5 divergent or too slowly convergent; 6 invalid input
//                   (epsabs <= 0 with epsrel < max(50*eps, 0.5e-28), limit < 1,
//                   limit above DqagsMaxLimit, or lenw < 4*limit): result 0, no evaluation
//   limit, lenw     subinterval limit and the work length QUADPACK callers pass (4*limit)
//   last            subintervals used
// On ier != 0 one free-form record, "ier,lvl: " with ier and lvl (1 for ier 6, else 0),
// goes to the diagnostics sink in place of QUADPACK's error handler; the call returns.
void dqags(DqagsIntegrand f, int which, double mu, double sigma, double lambda, double df,
           double alpha, double FunctionTol, double ResultTol, double a, double b, double epsabs,
           double epsrel, double& result, double& abserr, int& neval, int& ier, int limit,
           int lenw, int& last);
