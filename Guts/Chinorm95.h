// The distribution library: machine constants, normal, gamma and chi-square
// distribution functions, the reverse-communication finders, and the two
// distribution wrappers that the coverage integrands use.
#pragma once

// ---- machine constants ----
double d1mach(int i);
int IPMPAR(int i);
double SPMPAR(int i);
double EXPARG(int l);

// ---- normal distribution ----
double cumnor(double x);
double dumnor(double x);
double dlanor(double x);
double dln1px(double a);
double devlpl(const double a[], int n, double x);

// ---- gamma and chi-square ----
double GAMMA(double a);
double GAM1(double a);
double RLOG(double x);
double REXP(double x);
double ERF(double x);
double ERFC1(int ind, double x);
void gratio(double a, double x, double& ans, double& qans, int ind);
double cumgam(double x, double a);
double cumchi(double x, double df);
void cdfchi(int which, double& p, double& x, double& df, int& status, double& bound, double tol);

// ---- reverse-communication finders ----
void stinvr(double small, double big, double absstp, double relstp, double stpmul,
            double abstol, double reltol);
void invr(int& status, double& x, double fx, int& qleft, int& qhi);
void stzror(double xlo, double xhi, double abstol, double reltol);
void zror(int& status, double& x, double fx, double& xlo, double& xhi, int& qleft, int& qhi);

// ---- wrappers used by the coverage integrands ----
double chiinverse(double p, double df, double tol);
double normscdf(double x);
