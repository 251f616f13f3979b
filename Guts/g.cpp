#include "mainguts.h"

// Standard normal distribution function; saturated far out so that alnorm is
// never asked about hopeless arguments.
double g(double x) {
    if (x <= -100.0) return 0.0;
    if (x >= 100.0) return 1.0;
    return alnorm(x, 0);
}
