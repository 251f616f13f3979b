// Floating-point parameters derived from the integer parameters: the machine
// epsilon (i <= 1), the smallest normalised magnitude (i = 2) and the largest
// finite magnitude (i >= 3).
#include "Chinorm95.h"

namespace {
// b^n by repeated squaring; a negative n raises 1/b.
double ipow(double b, int n) {
    double base = b;
    if (n < 0) {
        base = 1.0 / b;
        n = -n;
    }
    double result = 1.0;
    while (n > 0) {
        if (n & 1) result *= base;
        n >>= 1;
        if (n > 0) base *= base;
    }
    return result;
}
}  // namespace

double SPMPAR(int i) {
    const double b = IPMPAR(4);
    const int m = IPMPAR(8);
    if (i <= 1) return ipow(b, 1 - m);
    if (i == 2) {
        // Scaled so that no intermediate leaves the normal range.
        const int emin = IPMPAR(9);
        const double binv = 1.0 / b;
        const double w = ipow(b, emin + 2);
        return ((w * binv) * binv) * binv;
    }
    const int emax = IPMPAR(10);
    double z = ipow(b, m - 1);
    const double w = ((z - 1.0) * b + (b - 1.0)) / (b * z);
    z = ipow(b, emax - 2);
    return ((w * z) * b) * b;
}
