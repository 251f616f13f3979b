// The computing routines of the one- and two-sided limits, with the Bessel,
// gamma and normal-tail routines they stand on.
#pragma once

// ---- normal tail, gamma, Bessel ----
double alnorm(double x, int upper);
double dgamma(double x);
double dlgama(double x);
void ribesl(double x, double alpha, int nb, int ize, double b[], int& ncalc);
double Besseli(double x, double nu, int ize);

// ---- the F function and its integral ----
double NewF(double x, double nu, double kappa, double k, double L, double s, double P);
double tmax(double nu, double kappa);
void NewFAdaptive(double a, double b, double nu, double kappa, double k, double L, double s,
                  double P, double& result);
double NewFIntegrateAdap(double a, double b, double unused, double nu, double kappa, double L,
                         double s, double P);
double RatioIntegral(double a, double b, double t);
int BesselArgumentsOK(double z, double order, double zmax);
double g(double x);
double NormInv(double p, double tol, int maxit);

// ---- the one-sided G function ----
double NewGAdap(double x, double nu, double eta, double t1, double t2, double zmax, int& method,
                double L);

// ---- inverting F, the H factor ----
double HAdap(double sd, int N, double p, double t1, double t2, int maxit, double xtol,
             double ftol, double zmax, int& iterations);
void NewSecantAdap(double& root, double x0, double x1, double target, double nu, double sd,
                   double t1, double t2, int maxit, double xtol, double ftol, double zmax,
                   double& residual, int& iterations, int& method, double L);
double InvertNewFLower(double a, double b, double amount, double nu, double kappa, double k,
                       double L, double s, double P, int& error);
double InvertNewFUpper(double a, double b, double amount, double nu, double kappa, double k,
                       double L, double s, double P, int& error);

// ---- the one-sided limit entry ----
void OneTail(int kind, double ybar, double sd, double nu, double alpha, double lambda,
             double gamma2, double BesselMaxArg, double FunctionTol, double ResultTol,
             int MaxIter, double& H, double& limit, double& elapsed, int& iterations,
             double unused1, double unused2);

// ---- the two-sided G function ----
double TwoTailedG(double x, double q, int which, double nu, double eta, double t1, double t2,
                  double zmax, double t3, double L, int& fail);
double TwoTailedGBesselAlways(double x, double q, int which, double nu, double eta, double t1,
                              double t2, double zmax, double t3, double L, int& fail);
double TwoTailedNewF(double x, double nu, double kappa, double k, double L, double s, double P);
void TwoTailedNewFAdaptive(double a, double b, double nu, double kappa, double k, double L,
                           double s, double P, double& result);
double TwoTailedNewFIntegrateAdap(double a, double b, double t, double nu, double kappa,
                                  double L, double s, double P);

// ---- the two-sided root finders ----
void TwoTailedSecant(int which, double& xout, double x0in, double x1in, double q, double nu,
                     double eta, double t1, double t2, int maxit, double xtol, double ftol,
                     double zmax, double& resid, int& count, double t3, double L, double t4);
void TwoTailedSecantBisection(int which, double& xout, double x0in, double x1in, double q,
                              double nu, double eta, double t1, double t2, int maxit,
                              double xtol, double ftol, double zmax, double& resid, int& count,
                              double t3, double L, double t4);
void TwoTailedOnlyBisection(int which, double& xout, double x0in, double x1in, double q,
                            double nu, double eta, double t1, double t2, int maxit, double xtol,
                            double ftol, double zmax, double& resid, int& count, double t3,
                            double L);

// ---- the two-sided limit driver ----
void Twotail(double muhat, double s, double df, double alpha, double lambda, double gamma2,
             double zmax, double ftolx, double ftolr, int maxit, double& lower, double& hlower,
             double& upper, double& hupper, double& elapsed, int& nlower, int& nupper);
