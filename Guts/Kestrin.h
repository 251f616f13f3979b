// The main module: the coverage integrals over p, their integrands over a
// case, and the named routines of the verification driver.
#pragma once
#include <string>

#include "dqags.h"

struct Case;
struct Context;

// ---- the integrands over a case ----

// Given the sample standard deviation fixed by p, the probability that the
// upper limit computed from a sample mean ~ N(mu, sigma^2/gamma^2) lies below
// the target mu + lambda*sigma^2.
struct OneSidedIntegrand {
    const Case& c;
    Context& ctx;
    double operator()(double p) const;
};

// As the one-sided integrand, for the lower limit (which = 1) or the upper
// limit (any other which) of the two-sided interval.
struct TwoSidedIntegrand {
    const Case& c;
    Context& ctx;
    int which;
    double operator()(double p) const;
};

// One coverage integral over [a, b] of the p-range: the integrator's result
// with its error estimate, evaluation count and code. Writes the integrator's
// "ier,lvl:" record and "error is" into the context's records when ier > 0.
struct PIntegral {
    double result = 0.0;
    double abserr = 0.0;
    int neval = 0;
    int ier = 0;
};
PIntegral integral_over_p(const DqagsFunction& f, double a, double b, double AdapQuadTol,
                          Context& ctx);

// The one-sided coverage of a case: the sum of the integrals over
// [AdapQuadTol, 0.5] and [0.5, 1 - AdapQuadTol]; the p-range (0, 1) is cut by
// AdapQuadTol at both ends and split at 0.5, the lower half integrated first.
struct OneSidedCoverage {
    double integral;  // I, whose target is 1 - alpha
    int neval;        // evaluations of the two integrals together
    double abserr;    // their error estimates summed
    int ier;          // the worst of their codes
};
OneSidedCoverage onesided_coverage(const Case& c, Context& ctx);

// The two-sided coverage of a case: the four integrals in the order (lower
// limit, [a, 0.5]), (lower, [0.5, b]), (upper, [a, 0.5]), (upper, [0.5, b]).
struct TwoSidedCoverage {
    double lower;  // I_L
    double upper;  // I_U
    // The miss probability (1 - I_L) + I_U, whose target is 1 - alpha, as the
    // dialogue prints it. The input-file run prints (I_U + 1) - I_L instead:
    // the same sum rounded otherwise, so the two may differ in the last bit,
    // and each is kept as its output has always been computed.
    double miss;
    int neval;  // evaluations of the four integrals together
    double abserr;
    int ier;
};
TwoSidedCoverage twosided_coverage(const Case& c, Context& ctx);

// ---- the named routines, over the arguments they have always had ----
// Each builds the case of its arguments (gamma^2 = df + 1) and computes
// through the integrands above, in the context given.

// Every coverage integrand takes (which, p, mu, sigma, lambda, df, alpha,
// FunctionTol, ResultTol), the integration variable second.
using Integrand = double (*)(int which, double p, double mu, double sigma, double lambda,
                             double df, double alpha, double FunctionTol, double ResultTol,
                             Context& ctx);

double adapquadforcriticalp(Integrand f, int which, double a, double b, double mu, double sigma,
                            double lambda, double df, double alpha, double AdapQuadTol,
                            double FunctionTol, double ResultTol, int& neval, Context& ctx);
double criticalpnew(int which, double p, double mu, double sigma, double lambda, double df,
                    double alpha, double FunctionTol, double ResultTol, Context& ctx);
double fastercriticalp(int which, double p, double mu, double sigma, double lambda, double df,
                       double alpha, double FunctionTol, double ResultTol, Context& ctx);
double onetailforverify(double m, double s, double lambda, double df, double alpha,
                        double FunctionTol, double ResultTol, Context& ctx);
double twotailcriticalp(int which, double p, double mu, double sigma, double lambda, double df,
                        double alpha, double FunctionTol, double ResultTol, Context& ctx);
double fastertwotailcriticalp(int which, double p, double mu, double sigma, double lambda,
                              double df, double alpha, double FunctionTol, double ResultTol,
                              Context& ctx);
double twotailforverify(int which, double m, double s, double df, double alpha, double lambda,
                        double FunctionTol, double ResultTol, Context& ctx);
void twotailpairforverify(double m, double s, double df, double alpha, double lambda,
                          double FunctionTol, double ResultTol, double& lower, double& upper,
                          Context& ctx);
void verifyonetail(int which, double mu, double sigma, double lambda, double df, double alpha,
                   double AdapQuadTol, double FunctionTol, double ResultTol, double& integral,
                   double& difference, Context& ctx);
void verifytwotail(double mu, double sigma, double lambda, double df, double alpha,
                   double AdapQuadTol, double FunctionTol, double ResultTol, double& lower,
                   double& upper, double& difference, Context& ctx);
