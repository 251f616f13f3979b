// Gamma distribution function P(a, x), at the six-digit accuracy class of gratio.
#include "Chinorm95.h"

double cumgam(double x, double a) {
    if (x <= 0.0) return 0.0;
    double ans = 0.0;
    double qans = 0.0;
    gratio(a, x, ans, qans, 1);
    return ans;
}
