#include "AdaptiveSimpson.h"
#include "NewF.h"
#include "Context.h"
#include "mainguts.h"

void NewFAdaptive(double a, double b, double nu, double kappa, double k, double L, double s,
                  double P, double& result, Context& ctx) {
    const NewFIntegrand F(nu, kappa, k, L, s, P);
    result = simpson::integrate<200>(a, b, F, ctx.control.FunctionTol, ctx.simpson);
}
