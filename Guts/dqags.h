// QUADPACK's QAGS (21-point Gauss-Kronrod with epsilon-algorithm extrapolation),
// adapted for the coverage integrals: every integrand receives eight context
// values besides the abscissa, and an abnormal return writes the record
// "ier,lvl: " instead of stopping.
#pragma once

// Same shape as the coverage integrands: (which, x, mu, sigma, lambda, df, alpha,
// FunctionTol, ResultTol), the integration variable second.
using DqagsIntegrand = double (*)(int which, double x, double mu, double sigma, double lambda,
                                  double df, double alpha, double FunctionTol, double ResultTol);

// The largest subinterval limit the integrator's one workspace can hold.
inline constexpr int DqagsMaxLimit = 200;

// Integrates f over [a, b] to max(epsabs, epsrel*|I|). The eight context values reach every
// evaluation f(which, x, mu, sigma, lambda, df, alpha, FunctionTol, ResultTol) unchanged.
//   result, abserr  the estimate and its error bound
//   neval           integrand evaluations made by this call (42k - 21 after k - 1 bisections)
//   ier             0 normal; 1 subinterval limit reached; 2 round-off prevents the
//                   tolerance; 3 bad integrand behaviour; 4 round-off in the extrapolation
//                   table; 5 divergent or too slowly convergent; 6 invalid input
//                   (epsabs <= 0 with epsrel < max(50*eps, 0.5e-28), limit < 1,
//                   lenw < 4*limit, or limit above DqagsMaxLimit): result 0, no evaluation
//   limit, lenw     subinterval limit and the work length QUADPACK callers pass (4*limit)
//   last            subintervals used
void dqags(DqagsIntegrand f, int which, double mu, double sigma, double lambda, double df,
           double alpha, double FunctionTol, double ResultTol, double a, double b, double epsabs,
           double epsrel, double& result, double& abserr, int& neval, int& ier, int limit,
           int lenw, int& last);
