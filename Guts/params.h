// Constants shared across the computing code.
#pragma once

namespace params {

inline constexpr double pi = 3.141592653589793;

// Sentinels by which the numerical core reports failure instead of stopping.
inline constexpr double NormInvFailure = -99999.0;
inline constexpr double BesseliFailure = -99999.9;

// Start-up values of the control block.
inline constexpr double StartBesselMaxArg = 800.0;
inline constexpr int StartMaxIter = 200;

// Single-precision literals of the original code, widened to double.
inline constexpr double single_0_1 = 0.10000000149011612;
inline constexpr double single_0_01 = 0.009999999776482582;
inline constexpr double single_0_26 = 0.25999999046325684;

}  // namespace params
