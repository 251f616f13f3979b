// Normal tail area, Hill's Algorithm AS 66 (Applied Statistics, 1973): absolute
// error below about 1.3e-8, relative error of order 1e-10 beyond z = 1.28.
#include <cmath>

#include "mainguts.h"

double alnorm(double x, int upper) {
    // Beyond ltone the lower tail is taken as 0 unless the upper tail itself is
    // asked for, which is computed out to utzero.
    constexpr double ltone = 7.0;
    constexpr double utzero = 18.66;
    constexpr double con = 1.28;

    // The constants of AS 66, in its groups.
    constexpr double p = 0.398942280444, q = 0.39990348504, r = 0.398942280385;
    constexpr double a1 = 5.75885480458, a2 = 2.62433121679, a3 = 5.92885724438;
    constexpr double b1 = -29.8213557807, b2 = 48.6959930692;
    constexpr double c1 = -3.8052e-8, c2 = 3.98064794e-4, c3 = -0.151679116635,
                     c4 = 4.8385912808, c5 = 0.742380924027, c6 = 3.99019417011;
    constexpr double d1 = 1.00000615302, d2 = 1.98615381364, d3 = 5.29330324926,
                     d4 = -15.1508972451, d5 = 30.789933034;

    bool up = upper != 0;
    double z = x;
    if (z < 0.0) {
        up = !up;
        z = -z;
    }
    double tail;
    if (z > ltone && (!up || z > utzero)) {
        tail = 0.0;
    } else {
        const double y = 0.5 * z * z;
        if (z <= con) {
            tail = 0.5 - z * (p - q * y / (y + a1 + b1 / (y + a2 + b2 / (y + a3))));
        } else {
            tail = r * std::exp(-y) /
                   (z + c1 +
                    d1 / (z + c2 + d2 / (z + c3 + d3 / (z + c4 + d4 / (z + c5 + d5 / (z + c6))))));
        }
    }
    return up ? tail : 1.0 - tail;
}
