// The rational approximations shared by ERF and ERFC1: one table, so the two
// functions cannot drift apart.
#pragma once

namespace erf_coefficients {

inline constexpr double c = 0.564189583547756;
inline constexpr double a[5] = {0.771058495001320e-04, -0.133733772997339e-02,
                                 0.323076579225834e-01, 0.479137145607681e-01,
                                 0.128379167095513e+00};
inline constexpr double b[3] = {0.301048631703895e-02, 0.538971687740286e-01,
                                 0.375795757275549e+00};
inline constexpr double p[8] = {-1.36864857382717e-07, 5.64195517478974e-01,
                                 7.21175825088309e+00,  4.31622272220567e+01,
                                 1.52989285046940e+02,  3.39320816734344e+02,
                                 4.51918953711873e+02,  3.00459261020162e+02};
inline constexpr double q[8] = {1.00000000000000e+00, 1.27827273196294e+01,
                                 7.70001529352295e+01, 2.77585444743988e+02,
                                 6.38980264465631e+02, 9.31354094850610e+02,
                                 7.90950925327898e+02, 3.00459260956983e+02};
inline constexpr double r[5] = {2.10144126479064e+00, 2.62370141675169e+01,
                                 2.13688200555087e+01, 4.65807828718470e+00,
                                 2.82094791773523e-01};
inline constexpr double s[4] = {9.41537750555460e+01, 1.87114811799590e+02,
                                 9.90191814623914e+01, 1.80124575948747e+01};

}  // namespace erf_coefficients
