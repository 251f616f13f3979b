// The computing routines of the one- and two-sided limits, with the Bessel,
// gamma and normal-tail routines they stand on.
//
// Every contract says what a routine returns, the failure values it reports
// (params.h holds them, beside the tests that recognise them), the fields of
// the control block it reads, and the arguments it never reads: those are
// passed through unchanged by the callers, as the original routines had them.
// A routine that integrates, searches or writes takes the context of its
// computation last: the control block, the records, the fault tally and the
// integrals' buffer are there (Context.h), never in shared state. Nothing here
// stops the program or throws.
#pragma once

struct Context;

// ---- normal tail, gamma, Bessel ----

// P(Z > x) when upper is nonzero, else P(Z < x), by AS 66 (absolute error
// below 1.3e-8); beyond |x| = 7 the large side is exactly 1, beyond 18.66 the
// small one exactly 0.
double alnorm(double x, int upper);
// Gamma(x), W. J. Cody; 1.79e308 at poles and on overflow.
double dgamma(double x);
// ln Gamma(x) for x > 0, W. J. Cody; 1.79e308 where undefined or overflowing.
double dlgama(double x);
// b[k] = I_(alpha+k)(x) (times e^-x when ize = 2) for k < nb, W. J. Cody;
// ncalc = nb when all are right, fewer when only the first ncalc are, negative
// for arguments out of range.
void ribesl(double x, double alpha, int nb, int ize, double b[], int& ncalc);
// I_nu(x) (times e^-x when ize = 2), one member of ribesl's sequence;
// params::BesseliFailure when the sequence is incomplete or nu is out of range.
double Besseli(double x, double nu, int ize);

// ---- the F function and its integral ----

// F(x) = k exp(E(x)) of the shared parameter set (nu, kappa, k, L, s, P), E as
// in NewF.h; exactly 0 at |x| = 1.
double NewF(double x, double nu, double kappa, double k, double L, double s, double P);
// The abscissa of the maximum of F in [-1, 1]: -1 or 1 for nu = 2.
double tmax(double nu, double kappa);
// result = integral of F over [a, b], adaptive Simpson with the absolute
// tolerance FunctionTol of the context's control block (read at every call).
void NewFAdaptive(double a, double b, double nu, double kappa, double k, double L, double s,
                  double P, double& result, Context& ctx);
// The integral of F over [a, b] with k = 1/sqrt(pi); reads FunctionTol; never
// reads `unused`.
double NewFIntegrateAdap(double a, double b, double unused, double nu, double kappa, double L,
                         double s, double P, Context& ctx);
// The integral of x e^(t x) over [a, b] divided by that over [-1, 1]: G for nu = 2.
double RatioIntegral(double a, double b, double t);
// 1 when e^-z I_order(z) may replace the quadrature (z <= zmax, and not a high
// order with a small argument), else 0.
int BesselArgumentsOK(double z, double order, double zmax);
// The standard normal distribution function, 0 below -100 and 1 above 100.
double g(double x);
// The normal quantile of p, to a step of tol within maxit steps (a starting
// guess only); params::NormInvFailure for p outside (0, 1).
double NormInv(double p, double tol, int maxit);

// ---- what both G functions derive from the trial value ----

// For the trial value x: rho(x), the negative scale kappa of F, its peak tm =
// tmax(nu, kappa), and the exponent shift s that keeps F in range, with the
// parameters nu, L and k = 1/sqrt(pi) of F. The two G functions differ only
// in the slope of s in eta (1/6.99 with 6.99 in single precision for the
// one-sided, in double for the two-sided) and in whether s = 0 for a large
// nu and eta is announced (the two-sided writes "Set Factor to 0 " when
// `unshifted` is set).
struct FShape {
    double nu, L, k, kappa, rho, tm, s;
    bool unshifted;  // s = 0 for a large nu and eta
    // The argument and order of the Bessel closed form of the integral of F.
    double w() const { return -(nu + 1.0) * kappa; }
    double o() const { return (nu - 1.0) * 0.5; }
    // F at tm with shift `shift` and divisor 1 (P for s, P0 for 0).
    double peak(double shift) const;
    // The integral of F/P over [-1, 1] in four pieces, split at tm and halfway
    // from it to each end, added from the left; reads FunctionTol; hands t1 on.
    double whole_integral(double t1, double P, Context& ctx) const;
};
FShape FShapeAt(double x, double nu, double eta, double L, double slope);

// ---- the one-sided G function ----

// The share of the integral of F over [-1, 1] left of rho(x); 1 for the Bessel
// normaliser, 2 for the integrated one, in method (left alone otherwise);
// params::OneSidedGFailure when the normaliser is 0. Reads FunctionTol (through
// the integrals); never reads t2, hands t1 on unread.
double NewGAdap(double x, double nu, double eta, double t1, double t2, double zmax, int& method,
                double L, Context& ctx);

// ---- inverting F, the H factor ----

// The factor H of a one-sided limit for sample size N at probability p;
// iterations = the secant search's count. Never reads t1 or t2 (handed on).
double HAdap(double sd, int N, double p, double t1, double t2, int maxit, double xtol,
             double ftol, double zmax, int& iterations, Context& ctx);
// Secant search for NewGAdap(root) = target from x0, x1: stops on a step <= xtol
// with a residual < ftol, on a flat secant, on a failed G (root and residual
// then as reached; no number when the residual is none), or after maxit - 1
// steps. Reads FunctionTol (through G); never reads t1, t2 (handed on). A
// search that ends on maxit while still moving is told to the fault tally.
void NewSecantAdap(double& root, double x0, double x1, double target, double nu, double sd,
                   double t1, double t2, int maxit, double xtol, double ftol, double zmax,
                   double& residual, int& iterations, int& method, double L, Context& ctx);
// The point x in [a, b] where the integral of F from x to b reaches amount
// (Lower), or from a to x (Upper); error = 1 when [a, b] holds less (the caller
// clears it first). Reads FunctionTol.
double InvertNewFLower(double a, double b, double amount, double nu, double kappa, double k,
                       double L, double s, double P, int& error, Context& ctx);
double InvertNewFUpper(double a, double b, double amount, double nu, double kappa, double k,
                       double L, double s, double P, int& error, Context& ctx);

// ---- the status of a limit computation ----

// What OneTail and Twotail return beside their results, as bits.
namespace limitstatus {
inline constexpr int computed = 0;
// The case cannot be computed (df below 2 or too large, a scale that is not
// positive): one record says why, and every result is no number.
inline constexpr int refused = 1;
// A search of the computation (not one for starting guesses) stopped on its
// iteration limit while still moving.
inline constexpr int ran_out = 2;
}  // namespace limitstatus

// ---- the one-sided limit entry ----

// The tail a one-sided limit of `kind` at level alpha solves for: the
// probability p of HAdap's equation and the sign the factor is applied with. A
// negative coefficient turns an upper limit on sigma^2 into a lower one.
struct OneSidedTail {
    double p;
    double sign;
};
inline OneSidedTail one_sided_tail(int kind, double alpha, double lambda) {
    const double p = kind == 1 ? alpha : 1.0 - alpha;
    return lambda < 0.0 ? OneSidedTail{1.0 - p, -1.0} : OneSidedTail{p, 1.0};
}

// The upper (kind 1) or lower one-sided limit on mu + lambda sigma^2, with H,
// the seconds taken and the search count; returns its status (limitstatus).
// Stores its four control arguments in the context's control block first. df
// below 2 or sd* <= 0: one record and no-number H and limit. Never reads
// unused1, unused2 (handed on to G).
int OneTail(int kind, double ybar, double sd, double nu, double alpha, double lambda,
            double gamma2, double BesselMaxArg, double FunctionTol, double ResultTol,
            int MaxIter, double& H, double& limit, double& elapsed, int& iterations,
            double unused1, double unused2, Context& ctx);

// ---- the two-sided G function ----

// The share of the first moment of F inside the window holding the share q of F
// next to rho(x) (which = 1: the window ends at rho, else starts there); fail = 1
// with params::LowerWindowFailed, UpperWindowFailed or ClosedFormFailed when the
// window cannot be placed (and LowerWindowFailed for nu < 2). Reads FunctionTol
// (through the integrals); never reads t2 or t3, hands t1 on unread.
// TwoTailedG is the entry; it calls TwoTailedGBesselAlways unchanged.
double TwoTailedG(double x, double q, int which, double nu, double eta, double t1, double t2,
                  double zmax, double t3, double L, int& fail, Context& ctx);
double TwoTailedGBesselAlways(double x, double q, int which, double nu, double eta, double t1,
                              double t2, double zmax, double t3, double L, int& fail,
                              Context& ctx);
// x F(x): exactly 0 at x = 0 and |x| = 1.
double TwoTailedNewF(double x, double nu, double kappa, double k, double L, double s, double P);
// result = integral of x F over [a, b] to the absolute tolerance FunctionTol.
void TwoTailedNewFAdaptive(double a, double b, double nu, double kappa, double k, double L,
                           double s, double P, double& result, Context& ctx);
// The integral of x F over [a, b] with k = 1/sqrt(pi); reads FunctionTol; never reads t.
double TwoTailedNewFIntegrateAdap(double a, double b, double t, double nu, double kappa,
                                  double L, double s, double P, Context& ctx);

// ---- the two-sided root finders ----

// The root xout of TwoTailedG(x) - q from x0in, x1in, with its residual and the
// count of G evaluations (-1: the bisection-only walk met the root itself). The
// secant search hands over to plain bisection when G fails or maxit is reached;
// records say when. Neither fails otherwise: xout is no number only when the
// residual at it is none. Read the control block only through G; never read
// t4; t1, t2, t3 are handed to G unread. TwoTailedSecant is the entry; it
// calls TwoTailedSecantBisection unchanged.
void TwoTailedSecant(int which, double& xout, double x0in, double x1in, double q, double nu,
                     double eta, double t1, double t2, int maxit, double xtol, double ftol,
                     double zmax, double& resid, int& count, double t3, double L, double t4,
                     Context& ctx);
void TwoTailedSecantBisection(int which, double& xout, double x0in, double x1in, double q,
                              double nu, double eta, double t1, double t2, int maxit,
                              double xtol, double ftol, double zmax, double& resid, int& count,
                              double t3, double L, double t4, Context& ctx);
void TwoTailedOnlyBisection(int which, double& xout, double x0in, double x1in, double q,
                            double nu, double eta, double t1, double t2, int maxit, double xtol,
                            double ftol, double zmax, double& resid, int& count, double t3,
                            double L, Context& ctx);

// ---- the two-sided limit driver ----

// The two-sided search (1 the window ending at rho, 2 the one starting there)
// whose root gives the lower (limit 1) or upper (limit 2) limit, and the sign
// its factor is applied with. For a negative coefficient the interval is the
// mirror image of that for |lambda|: mu + lambda sigma^2 of the data (ybar, s)
// is minus mu' + |lambda| sigma^2 of the data (-ybar, s), so the level stays
// alpha and the roots change places.
struct TwoSidedRoot {
    int which;
    double sign;
};
inline TwoSidedRoot two_sided_root(int limit, double lambda) {
    return lambda < 0.0 ? TwoSidedRoot{3 - limit, -1.0} : TwoSidedRoot{limit, 1.0};
}

// Both limits of the two-sided interval at level alpha on mu + lambda sigma^2,
// their factors, the seconds taken and the two search counts; returns its
// status (limitstatus). Stores zmax, ftolx, ftolr and maxit in the context's
// control block first. df below 2 or eta <= 0: one record and no-number
// limits and factors.
int Twotail(double muhat, double s, double df, double alpha, double lambda, double gamma2,
            double zmax, double ftolx, double ftolr, int maxit, double& lower, double& hlower,
            double& upper, double& hupper, double& elapsed, int& nlower, int& nupper,
            Context& ctx);

// ---- the t limits: lambda = 0 ----

// At lambda = 0 the function is the mean itself, and its exact limits are the
// t limits: (ybar - mu) gamma/s is Student's t with df degrees of freedom. The
// factors are reported as for lambda > 0, limit = ybar + H s sqrt((df + 1)/df)/gamma
// (sign +1), so H = t sqrt(df/(df + 1)), the value the factors of lambda > 0
// tend to as sd* goes to 0. df is used as given, not truncated; the quantile
// is right to about 4e-15 relative (tshares, tinverse). Neither routine
// integrates or searches: the context only takes the record of a refusal
// (df below 1 or infinite, s or gamma2 not positive and finite, alpha not in
// (0, 1)), whose results are no numbers.

// Why the t limits refuse these values, or nullptr.
const char* t_limit_refusal(double df, double s, double alpha, double gamma2);

// The upper (kind 1) or lower one-sided t limit at level alpha,
// ybar + t_p s/gamma with p = alpha (kind 1) or 1 - alpha (one_sided_tail),
// and its H; returns its status (limitstatus::computed or refused).
int TOneTail(int kind, double ybar, double sd, double df, double alpha, double gamma2, double& H,
             double& limit, Context& ctx);

// The two-sided t interval of confidence alpha, ybar -+ t s/gamma with
// P(|T| <= t) = alpha, with hlower = -H and hupper = H; returns its status.
int TTwotail(double ybar, double s, double df, double alpha, double gamma2, double& lower,
             double& hlower, double& upper, double& hupper, Context& ctx);
