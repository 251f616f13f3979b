// Which cases the program computes, in two tiers, both found by measurement
// (docs/limits-domain.md).
//
// Refused: values at which the program's own computation has no meaning,
// whatever the limits are (a df that the limit code and the coverage integrand
// would read as two different cases, a level outside (0, 1), a sigma whose
// target mu + lambda*sigma^2 leaves the range of doubles, a tolerance that is
// no number). Every check returns an empty string for an accepted value and
// otherwise the reason, one line of text that names the accepted range and the
// value given, e.g. "df must be a whole number from 2 up, not 1.5".
//
// Computed but noted: cases outside the measured domain of the program's own
// limit code, where those limits have been seen to go wrong. The coverage
// integral is still the true coverage of the limits; the run writes one record
// that says the case lies outside, so that a wrong verdict is read as a fault
// of the limits and not of the integral.
#pragma once
#include <string>

namespace domain {

// ---- refused: the computation itself would be meaningless ----

// Degrees of freedom: whole numbers from 2 (the limit code truncates df, the
// coverage integrand does not, so a fraction mixes two cases; below 2 there
// are no limits).
inline constexpr double DfMin = 2.0;
// The true log-scale standard deviation. Above 1e150 lambda*sigma^2 of the
// target is no longer a finite double (it overflows from about 1.3e154); below
// 1e-150 it underflows (from about 1.5e-154) and the target is mu alone.
inline constexpr double SigmaLeast = 1e-150;
inline constexpr double SigmaMost = 1e150;
// The level: a probability strictly between 0 and 1.
// AdapQuadTol cuts the p-range (0, 1) at both ends; from 0.5 on the two halves
// turn over (1 gave a coverage of -0.95 against 0.95). 0 or below is accepted:
// the integrator refuses it itself (ier 6) and computes nothing.
inline constexpr double AdapQuadTolBelow = 0.5;

std::string df_fault(double df);
std::string sigma_fault(double sigma);
std::string alpha_fault(double alpha);
std::string tolerance_fault(double AdapQuadTol, double FunctionTol, double ResultTol);

// The first fault of a whole case, checked in the order the dialogue asks
// for the values (df, sigma, alpha, then the tolerances); empty if accepted.
std::string case_fault(double df, double sigma, double alpha, double AdapQuadTol,
                       double FunctionTol, double ResultTol);

// ---- computed: the measured domain of the built-in limits ----

inline constexpr double LimitsDfMax = 1000.0;
inline constexpr double LimitsSigmaMin = 0.05;
inline constexpr double LimitsSigmaMax = 10.0;
inline constexpr double LimitsAlphaMin = 0.001;
inline constexpr double LimitsAlphaMax = 0.999;
inline constexpr double LimitsAdapQuadTolMin = 1e-12;
inline constexpr double LimitsAdapQuadTolMax = 1e-4;
inline constexpr double LimitsFunctionTolMin = 1e-14;
inline constexpr double LimitsFunctionTolMax = 1e-8;
inline constexpr double LimitsResultTolMax = 1e-11;

// The domain itself as one line of text, as the outside record names it.
std::string limits_domain();

// Empty for a case inside the measured domain of the built-in limits;
// otherwise which of its values lie outside, e.g. "sigma 500, FunctionTol 1e-6".
// The standard setting (lambda 0.5, gamma^2 df + 1).
std::string outside_limits_domain(double df, double sigma, double alpha, double AdapQuadTol,
                                  double FunctionTol, double ResultTol);

// ---- the domain in any setting of lambda and gamma^2 ----
//
// The limit code depends on lambda, gamma^2 and s only through
// sd* = 2|lambda| gamma s/sqrt(df + 1), and the coverage of a case (df, sigma,
// alpha) only through sd* of sigma: in units of sigma/gamma the limit minus the
// target is Z + sign(lambda) (sd* sqrt(df + 1)/2 (w^2 - 1) + H(sd* w) w
// sqrt((df + 1)/df)) with w = s/sigma, and a negative lambda is the mirror
// image of |lambda| at 1 - alpha. In the standard setting sd* is sigma, so the
// sigma bounds above are sd* bounds in every other (docs/limits-domain.md
// measures the limits at lambda -1, 0.25, 1, 2 and gamma^2 1, df, 10(df + 1)).
// At lambda 0 the limits are the t limits (TOneTail, TTwotail), right to about
// 4e-15 at every df, sigma and alpha: only the bounds of AdapQuadTol remain.

// sd* of sigma: 2|lambda| gamma sigma/sqrt(df + 1).
double sd_star(double sigma, double lambda, double gamma2, double df);

// The domain in the setting (lambda, gamma2), as the outside record names it:
// limits_domain() itself in the standard setting, sd* in place of sigma in
// any other with lambda not 0, AdapQuadTol alone at lambda 0.
std::string limits_domain(double lambda, double gamma2, double df);

// As outside_limits_domain above, in the setting (lambda, gamma2) with gamma2
// the case's gamma^2 at its df: the same text in the standard setting, sd*
// (with sigma) in place of sigma in any other ("sd* 12 (sigma 3)"), and at
// lambda 0 only AdapQuadTol.
std::string outside_limits_domain(double df, double sigma, double alpha, double AdapQuadTol,
                                  double FunctionTol, double ResultTol, double lambda,
                                  double gamma2);

}  // namespace domain
