// QUADPACK's QAGS (21-point Gauss-Kronrod with epsilon-algorithm extrapolation).
// It integrates any function of one variable, as QUADPACK's own QAGS takes
// f(x): what the function depends on besides x travels with it (DqagsFunction,
// GSL's gsl_function), never through the integrator. An abnormal return is
// reported by ier, and the record that QUADPACK's error handler gave way to is
// the caller's to write (dqags_record).
#pragma once
#include <string>

// A function of one variable and what it reads besides x.
struct DqagsFunction {
    double (*function)(double x, void* params);
    void* params;
    double operator()(double x) const { return function(x, params); }
};

// Any callable object as a DqagsFunction; `f` must outlive the integration.
template <class F>
DqagsFunction dqags_function(F& f) {
    return DqagsFunction{[](double x, void* p) { return (*static_cast<F*>(p))(x); }, &f};
}

// The largest subinterval limit, the program's own: each call keeps its lists of
// subintervals on its stack, sized for this many, and refuses a larger limit.
inline constexpr int DqagsMaxLimit = 200;

// Integrates f over [a, b] to max(epsabs, epsrel*|I|).
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
// Writes nothing and never stops the program.
void dqags(const DqagsFunction& f, double a, double b, double epsabs, double epsrel,
           double& result, double& abserr, int& neval, int& ier, int limit, int lenw, int& last);

// The free-form record "ier,lvl: " with ier and lvl (1 for ier 6, else 0) that
// takes the place of QUADPACK's error handler, with its line end; "" for ier 0.
std::string dqags_record(int ier);
