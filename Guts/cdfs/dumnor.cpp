// Phi(x) to full double precision from Cody's rational Chebyshev approximations
// of erf and erfc (Math. Comp. 23, 1969), with the far lower tail from the
// asymptotic series of dlanor.
#include <cmath>

#include "Chinorm95.h"
#include "params.h"

namespace {
// erf(a) = a P1(a^2)/Q1(a^2) on [0, 0.5).
constexpr double P1[4] = {242.66795523053175, 21.979261618294152, 6.9963834886191355,
                          -0.035609843701815385};
constexpr double Q1[4] = {215.05887586986120, 91.164905404514901, 15.082797630407787, 1.0};
// erfc(a) = exp(-a^2) P2(a)/Q2(a) on [0.5, 4).
constexpr double P2[8] = {300.4592610201616005, 451.9189537118729422, 339.3208167343436870,
                          152.9892850469404039, 43.16222722205673530, 7.211758250883093659,
                          0.5641955174789739711, -0.0000001368648573827167067};
constexpr double Q2[8] = {300.4592609569832933, 790.9509253278980272, 931.3540948506096211,
                          638.9802644656311665, 277.5854447439876434, 77.00015293522947295,
                          12.78272731962942351, 1.0};
// erfc(a) = exp(-a^2)/a (1/sqrt(pi) + z P3(z)/Q3(z)), z = 1/a^2, on [4, inf).
constexpr double P3[5] = {-0.00299610707703542174, -0.0494730910623250734,
                          -0.226956593539686930, -0.278661308609647788,
                          -0.0223192459734184686};
constexpr double Q3[5] = {0.0106209230528467918, 0.191308926107829841, 1.05167510706793207,
                          1.98733201817135256, 1.0};
constexpr double rsqrtpi = 0.5641895835477563;  // 1/sqrt(pi)
constexpr double sqrt2 = 1.4142135623730951;
// 1e-30 as the single-precision literal it was written as.
constexpr double tiny = params::single(1.0e-30f);
}  // namespace

double dumnor(double x) {
    if (std::fabs(x) < tiny) return 0.5;
    if (x <= -38.0) return 0.0;
    if (x <= -15.0) return std::exp(dlanor(x));
    if (x > 6.0) return 1.0;

    const double y = x / sqrt2;
    const double a = std::fabs(y);
    double erf = 0.0;
    double erfc = 0.0;
    if (a < 0.5) {
        const double a2 = a * a;
        erf = a * devlpl(P1, 4, a2) / devlpl(Q1, 4, a2);
        erfc = 1.0 - erf;
    } else if (a < 4.0) {
        erfc = std::exp(-a * a) * devlpl(P2, 8, a) / devlpl(Q2, 8, a);
        erf = 1.0 - erfc;
    } else {
        const double z = 1.0 / (a * a);
        erfc = std::exp(-a * a) / a * (rsqrtpi + z * devlpl(P3, 5, z) / devlpl(Q3, 5, z));
        erf = 1.0 - erfc;
    }
    return x >= 0.0 ? 0.5 * erf + 0.5 : 0.5 * erfc;
}
