// Logarithm of the far lower normal tail, ln P(Z > |x|), by the asymptotic
// series; meant for |x| >= 5, where the series has converged to full precision.
#include <cmath>

#include "Chinorm95.h"

double dlanor(double x, int& status) {
    constexpr double dlsqpi = 0.9189385332046728;  // ln sqrt(2 pi)
    // Signed double factorials (2k-1)!!.
    static constexpr double coef[12] = {-1.0,
                                        3.0,
                                        -15.0,
                                        105.0,
                                        -945.0,
                                        10395.0,
                                        -135135.0,
                                        2027025.0,
                                        -34459425.0,
                                        654729075.0,
                                        -13749310575.0,
                                        316234143225.0};

    const double xx = std::fabs(x);
    status = xx < 5.0 ? 1 : 0;
    const double approx = -dlsqpi - 0.5 * xx * xx - std::log(xx);
    const double correc = devlpl(coef, 12, 1.0 / (xx * xx)) / (xx * xx);
    return approx + dln1px(correc);
}

double dlanor(double x) {
    int status = 0;
    return dlanor(x, status);
}
