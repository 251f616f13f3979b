// The cases whose limits, and coverage integrals, the program computes
// correctly: found by measurement (README, "Accepted cases"). Outside them the
// limit code returns numbers that look plausible and are wrong (df 1.5 gave a
// coverage of 0.054 against 0.1, sigma 500 gave 0.159), so callers refuse such
// a case before computing anything.
//
// Every check returns an empty string for an accepted value and otherwise the
// reason, one line of text that names the accepted range and the value given,
// e.g. "df must be a whole number from 2 to 1000, not 1.5".
#pragma once
#include <string>

namespace domain {

// Degrees of freedom: whole numbers (the limit code truncates df, the coverage
// integrand does not, so a fraction mixes two cases).
inline constexpr double DfMin = 2.0;
inline constexpr double DfMax = 1000.0;
// The true log-scale standard deviation.
inline constexpr double SigmaMin = 0.05;
inline constexpr double SigmaMax = 10.0;
// The level: the tails below 0.001 and above 0.999 are not computed reliably
// (alpha 0.9999 gave a one-sided coverage of 9e-8 against 1e-4).
inline constexpr double AlphaMin = 0.001;
inline constexpr double AlphaMax = 0.999;
// The tolerances. AdapQuadTol <= 0 is accepted as well: the integrator then
// refuses it itself (ier 6) and computes nothing.
inline constexpr double AdapQuadTolMin = 1e-12;
inline constexpr double AdapQuadTolMax = 1e-4;
inline constexpr double FunctionTolMin = 1e-14;
inline constexpr double FunctionTolMax = 1e-8;
inline constexpr double ResultTolMax = 1e-11;

std::string df_fault(double df);
std::string sigma_fault(double sigma);
std::string alpha_fault(double alpha);
std::string tolerance_fault(double AdapQuadTol, double FunctionTol, double ResultTol);

// The first fault of a whole case, checked in the order the dialogue asks
// for the values (df, sigma, alpha, then the tolerances); empty if accepted.
std::string case_fault(double df, double sigma, double alpha, double AdapQuadTol,
                       double FunctionTol, double ResultTol);

}  // namespace domain
