// Constants shared across the computing code, and the failure values by which
// the numerical core reports trouble instead of stopping, each beside the test
// that recognises it.
#pragma once

namespace params {

inline constexpr double pi = 3.141592653589793;

// Many constants of the original code are single-precision literals, widened
// to double when they meet a double: single(0.15f) is 0.15000000596046448,
// not 0.15. Writing them through this keeps the literal as it was written and
// the value as it was computed.
constexpr double single(float f) { return static_cast<double>(f); }

// The widened values as they are quoted, so that a changed literal (or a
// compiler that widens otherwise) stops the build instead of every result.
static_assert(single(0.1f) == 0.10000000149011612);
static_assert(single(0.01f) == 0.009999999776482582);
static_assert(single(0.15f) == 0.15000000596046448);
static_assert(single(0.26f) == 0.25999999046325684);
static_assert(single(1.05f) == 1.0499999523162842);
static_assert(single(1.1f) == 1.100000023841858);
static_assert(single(6.99f) == 6.989999771118164);
static_assert(1.0 / single(6.99f) == 0.14306152113650694);
static_assert(single(-9999.9f) == -9999.900390625);
static_assert(single(1.0e-30f) == 1.0000000031710769e-30);

// Start-up values of the control block; the two-sided limit wrapper stores the
// same two before every limit.
inline constexpr double StartBesselMaxArg = 800.0;
inline constexpr int StartMaxIter = 200;

// ---- failure values ----

// NormInv: a probability outside (0, 1).
inline constexpr double NormInvFailure = -99999.0;
// Besseli: a result it could not complete.
inline constexpr double BesseliFailure = -99999.9;

// NewGAdap: its normaliser, the integral of F over [-1, 1], came out exactly 0.
inline constexpr double OneSidedGFailure = -9999.9;
// The one-sided secant search stops on a residual G - target at or below
// -9000: the failure value less any target in [0, 1] lies far below, every
// proper residual far above. A residual that is no number stops it too.
inline constexpr bool one_sided_g_failed(double residual) { return !(residual > -9000.0); }

// TwoTailedGBesselAlways: the window next to rho could not be placed, by the
// inversion of F for the lower or the upper limit, or by the closed form for
// two degrees of freedom (and below two, where the case is refused).
inline constexpr double LowerWindowFailed = -8000000.0;
inline constexpr double UpperWindowFailed = -5000000.0;
inline constexpr double ClosedFormFailed = -1000000.0;
// The two-sided searches keep residuals G - q only; with q in (0, 1) every
// failure value stays below -90000, and every proper residual above -1. A
// residual that is no number counts as failed too.
inline constexpr bool two_sided_g_failed(double residual) { return !(residual > -90000.0); }

}  // namespace params
