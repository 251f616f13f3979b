// The rational approximations shared by ERF and ERFC1: one table and one
// evaluation of each polynomial, so the two functions cannot drift apart.
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

// The numerators and denominators of the three ranges, each evaluated in one
// fixed order so that both functions get the same bits from them.
inline double small_top(double t) {
    return ((((a[0] * t + a[1]) * t + a[2]) * t + a[3]) * t + a[4]) + 1.0;
}
inline double small_bot(double t) { return ((b[0] * t + b[1]) * t + b[2]) * t + 1.0; }
// erf(x)/x for |x| <= 0.5, at t = x^2.
inline double small_ratio(double t) { return small_top(t) / small_bot(t); }
inline double middle_top(double ax) {
    return ((((((p[0] * ax + p[1]) * ax + p[2]) * ax + p[3]) * ax + p[4]) * ax + p[5]) * ax +
            p[6]) * ax + p[7];
}
inline double middle_bot(double ax) {
    return ((((((q[0] * ax + q[1]) * ax + q[2]) * ax + q[3]) * ax + q[4]) * ax + q[5]) * ax +
            q[6]) * ax + q[7];
}
inline double large_top(double t) {
    return (((r[0] * t + r[1]) * t + r[2]) * t + r[3]) * t + r[4];
}
inline double large_bot(double t) {
    return (((s[0] * t + s[1]) * t + s[2]) * t + s[3]) * t + 1.0;
}

}  // namespace erf_coefficients
