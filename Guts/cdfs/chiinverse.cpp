// Chi-square quantile for the coverage integrands. tol is both the absolute and
// the relative tolerance of the search; the status of the search is not looked
// at (the integrands use whatever value comes back).
#include "Chinorm95.h"

double chiinverse(double p, double df, double tol, FinderState& finders) {
    double pp = p;
    double x = 0.0;
    double dff = df;
    int status = 0;
    double bound = 0.0;
    cdfchi(2, pp, x, dff, status, bound, tol, finders);
    return x;
}
