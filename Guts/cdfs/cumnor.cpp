// The standard normal distribution function Phi(x).
#include "Chinorm95.h"

double cumnor(double x) {
    // The worker may be handed a private copy without the caller's value changing.
    const double arg = x;
    return dumnor(arg);
}
