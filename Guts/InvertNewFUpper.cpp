#include "AdaptiveSimpson.h"
#include "NewF.h"
#include "Context.h"
#include "mainguts.h"

// The point x in [a, b] at which the integral of F from a reaches `amount`,
// found in one left-to-right pass that stops at the crossing; error = 1 when
// [a, b] holds less than the amount.
double InvertNewFUpper(double a, double b, double amount, double nu, double kappa, double k,
                       double L, double s, double P, int& error, Context& ctx) {
    const NewFIntegrand F(nu, kappa, k, L, s, P);
    return simpson::invert<200, simpson::Walk::LeftToRight>(a, b, amount, F,
                                                            ctx.control.FunctionTol, error);
}
