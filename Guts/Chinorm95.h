// The distribution library: machine constants, normal, gamma and chi-square
// distribution functions, the reverse-communication finders, and the two
// distribution wrappers that the coverage integrands use.
//
// None of these keeps state between calls (the finders keep theirs in a
// FinderState of the caller's), writes, stops the program or throws; each says
// what it returns for arguments it cannot serve.
#pragma once

struct FinderState;

// ---- machine constants ----

// IEEE double: i = 1 the smallest normalised magnitude, 2 the largest finite,
// 3 and 4 the smallest and largest relative spacings, 5 log10(2). Any other i
// is a caller's fault, answered with no number (the callers pass constants).
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
// ln P(Z > |x|) by the asymptotic series; for |x| >= 5 only. Below that the
// value of the series is returned all the same, with `status` 1 (the former
// warning " Argument too small in DLANOR"); else status 0.
double dlanor(double x, int& status);
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
void cdfchi(int which, double& p, double& x, double& df, int& status, double& bound, double tol,
            FinderState& finders);

// ---- Student's t distribution ----

// The distribution of T with df degrees of freedom at t >= 0: P(T > t) and
// P(0 < T < t), each to nearly full relative precision however small, with
// ln P(T > t) (finite where P(T > t) underflows) and the log of the density.
// All no number for t < 0, df <= 0 or an argument that is no number. Any
// df > 0; above 1e30 the normal distribution (1e-27 relative from it).
struct TShares {
    double upper = 0.0, central = 0.0, log_upper = 0.0, log_density = 0.0;
};
TShares tshares(double t, double df);
// The t >= 0 with P(T > t) = upper and P(0 < T < t) = central, for df >= 1:
// upper + central must be 1/2, and the smaller of the two is the one used, so
// that each can be given exactly where it matters (upper = 1 - p for a level p
// above 1/2, central = alpha/2 for a two-sided level alpha). 0 for central 0,
// infinity for upper 0; no number for df below 1, a negative share or shares
// that do not add up to 1/2 within 0.01.
double tinverse(double upper, double central, double df);

// ---- reverse-communication finders ----

// Where a search resumes when its caller returns with a function value.
enum class InvrAt {
    Idle,       // no search in progress
    AtSmall,    // fx is F - y at small
    AtBig,      // fx is F - y at big
    AtStart,    // fx is F - y at the start value
    StepUp,     // fx is F - y at the trial upper end xub
    StepDown,   // fx is F - y at the trial lower end xlb
    ZeroPhase,  // fx answers a request of zror
};
enum class ZrorAt {
    Idle,      // no search in progress
    LowerEnd,  // fx is F at the first end of the bracket
    UpperEnd,  // fx is F at the second end
    Iterate,   // fx is F at the new iterate b
};

// One zror search: set-up values, the Algorithm R variables and the resume point.
struct ZrorState {
    double xxlo = 0.0, xxhi = 0.0, abstol = 0.0, reltol = 0.0;
    double a = 0.0, b = 0.0, c = 0.0, d = 0.0;
    double fa = 0.0, fb = 0.0, fc = 0.0, fd = 0.0;
    double fda = 0.0, fdb = 0.0;
    double m = 0.0, mb = 0.0, p = 0.0, q = 0.0, tol = 0.0, w = 0.0;
    double xlo = 0.0, xhi = 0.0;  // working copies of the caller's bracket
    int ext = 0;
    bool first = false;
    bool qrzero = false;
    ZrorAt at = ZrorAt::Idle;
};

// One invr search.
struct InvrState {
    double small = 0.0, big = 0.0, absstp = 0.0, relstp = 0.0, stpmul = 0.0;
    double abstol = 0.0, reltol = 0.0;
    double xsave = 0.0, fsmall = 0.0, fbig = 0.0, step = 0.0;
    double xlb = 0.0, xub = 0.0, yy = 0.0;
    double xlo = 0.0, xhi = 0.0;  // bracket handed to zror
    bool qincr = false, qup = false, qbdd = false, qlim = false, qcond = false, qok = false;
    int qdum1 = 0, qdum2 = 0;     // zror's qleft/qhi, never read here
    // The last search started outside [small, big] (it went on all the same);
    // the caller writes " SMALL, X, BIG not monotone in INVR" for it.
    bool start_outside = false;
    InvrAt at = InvrAt::Idle;
};

// The finders keep their state between the calls of one search here, owned by
// whoever searches, so that searches in different computations never meet.
// invr uses its own zror while in its zero phase.
struct FinderState {
    InvrState invr;
    ZrorState zror;
};

// Sets up the next invr search: range [small, big], step-out steps, tolerances.
void stinvr(double small, double big, double absstp, double relstp, double stpmul,
            double abstol, double reltol, FinderState& state);
// One step of the inverse search. Called with status 0 to start; returns
// status 1 with the x at which it needs fx = F(x) - y; status 0 with the
// answer in x; status -1 when the range holds no answer (qleft: it lies left,
// qhi: F is above y there). A start outside [small, big] sets
// state.invr.start_outside and goes on.
void invr(int& status, double& x, double fx, int& qleft, int& qhi, FinderState& state);
// Sets up the next zror search on [xlo, xhi].
void stzror(double xlo, double xhi, double abstol, double reltol, ZrorState& state);
// One step of the Bus and Dekker zero search, by the same protocol as invr;
// xlo, xhi hold the final bracket; qleft and qhi as for invr.
void zror(int& status, double& x, double fx, double& xlo, double& xhi, int& qleft, int& qhi,
          ZrorState& state);

// ---- wrappers used by the coverage integrands ----

// The chi-square quantile of p with df degrees of freedom, tol the absolute
// and relative tolerance; the search starts afresh on every call. Its status
// is not looked at: whatever x comes back is returned.
double chiinverse(double p, double df, double tol, FinderState& finders);
// Phi(x), for the coverage integrands.
double normscdf(double x);
