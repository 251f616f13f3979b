// Bounds on the argument of exp: for l = 0 the largest w with exp(w) finite,
// otherwise the most negative w with exp(w) a normalised nonzero number. The
// factor 0.99999 keeps each bound just inside the range.
#include <cmath>

#include "Chinorm95.h"

double EXPARG(int l) {
    const int b = IPMPAR(4);
    double lnb;
    if (b == 2)
        lnb = 0.69314718055995;
    else if (b == 8)
        lnb = 2.0794415416798;
    else if (b == 16)
        lnb = 2.7725887222398;
    else
        lnb = std::log(static_cast<double>(b));
    if (l == 0) return 0.99999 * (IPMPAR(10) * lnb);
    return 0.99999 * ((IPMPAR(9) - 1) * lnb);
}
