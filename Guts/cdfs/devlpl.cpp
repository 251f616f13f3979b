// Polynomial a(1) + a(2)x + ... + a(n)x^(n-1) by Horner's rule; n >= 1.
#include "Chinorm95.h"

double devlpl(const double a[], int n, double x) {
    double term = a[n - 1];
    for (int i = n - 2; i >= 0; --i) term = a[i] + term * x;
    return term;
}
