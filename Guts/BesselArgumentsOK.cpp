#include "mainguts.h"
#include "params.h"

// Whether e^(-z) I_order(z) may stand in for the quadrature: not for a high
// order with a comparatively small argument, and not beyond the caller's
// ceiling on the argument.
int BesselArgumentsOK(double z, double order, double zmax) {
    if (z / order <= params::single(0.26f) && order > 50.0) return 0;
    return z <= zmax ? 1 : 0;
}
