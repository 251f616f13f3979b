#include <cmath>

#include "LimitCheck.h"
#include "mainguts.h"
#include "params.h"

namespace limitcheck {

// A factor where the limit code has none to offer: the normal approximation of
// the limit of mu + sigma^2/2, z sqrt(1 + eta^2/2) in units of sd/sqrt(nu).
double approximate_factor(double p, double eta) {
    const double z = NormInv(p, 1.0E-4, 500);
    if (z == params::NormInvFailure) return 0.0;
    return z * std::sqrt(1.0 + 0.5 * eta * eta);
}

}  // namespace limitcheck
