#include "AdaptiveSimpson.h"
#include "TwoTailedNewF.h"
#include "Context.h"
#include "mainguts.h"

// The integral of x*F over [a, b] by the same adaptive Simpson scheme as the
// integrals of F, on a stack of 100 entries (bounded like theirs: a full stack
// or an interval too small to halve is accepted as it stands).
void TwoTailedNewFAdaptive(double a, double b, double nu, double kappa, double k, double L,
                           double s, double P, double& result, Context& ctx) {
    const TwoTailedNewFIntegrand f(nu, kappa, k, L, s, P);
    result = simpson::integrate<100>(a, b, f, ctx.control.FunctionTol, ctx.simpson);
}
