// Chi-square distribution function with df degrees of freedom at x.
#include "Chinorm95.h"

double cumchi(double x, double df) { return cumgam(x * 0.5, df * 0.5); }
