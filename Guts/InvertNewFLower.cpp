#include "AdaptiveSimpson.h"
#include "NewF.h"
#include "Context.h"
#include "mainguts.h"

// The point x in [a, b] at which the integral of F from x to b reaches
// `amount`, found in one right-to-left pass that stops at the crossing;
// error = 1 when [a, b] holds less than the amount.
double InvertNewFLower(double a, double b, double amount, double nu, double kappa, double k,
                       double L, double s, double P, int& error, Context& ctx) {
    const NewFIntegrand F(nu, kappa, k, L, s, P);
    return simpson::invert<100, simpson::Walk::RightToLeft>(a, b, amount, F,
                                                            ctx.control.FunctionTol, error);
}
