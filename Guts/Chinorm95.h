// The distribution library: machine constants, normal, gamma and chi-square
// distribution functions, the reverse-communication finders, and the two
// distribution wrappers that the coverage integrands use.
//
// None of these reads controlparms, stops the program or throws; each says
// what it returns for arguments it cannot serve.
#pragma once

// ---- machine constants ----

// IEEE double: i = 1 the smallest normalised magnitude, 2 the largest finite,
// 3 and 4 the smallest and largest relative spacings, 5 log10(2). Any other i
// is a caller's fault: one record, then the program ends quietly (status 0).
double d1mach(int i);
// Integer parameters of the arithmetic (base, digits, largest integer, ...), i = 1..10.
int IPMPAR(int i);
// Machine epsilon (i <= 1), smallest normalised magnitude (2), largest finite (>= 3).
double SPMPAR(int i);
// The largest w with exp(w) finite (l = 0), else the most negative w with
// exp(w) normalised; each just inside the range.
double EXPARG(int l);

// ---- normal distribution ----

// Phi(x); cumnor hands a copy of x to the worker dumnor, which computes it to
// full precision.
double cumnor(double x);
double dumnor(double x);
// ln P(Z > |x|) by the asymptotic series; for |x| >= 5 only.
double dlanor(double x);
// ln(1 + a), accurate for small |a|.
double dln1px(double a);
// a[0] + a[1] x + ... + a[n-1] x^(n-1); n >= 1.
double devlpl(const double a[], int n, double x);

// ---- gamma and chi-square ----

// Gamma(a); 0 at a pole, for |a| >= 1000, and on overflow.
double GAMMA(double a);
// 1/Gamma(a + 1) - 1 for -0.5 <= a <= 1.5.
double GAM1(double a);
// x - 1 - ln x, accurate near 1.
double RLOG(double x);
// exp(x) - 1, accurate near 0.
double REXP(double x);
// erf(x).
double ERF(double x);
// erfc(x) for ind = 0, exp(x^2) erfc(x) otherwise.
double ERFC1(int ind, double x);
// ans = P(a, x), qans = Q(a, x); ind 0 about 14 digits, 1 about 6, else about
// 3. ans = 2, qans unset, for a or x negative or no number, or both 0.
void gratio(double a, double x, double& ans, double& qans, int ind);
// P(a, x) at the six-digit accuracy of gratio (ind 1); 0 for x <= 0; gratio's
// 2 for an argument it cannot serve.
double cumgam(double x, double a);
// The chi-square distribution function: cumgam(x/2, df/2).
double cumchi(double x, double df);
// which = 1: p from (x, df); 2: x from (p, df); 3: df from (p, x), the unknown
// argument overwritten. status 0 on success; -1..-4 for a bad which, p, x or df
// (bound the violated limit); 1 or 2 when the answer lies below or above the
// search range (bound that end); 10 when gratio refused. Never reads the
// unknown's value except as the start of the search (x starts at df).
void cdfchi(int which, double& p, double& x, double& df, int& status, double& bound, double tol);

// ---- reverse-communication finders ----

// Sets up the next invr search: range [small, big], step-out steps, tolerances.
void stinvr(double small, double big, double absstp, double relstp, double stpmul,
            double abstol, double reltol);
// One step of the inverse search. Called with status 0 to start; returns
// status 1 with the x at which it needs fx = F(x) - y; status 0 with the
// answer in x; status -1 when the range holds no answer (qleft: it lies left,
// qhi: F is above y there). One search at a time: the state is kept here.
void invr(int& status, double& x, double fx, int& qleft, int& qhi);
// Sets up the next zror search on [xlo, xhi].
void stzror(double xlo, double xhi, double abstol, double reltol);
// One step of the Bus and Dekker zero search, by the same protocol as invr;
// xlo, xhi hold the final bracket; qleft and qhi as for invr.
void zror(int& status, double& x, double fx, double& xlo, double& xhi, int& qleft, int& qhi);

// ---- wrappers used by the coverage integrands ----

// The chi-square quantile of p with df degrees of freedom, tol the absolute
// and relative tolerance; the search starts afresh on every call. Its status
// is not looked at: whatever x comes back is returned.
double chiinverse(double p, double df, double tol);
// Phi(x), for the coverage integrands.
double normscdf(double x);
