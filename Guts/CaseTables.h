// The fixed cases of an input-file run: the candidate levels, degrees of
// freedom and true standard deviations that its index ranges select, and the
// standardised case every verification is made for.
#pragma once

namespace cases {

inline constexpr double levels[10] = {0.001, 0.005, 0.01, 0.05, 0.1,
                                      0.9,   0.95,  0.99, 0.995, 0.999};
inline constexpr double dfs[6] = {2.0, 3.0, 5.0, 10.0, 100.0, 1000.0};
inline constexpr double sigmas[3] = {0.1, 1.0, 10.0};

// mu = 0, lambda = 0.5: the logarithm of a lognormal mean, with gamma^2 = df + 1.
inline constexpr double mu = 0.0;
inline constexpr double lambda = 0.5;

}  // namespace cases
