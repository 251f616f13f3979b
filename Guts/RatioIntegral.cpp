#include <cmath>

#include "mainguts.h"

// (integral over [a,b] of x e^(t x)) / (integral over [-1,1] of x e^(t x)),
// with numerator and denominator scaled by e^(-|t|) so that no exponential
// exceeds 1 for a, b in [-1, 1].
double RatioIntegral(double a, double b, double t) {
    if (t > 0.0) {
        return ((b * t - 1.0) * std::exp(t * (b - 1.0)) - (a * t - 1.0) * std::exp(t * (a - 1.0))) /
               ((t - 1.0) + (t + 1.0) * std::exp(-2.0 * t));
    }
    return ((b * t - 1.0) * std::exp(t * (b + 1.0)) - (a * t - 1.0) * std::exp(t * (a + 1.0))) /
           ((t - 1.0) * std::exp(2.0 * t) + (t + 1.0));
}
