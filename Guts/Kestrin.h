// The main module: the verification driver and the coverage integrals.
#pragma once
#include <string>

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

// The one case driver of each kind, for the dialogue and the input-file run
// alike. The p-range (0, 1) is cut by AdapQuadTol at both ends and split at
// 0.5; the lower half is integrated first, so its diagnostics come first.
// The _of forms take the dialogue's own arguments which (ignored by the
// one-sided integrand), mu and lambda; the others verify the standardised
// case (CaseTables.h) that every run of the program verifies.

// The one-sided coverage of a case: the sum of the integrals over
// [AdapQuadTol, 0.5] and [0.5, 1 - AdapQuadTol].
struct OneSidedCoverage {
    double integral;  // I, whose target is 1 - alpha
    int neval;        // evaluations of the two integrals together
};
OneSidedCoverage onesided_coverage_of(int which, double mu, double sigma, double lambda,
                                      double df, double alpha, double AdapQuadTol,
                                      double FunctionTol, double ResultTol);
OneSidedCoverage onesided_coverage(double sigma, double df, double alpha, double AdapQuadTol,
                                   double FunctionTol, double ResultTol);

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
};
TwoSidedCoverage twosided_coverage_of(double mu, double sigma, double lambda, double df,
                                      double alpha, double AdapQuadTol, double FunctionTol,
                                      double ResultTol);
TwoSidedCoverage twosided_coverage(double sigma, double df, double alpha, double AdapQuadTol,
                                   double FunctionTol, double ResultTol);

// ---- the verification driver ----
// The program entry: start-up values, the mode question, and the chosen run.
int tolvane_main();
[[noreturn]] void verify_main();
// With it, a two-sided pass of the dialogue also shows each tail's miss.
void show_tails(bool on);
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

// The case lists (standard output: CSV; diagnostics: standard error). Each
// returns the exit status; malformed input ends the program as the I/O layer does.
// --plan FILE: the cases an input file selects, in run order.
int plan_main(const std::string& name);
// --cases FILE|- [--part K/N]: runs every case row (or the K-th of N parts).
int cases_main(const std::string& name, const std::string& part);
bool valid_part(const std::string& text);
