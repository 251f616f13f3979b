// Standard normal distribution function for the coverage integrands.
#include "Chinorm95.h"

double normscdf(double x) { return cumnor(x); }
