// The main module: the verification driver and the coverage integrals.
#pragma once

// Every coverage integrand takes (which, p, mu, sigma, lambda, df, alpha,
// FunctionTol, ResultTol), the integration variable second.
using Integrand = double (*)(int which, double p, double mu, double sigma, double lambda,
                             double df, double alpha, double FunctionTol, double ResultTol);

// ---- coverage integrals and critical p ----
double adapquadforcriticalp(Integrand f, int which, double a, double b, double mu, double sigma,
                            double lambda, double df, double alpha, double AdapQuadTol,
                            double FunctionTol, double ResultTol, int& neval);
double criticalpnew(int which, double p, double mu, double sigma, double lambda, double df,
                    double alpha, double FunctionTol, double ResultTol);
double fastercriticalp(int which, double p, double mu, double sigma, double lambda, double df,
                       double alpha, double FunctionTol, double ResultTol);
double onetailforverify(double m, double s, double lambda, double df, double alpha,
                        double FunctionTol, double ResultTol);
double twotailcriticalp(int which, double p, double mu, double sigma, double lambda, double df,
                        double alpha, double FunctionTol, double ResultTol);
double fastertwotailcriticalp(int which, double p, double mu, double sigma, double lambda,
                              double df, double alpha, double FunctionTol, double ResultTol);
double twotailforverify(int which, double m, double s, double df, double alpha, double lambda,
                        double FunctionTol, double ResultTol);
void twotailpairforverify(double m, double s, double df, double alpha, double lambda,
                          double FunctionTol, double ResultTol, double& lower, double& upper);
void store_twotail_control(double FunctionTol, double ResultTol);

// The one-sided coverage of a case (mu = 0, lambda = 0.5): the sum of the
// integrals over [AdapQuadTol, 0.5] and [0.5, 1 - AdapQuadTol].
struct OneSidedCoverage {
    double integral;  // I, whose target is 1 - alpha
    int neval;        // evaluations of the two integrals together
};
OneSidedCoverage onesided_coverage(double sigma, double df, double alpha, double AdapQuadTol,
                                   double FunctionTol, double ResultTol);

// The two-sided coverage of a case (mu = 0, lambda = 0.5).
struct TwoSidedCoverage {
    double lower;  // I_L
    double upper;  // I_U
    double miss;   // D = (1 - I_L) + I_U, whose target is 1 - alpha
    int neval;     // evaluations of the four integrals together
};
TwoSidedCoverage twosided_coverage(double sigma, double df, double alpha, double AdapQuadTol,
                                   double FunctionTol, double ResultTol);

// ---- the verification driver ----
// The program entry: start-up values, the mode question, and the chosen run.
int tolvane_main();
[[noreturn]] void verify_main();
void writeverifyinfo();
void verifyonetail(int which, double mu, double sigma, double lambda, double df, double alpha,
                   double AdapQuadTol, double FunctionTol, double ResultTol, double& integral,
                   double& difference);
void verifytwotail(double mu, double sigma, double lambda, double df, double alpha,
                   double AdapQuadTol, double FunctionTol, double ResultTol, double& lower,
                   double& upper, double& difference);
void writeinfo_readfile();
// The input-file run; ends the program.
[[noreturn]] void verify_readfile();
