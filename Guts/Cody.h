// What W. J. Cody's routines share: his named constants, and the Stirling
// correction series of his gamma function (dgamma, Besseli.cpp) and his
// ln Gamma (dlgama, Loggamma.cpp), with the same constants and the same order
// of operations in both.
#pragma once

namespace cody {

inline constexpr double zero = 0.0, half = 0.5, one = 1.0, two = 2.0, twelve = 12.0;

namespace stirling {

// ln sqrt(2 pi).
inline constexpr double ln_sqrt_2pi = 0.9189385332046727417803297;

// The correction series in 1/y^2, valid above 12.
inline constexpr double c[7] = {-1.910444077728e-03,          8.4171387781295e-04,
                                -5.952379913043012e-04,       7.93650793500350248e-04,
                                -2.777777777777681622553e-03, 8.333333333333333331554247e-02,
                                5.7083835261e-03};

// The series at y, summed from its last coefficient: y times the correction
// ln Gamma(y) - ((y - 1/2) ln y - y + ln sqrt(2 pi)).
inline double series(double y) {
    const double ysq = y * y;
    double sum = c[6];
    for (int i = 0; i < 6; ++i) sum = sum / ysq + c[i];
    return sum;
}

}  // namespace stirling

}  // namespace cody
